// Derives the name a directory entry is to carry from its old name.
#pragma once

#include <cstdint>

#include "command/options.h"

struct PreviewNames;  // cleaner/preview_names.h

// Results of BuildNewName.
constexpr std::int32_t NEW_NAME_READY = 0;         // the new bare name is in the buffer
constexpr std::int32_t NEW_NAME_UNCHANGED = 1;     // nothing to do: equal to the old name but for ASCII case
constexpr std::int32_t NEW_NAME_TOO_LONG = -2;     // directory + candidate would not fit MAX_ARG_LEN
constexpr std::int32_t NEW_NAME_NO_FREE_SUFFIX = -3;  // every counter value is taken
constexpr std::int32_t NEW_NAME_DEVICE = -4;  // under /N:F the name, in the buffer, is a Windows device name

// Building a new name has three steps, each its own call, so that a caller can
// tell an entry with nothing to do from the cleaning alone:
//   CleanName      decoding, the character loop, condensing, trimming and the
//                  default name: a pure function of the old name, the options
//                  and the lists, which asks the file system nothing;
//   NeedsNoChange  whether the cleaned name is the old name (nothing to do);
//   MakeNameUnique the existence probe and the "-NNN" suffix.
// BuildNewName runs all three.

// Writes the cleaned old name into cleaned, a buffer of MAX_ARG_LEN characters,
// and returns its length; or NEW_NAME_TOO_LONG, writing nothing, when the old
// name does not fit such a buffer. qList and rList may be null.
std::int32_t CleanName(const char16_t* oldName, char16_t* cleaned, const OptionFlags& options, const char16_t* qList,
                       const char16_t* rList);

// Nothing to do: the cleaned name equals the old name but for the case of
// ASCII letters; under /W it is not a Windows device name either.
bool NeedsNoChange(const char16_t* oldName, const char16_t* cleaned, const OptionFlags& options);

// The name for an entry whose cleaned name differs from its old one: the
// cleaned name when it is free or when /N:F wants no suffix, else
// the first free one with a counter suffix. A Windows device name is never
// free; under /N:F it is handed back as NEW_NAME_DEVICE. Every candidate is
// first shortened to one name's limit in the directory, where one is set
// (platform/name_limit.h: under /W, and on POSIX always). directory ends in a path
// separator; newName is a buffer of MAX_ARG_LEN characters, written only when
// the result is NEW_NAME_READY. preview, when given (a /N run), says which
// names earlier entries of the same directory would have taken or freed.
std::int32_t MakeNameUnique(const char16_t* directory, const char16_t* cleaned, char16_t* newName,
                            const OptionFlags& options, const PreviewNames* preview = nullptr);

// All three steps. Arguments as above; the result is any of the NEW_NAME_ codes.
std::int32_t BuildNewName(const char16_t* directory, const char16_t* oldName, char16_t* newName,
                          const OptionFlags& options, const char16_t* qList, const char16_t* rList,
                          const PreviewNames* preview = nullptr);
