// How the host puts text on a standard handle; shared by the Printf family.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// True where text files end their lines in a bare line feed: there a carriage
// return directly before a line feed is dropped from everything written.
extern const bool unixLineEnds;

// Writes length UTF-16 code units to the handle: to a console as UTF-16, to
// anything else (file, pipe) as UTF-8. Returns the number of code units taken
// from text, or -1 when the handle refused them.
std::int32_t WriteToHandle(HANDLE handle, const char16_t* text, std::size_t length);
