// The names Windows takes for devices: one pure function, for the name
// cleaner (no new name is a device's) and for the path handed to the system
// (a plain path with a device's name reaches the device).
#pragma once

#include <cstddef>

// Whether Windows takes the name for a device (CON, PRN, AUX, NUL, COM0-COM9,
// LPT0-LPT9, COM and LPT followed by a superscript 1, 2 or 3, CONIN$, CONOUT$),
// in any ASCII letter case, alone or before an extension: the part compared is
// the name up to its first full stop, trailing blanks removed. So "aux .txt"
// and "Con.tar.gz" are device names; "CONSOLE.txt", "COM10" and "xCON" are not.
bool IsDeviceName(const char16_t* name, std::size_t length);
