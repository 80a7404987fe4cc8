// Condensing of runs of like characters in a freshly built name (option /K).
#pragma once

#include <cstdint>

#include "core/options.h"

constexpr std::int32_t CONDENSE_NO_BUFFER = -1;  // name was null

// With OPT_CONDENSE_BLANKS, every run of two or more whitespace characters of
// any kind becomes one space; with OPT_CONDENSE_PUNCT, every run of one repeated
// punctuation character becomes that character once (different punctuation
// side by side is no run). Whitespace is tested first. name is a NUL-terminated
// string in a buffer of MAX_ARG_LEN code units, rewritten in place. Returns the
// number of changes: characters removed, plus run starts that were not already
// a space; 0 leaves the name untouched.
std::int32_t CondenseRuns(char16_t* name, OptionFlags options);
