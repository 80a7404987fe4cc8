// The command function the host calls with the command tail.
#pragma once

#include <cstdint>

extern "C" int purifile(const char16_t* tail);

// Appends a separator (unless the path already ends in one, or in a colon) and
// "*", bounded by MAX_ARG_LEN. Returns 0, or -1 without a buffer.
std::int32_t AppendWildcard(char16_t* path);
