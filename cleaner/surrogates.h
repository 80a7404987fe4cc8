// Replacement of characters outside the Basic Multilingual Plane (option /U).
#pragma once

#include <cstdint>

// Results of ReplaceSurrogates besides the count of underscores written.
constexpr std::int32_t SURROGATES_NO_MEMORY = -2;  // no scratch buffer could be had
constexpr std::int32_t SURROGATES_TOO_LONG = -3;   // the result would not fit MAX_ARG_LEN

// Rewrites name, a NUL-terminated string in a buffer of MAX_ARG_LEN code units,
// with one '_' for every surrogate pair (high then low) and for every lone
// surrogate. Returns the number of underscores written; on 0 or a negative
// result the name is untouched. Takes one scratch buffer from the heap and
// releases it before returning, whatever the outcome.
std::int32_t ReplaceSurrogates(char16_t* name);
