// Letter case as the host's comparisons see it: only the ASCII letters have a
// case; every other code unit is compared as it is.
#pragma once

inline char16_t UpperAscii(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - u'a' + u'A') : ch;
}

inline char16_t LowerAscii(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
}
