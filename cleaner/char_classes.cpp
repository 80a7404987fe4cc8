#include "cleaner/char_classes.h"

#include "platform/win32.h"

namespace {

// Short names for the table below.
constexpr std::uint8_t SPC = CLASS_WHITESPACE;
constexpr std::uint8_t PUN = CLASS_PUNCTUATION;
constexpr std::uint8_t DIG = CLASS_DECIMAL_DIGIT;
constexpr std::uint8_t HEX = CLASS_HEX_DIGIT;
constexpr std::uint8_t LET = CLASS_LETTER;
constexpr std::uint8_t DH = DIG | HEX;
constexpr std::uint8_t LH = LET | HEX;
constexpr std::uint8_t PD = PUN | DIG;

}  // namespace

// Classes of U+0000..U+00FF, one row of sixteen code units per line.
// C0 and C1 controls are in no class, except the whitespace controls
// U+0009..U+000D. The superscripts U+00B2, U+00B3 and U+00B9 are both
// punctuation and decimal digits. U+00D7 and U+00F7 are punctuation, not letters.
const std::uint8_t Latin1Classes[0x100] = {
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

bool HasSystemClass(char16_t ch, std::uint8_t classes) {
  if (ch == 0xFFFF) {
    return false;
  }
  WORD type = 0;
  if (!GetStringTypeW(CT_CTYPE1, &ch, 1, &type)) {
    return false;  // the system cannot classify it: in no class
  }
  const WORD wanted = ((classes & CLASS_WHITESPACE) != 0 ? C1_SPACE : 0) |
                      ((classes & CLASS_PUNCTUATION) != 0 ? C1_PUNCT : 0) |
                      ((classes & CLASS_DECIMAL_DIGIT) != 0 ? C1_DIGIT : 0) |
                      ((classes & CLASS_HEX_DIGIT) != 0 ? C1_XDIGIT : 0) |
                      ((classes & CLASS_LETTER) != 0 ? C1_ALPHA : 0);
  return (type & wanted) != 0;
}

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


