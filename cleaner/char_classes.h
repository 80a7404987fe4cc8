// The character classes every part of the engine tests UTF-16 code units
// against, and ASCII-only case folding.
//
// Below U+0100 a fixed Latin-1 table decides, so that results do not depend on
// the system's locale data for the characters file names use most. From U+0100
// on, the system's CT_CTYPE1 character-type information decides. U+FFFF is in
// no class.
#pragma once

#include <cstdint>

bool IsWhitespace(char16_t ch);
bool IsPunctuation(char16_t ch);
// '0'..'9' and the superscripts two, three and one; above U+00FF whatever the
// system calls a digit.
bool IsDecimalDigit(char16_t ch);
// '0'..'9', 'A'..'F', 'a'..'f'; above U+00FF whatever the system calls a hex digit.
bool IsHexDigit(char16_t ch);
bool IsLetter(char16_t ch);

// The value of an ASCII hex digit ('0'..'9', 'A'..'F', 'a'..'f'), or -1 for any
// other code unit, including characters the system merely classifies as hex digits.
std::int32_t HexDigitValue(char16_t ch);

// 'a'..'z' become 'A'..'Z'; every other code unit is returned as it is.
inline char16_t ToUpperAscii(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - (u'a' - u'A')) : ch;
}

// Compares two NUL-terminated strings with ASCII letters folded to upper case
// and every other code unit compared exactly. Returns 0 when they are equal,
// a negative number when left sorts first, a positive one otherwise.
std::int32_t CompareIgnoringAsciiCase(const char16_t* left, const char16_t* right);
