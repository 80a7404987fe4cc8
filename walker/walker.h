// Cleans the entries of one directory that match a pattern, and under /S every
// subdirectory below it.
#pragma once

#include <cstdint>

#include "command/options.h"
#include "command/tally.h"

// directory ends in its path separator; pattern is the wildcard for entry names.
// Returns 0, 2 (a rename failed here or below), -1 (directory or pattern absent
// or empty) or -3 (the user answered Quit).
std::int32_t WalkDirectory(const char16_t* directory, const char16_t* pattern, OptionFlags* options,
                           const char16_t* qList, const char16_t* rList, RenameTally* tally);
