// Renames one matched entry: shows or prompts, renames, retries, reports, counts.
#pragma once

#include <cstdint>

#include "core/options.h"
#include "core/shared_types.h"

struct DirectoryNames;  // cleaner/new_name.h

// Result of RenameEntry and of WalkDirectory when the user answered Quit.
constexpr std::int32_t RENAME_QUIT = -3;
// Result of RenameEntry and of WalkDirectory when the run was asked to stop
// (core/stop.h): nothing more is renamed.
constexpr std::int32_t RENAME_STOPPED = -4;

// directory ends in its path separator; name is the entry's long name and
// shortName its 8.3 name (empty when it has none). Returns 0, 2 (the rename
// failed, and was reported unless OPT_NO_ERRORS), -3 (Quit) or -4 (a stop was
// asked for while the prompt waited: the entry is not renamed). Advances
// exactly one of fixed, skipped and failed in the tally; found is the caller's.
//
// names, when given, is what the walk knows of the directory's names (see
// DirectoryNames): the rename this entry makes, or in a preview would make,
// is recorded in it, so that later entries are given the names the real run
// would give them.
std::int32_t RenameEntry(const char16_t* directory, const char16_t* name, const char16_t* shortName,
                         OptionFlags* options, const char16_t* qList, const char16_t* rList,
                         RenameTally* tally, DirectoryNames* names = nullptr);

// One key of the Yes/No/All/Quit prompt: 0 No, 1 Yes, 2 All, -3 Quit, each
// echoed on the console. Other keys are swallowed; a key read that fails in
// any way, a C++ throw or a structured exception, counts as Quit, without echo.
std::int32_t ReadPromptAnswer();

// Retries with the "\\?\" long-path prefix on the old path and, when it is a
// drive path, on the new one: 0 renamed, 1 not applicable or failed, -1 an
// argument absent or the new path empty.
std::int32_t RenameByLongPath(const char16_t* oldPath, const char16_t* newPath);

// Retries with the entry's 8.3 short name: 0 renamed, 1 an argument empty or the
// rename failed, -1 an argument absent.
std::int32_t RenameByShortName(const char16_t* directory, const char16_t* shortName, const char16_t* newPath);
