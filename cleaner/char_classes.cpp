#include "cleaner/char_classes.h"

#include "platform/win32.h"

namespace {

// Class bits of the Latin-1 table.
constexpr std::uint8_t SPC = 0x01;  // whitespace
constexpr std::uint8_t PUN = 0x02;  // punctuation
constexpr std::uint8_t DIG = 0x04;  // decimal digit
constexpr std::uint8_t HEX = 0x08;  // hex digit
constexpr std::uint8_t LET = 0x10;  // letter
constexpr std::uint8_t DH = DIG | HEX;
constexpr std::uint8_t LH = LET | HEX;
constexpr std::uint8_t PD = PUN | DIG;

// Classes of U+0000..U+00FF, one row of sixteen code units per line.
// C0 and C1 controls are in no class, except the whitespace controls
// U+0009..U+000D. The superscripts U+00B2, U+00B3 and U+00B9 are both
// punctuation and decimal digits. U+00D7 and U+00F7 are punctuation, not letters.
constexpr std::uint8_t Latin1Classes[256] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   SPC, SPC, SPC, SPC, SPC, 0,   0,    // U+0000
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // U+0010
    SPC, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN,  // U+0020
    DH,  DH,  DH,  DH,  DH,  DH,  DH,  DH,  DH,  DH,  PUN, PUN, PUN, PUN, PUN, PUN,  // U+0030
    PUN, LH,  LH,  LH,  LH,  LH,  LH,  LET, LET, LET, LET, LET, LET, LET, LET, LET,  // U+0040
    LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, PUN, PUN, PUN, PUN, PUN,  // U+0050
    PUN, LH,  LH,  LH,  LH,  LH,  LH,  LET, LET, LET, LET, LET, LET, LET, LET, LET,  // U+0060
    LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, PUN, PUN, PUN, PUN, 0,    // U+0070
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // U+0080
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    // U+0090
    SPC, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN, PUN,  // U+00A0
    PUN, PUN, PD,  PD,  PUN, PUN, PUN, PUN, PUN, PD,  PUN, PUN, PUN, PUN, PUN, PUN,  // U+00B0
    LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET,  // U+00C0
    LET, LET, LET, LET, LET, LET, LET, PUN, LET, LET, LET, LET, LET, LET, LET, LET,  // U+00D0
    LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET, LET,  // U+00E0
    LET, LET, LET, LET, LET, LET, LET, PUN, LET, LET, LET, LET, LET, LET, LET, LET,  // U+00F0
};

// The system's CT_CTYPE1 bits for a code unit from U+0100 on; none for U+FFFF
// or when the system cannot classify it.
WORD SystemCharacterType(char16_t ch) {
  if (ch == 0xFFFF) {
    return 0;
  }
  WORD type = 0;
  if (!GetStringTypeW(CT_CTYPE1, &ch, 1, &type)) {
    return 0;
  }
  return type;
}

bool InClass(char16_t ch, std::uint8_t latin1Class, WORD systemClass) {
  if (ch < 0x100) {
    return (Latin1Classes[ch] & latin1Class) != 0;
  }
  return (SystemCharacterType(ch) & systemClass) != 0;
}

}  // namespace

bool IsWhitespace(char16_t ch) { return InClass(ch, SPC, C1_SPACE); }
bool IsPunctuation(char16_t ch) { return InClass(ch, PUN, C1_PUNCT); }
bool IsDecimalDigit(char16_t ch) { return InClass(ch, DIG, C1_DIGIT); }
bool IsHexDigit(char16_t ch) { return InClass(ch, HEX, C1_XDIGIT); }
bool IsLetter(char16_t ch) { return InClass(ch, LET, C1_ALPHA); }

std::int32_t HexDigitValue(char16_t ch) {
  if (ch >= u'0' && ch <= u'9') {
    return ch - u'0';
  }
  if (ch >= u'A' && ch <= u'F') {
    return ch - u'A' + 10;
  }
  if (ch >= u'a' && ch <= u'f') {
    return ch - u'a' + 10;
  }
  return -1;
}

std::int32_t CompareIgnoringAsciiCase(const char16_t* left, const char16_t* right) {
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
