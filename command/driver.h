// The command function the host calls with the command tail.
#pragma once

#include <cstdint>

#include "command/options.h"

extern "C" int purifile(const char16_t* tail);

// Appends a separator (unless the path already ends in one, or is a bare drive
// such as C:) and "*". Returns 0; -1 without a buffer; 1 when the result would
// not fit in MAX_ARG_LEN characters, leaving the path unchanged.
std::int32_t AppendWildcard(char16_t* path);

// What the first pass over the split arguments gathers.
struct CommandOptions {
  OptionFlags flags;
  const char16_t* qList;  // into the argument table, or null
  const char16_t* rList;  // into the argument table, or null
  bool sawFileSpec;
};

// ParseOptions wrote the help text for /? or /??: the command ends with 0.
constexpr std::int32_t OPTIONS_HELP_WRITTEN = -2;

// The first pass over the current argument table: folds every option into
// options. Returns 0 to go on with the file specifications, 1 after reporting an
// unknown option or sub-option, or OPTIONS_HELP_WRITTEN.
std::int32_t ParseOptions(CommandOptions* options);

// Cuts a true name after its last path separator (or after a drive colon that
// no separator precedes) into directory and pattern, both MAX_ARG_LEN buffers.
// Returns 0, or -1 when the name has no split point or nothing follows it.
std::int32_t SplitTrueName(const char16_t* trueName, char16_t* directory, char16_t* pattern);
