// Bounded assembly of paths in MAX_ARG_LEN buffers, shared by the walk and the
// rename step.
#pragma once

#include <cstddef>
#include <cstdint>

// Length of a zero-terminated string.
std::size_t TextLength(const char16_t* text);

// Appends text at buffer[*length], keeping room for the terminator within
// MAX_ARG_LEN characters, and advances *length. Returns 0, or -1 when the text
// does not fit: the buffer then ends at *length, unchanged before it.
std::int32_t AppendText(char16_t* buffer, std::size_t* length, const char16_t* text);
