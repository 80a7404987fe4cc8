// The character classes every part of the engine tests UTF-16 code units
// against, and ASCII-only case folding.
//
// Below U+0100 a fixed Latin-1 table decides, so that results do not depend on
// the system's locale data for the characters file names use most. From U+0100
// on, the system's CT_CTYPE1 character-type information decides. U+FFFF is in
// no class.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/utf16_text.h"  // ToUpperAscii

// The classes as bits. Below U+0100 they are looked up in Latin1Classes, inline
// because names are cleaned character by character; from U+0100 on
// HasSystemClass asks the system.
constexpr std::uint8_t CLASS_WHITESPACE = 0x01;
constexpr std::uint8_t CLASS_PUNCTUATION = 0x02;
constexpr std::uint8_t CLASS_DECIMAL_DIGIT = 0x04;
constexpr std::uint8_t CLASS_HEX_DIGIT = 0x08;
constexpr std::uint8_t CLASS_LETTER = 0x10;

extern const std::uint8_t Latin1Classes[0x100];
bool HasSystemClass(char16_t ch, std::uint8_t classes);

inline bool HasClass(char16_t ch, std::uint8_t classes) {
  return ch < 0x100 ? (Latin1Classes[ch] & classes) != 0 : HasSystemClass(ch, classes);
}

inline bool IsWhitespace(char16_t ch) { return HasClass(ch, CLASS_WHITESPACE); }
inline bool IsPunctuation(char16_t ch) { return HasClass(ch, CLASS_PUNCTUATION); }
// '0'..'9' and the superscripts two, three and one; above U+00FF whatever the
// system calls a digit.
inline bool IsDecimalDigit(char16_t ch) { return HasClass(ch, CLASS_DECIMAL_DIGIT); }
// '0'..'9', 'A'..'F', 'a'..'f'; above U+00FF whatever the system calls a hex digit.
inline bool IsHexDigit(char16_t ch) { return HasClass(ch, CLASS_HEX_DIGIT); }
inline bool IsLetter(char16_t ch) { return HasClass(ch, CLASS_LETTER); }

// The value of an ASCII hex digit ('0'..'9', 'A'..'F', 'a'..'f'), or -1 for any
// other code unit, including characters the system merely classifies as hex digits.
std::int32_t HexDigitValue(char16_t ch);



// Whether no text made of code units like this one changes in Normalization
// Form C, so that composing it can be left out: every unit below U+0300, the
// Greek, Cyrillic and Armenian letters (U+0388 to U+0482, U+0488 to U+0590),
// general punctuation and the currency signs (U+2002 to U+20CF), the CJK
// unified ideographs (U+4E00 to U+9FFF), the Hangul syllables (U+AC00 to
// U+D7A3), and the surrogates of U+1F000 to U+1FBFF (emoji and symbols; a low
// surrogate is inert when its high one is). Their characters are all
// NFC_QC=Yes with combining class 0, which Unicode's quick check takes for
// text in Normalization Form C.
inline bool IsInertInComposition(char16_t unit) {
  return unit < 0x0300 || (unit >= 0x0388 && unit < 0x0483) || (unit >= 0x0488 && unit < 0x0591) ||
         (unit >= 0x2002 && unit < 0x20D0) || (unit >= 0x4E00 && unit < 0xA000) ||
         (unit >= 0xAC00 && unit < 0xD7A4) || (unit >= 0xD83C && unit <= 0xD83E) ||
         (unit >= 0xDC00 && unit <= 0xDFFF);
}
