// The command tail cut into arguments: quotation marks removed, ASCII letters
// upper-cased, trailing whitespace trimmed, and an argument that begins with a
// solidus split at every further solidus (so /S/D is two options).
#pragma once

#include <cstdint>

#include "core/shared_types.h"

// The most arguments one command keeps; characters of later arguments are dropped.
constexpr std::int32_t MAX_ARGUMENTS = 1024;

// One split command tail. Every argument lies in pool, followed by a terminator,
// the next one directly after it. Entries from count on are null and 0.
struct ArgumentTable {
  std::int32_t count;
  char16_t* starts[MAX_ARGUMENTS];
  std::int32_t lengths[MAX_ARGUMENTS];
  char16_t pool[MAX_ARG_LEN];
};

// The table of the current command; overwritten by every SplitArguments, and
// the /Q and /R lists point into it for the whole command.
extern ArgumentTable argumentTable;

// Splits tail into argumentTable. Returns the number of arguments; -1 for a null
// tail (the table is left untouched) or after a pool overflow, which is reported
// on standard error and leaves count 0.
std::int32_t SplitArguments(const char16_t* tail);
