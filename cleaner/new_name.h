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

// directory ends in a path separator; newName is a buffer of MAX_ARG_LEN
// characters, written only when the result is NEW_NAME_READY. qList and rList
// may be null. preview, when given (a /N run), says which names earlier entries
// of the same directory would have taken or freed.
std::int32_t BuildNewName(const char16_t* directory, const char16_t* oldName, char16_t* newName,
                          const OptionFlags& options, const char16_t* qList, const char16_t* rList,
                          const PreviewNames* preview = nullptr);
