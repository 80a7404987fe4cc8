// Renames one matched entry: shows or prompts, renames, retries, reports, counts.
#pragma once

#include <cstdint>

#include "command/options.h"
#include "command/tally.h"

struct PreviewNames;  // cleaner/preview_names.h

// Returns 0, 2 (the rename failed) or -3 (Quit). Advances exactly one of fixed,
// skipped and failed in the tally. preview is given only in a /N run.
std::int32_t RenameEntry(const char16_t* directory, const char16_t* name, const char16_t* shortName,
                         OptionFlags* options, const char16_t* qList, const char16_t* rList,
                         RenameTally* tally, PreviewNames* preview = nullptr);

// One key of the Yes/No/All/Quit prompt: 0 No, 1 Yes, 2 All, -3 Quit.
std::int32_t ReadPromptAnswer();

// Retries with the "\\?\" long-path prefix: 0 renamed, 1 not applicable or failed,
// -1 an argument absent or the new path empty.
std::int32_t RenameByLongPath(const char16_t* oldPath, const char16_t* newPath);

// Retries with the entry's 8.3 short name: 0 renamed, 1 an argument empty or the
// rename failed, -1 an argument absent.
std::int32_t RenameByShortName(const char16_t* directory, const char16_t* shortName, const char16_t* newPath);
