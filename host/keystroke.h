// Reading one key for GetKeystroke, the part that differs between platforms.
#pragma once

#include <cstdint>

// No key can be read: no terminal, or its input has ended.
constexpr std::int32_t NO_KEY = -1;

// One key as its UTF-16 code unit, not yet upper-cased, or NO_KEY. A key that
// stands for no character (cursor and function keys) comes back as a code
// above 0xFF that answers nothing.
std::int32_t ReadKey();
