// The smallest helpers of zero-terminated UTF-16 text, one of each for the
// whole program (the engine, the built-in host and the POSIX layer): its
// length, equality, surrogates and code points, and letter case as every
// comparison of the program sees it: only the ASCII letters a to z and A to
// Z have a case; every other code unit is compared as it is.
#pragma once

#include <cstddef>
#include <cstdint>

inline std::size_t TextLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != u'\0') {
    ++length;
  }
  return length;
}

inline bool TextEquals(const char16_t* left, const char16_t* right) {
  std::size_t i = 0;
  while (left[i] != 0 && left[i] == right[i]) {
    ++i;
  }
  return left[i] == right[i];
}

// Writes the code point as one code unit, or beyond U+FFFF as a surrogate
// pair, and returns how many units it wrote.
inline std::size_t PutCodePoint(char32_t code, char16_t* out) {
  if (code <= 0xFFFF) {
    out[0] = static_cast<char16_t>(code);
    return 1;
  }
  code -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (code >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  return 2;
}

// The halves of a character beyond U+FFFF, and the code point of such a pair.
inline bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
inline bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
inline char32_t CodePointOfPair(char16_t high, char16_t low) {
  return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

// How many code units the character at text takes: 2 for a surrogate pair,
// else 1 (a lone surrogate, like any other unit, is a character of its own).
inline std::size_t CharacterUnits(const char16_t* text) {
  return IsHighSurrogate(text[0]) && IsLowSurrogate(text[1]) ? 2 : 1;
}

inline char16_t ToUpperAscii(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - u'a' + u'A') : ch;
}

inline char16_t ToLowerAscii(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
}

// Compares two NUL-terminated strings with ASCII letters folded to upper case
// and every other code unit compared exactly. Returns 0 when they are equal,
// a negative number when left sorts first, a positive one otherwise.
inline std::int32_t CompareIgnoringAsciiCase(const char16_t* left, const char16_t* right) {
  for (;; ++left, ++right) {
    if (*left == *right) {  // the usual case, tested first because it is cheap
      if (*left == 0) {
        return 0;
      }
      continue;
    }
    const char16_t a = ToUpperAscii(*left);
    const char16_t b = ToUpperAscii(*right);
    if (a != b) {
      return a < b ? -1 : 1;
    }
  }
}

// Whether the first length code units of text are word, a word of upper-case
// ASCII letters and other characters, with the ASCII letters of text folded to
// upper case.
inline bool EqualsIgnoringAsciiCase(const char16_t* text, std::size_t length, const char16_t* word) {
  std::size_t i = 0;
  for (; i < length && word[i] != 0; ++i) {
    if (ToUpperAscii(text[i]) != word[i]) {
      return false;
    }
  }
  return i == length && word[i] == 0;
}
