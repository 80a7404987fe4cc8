// The fixed per-character rule of the name cleaner.
#pragma once

#include <cstdint>

// What the bytes 0x80..0x9F denote in Windows-1252, indexed by byte - 0x80.
// The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// hold their own value; an entry still inside U+0080..U+009F marks such a byte.
extern const std::uint16_t Cp1252Table[32];

// The code unit that stands for ch in a cleaned name:
// - U+0001..U+001F, the characters a Windows file name may not hold, '%' and
//   '^' become '_'; '"' and '`' become an apostrophe;
// - U+0080..U+009F are read as Windows-1252 bytes (undefined ones become '_');
// - the no-break space and the typographic spaces become ' ';
// - the zero-width spaces and the narrow no-break space become '_'.
// Everything else, surrogates included, passes unchanged. The result is 0 only
// for the input 0. The result is final: it is never translated again.
char16_t TranslateChar(char16_t ch);
