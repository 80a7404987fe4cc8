// The smallest helpers of zero-terminated UTF-16 text, one of each for the
// whole program (the engine, the built-in host and the POSIX layer): its
// length, equality, and letter case as every comparison of the program sees it: only
// the ASCII letters a to z and A to Z have a case; every other code unit is
// compared as it is.
#pragma once

#include <cstddef>

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

inline char16_t ToUpperAscii(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - u'a' + u'A') : ch;
}

inline char16_t ToLowerAscii(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
}
