#include "cleaner/private_use.h"

constexpr char16_t MacStandInTable[MAC_STAND_IN_COUNT] = {
    // U+F001..U+F01F: the controls 0x01..0x1F
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    // U+F020..U+F027
    u'"', u'*', u':', u'<', u'>', u'?', u'\\', u'|',
    // U+F028, U+F029: a blank and a full stop that ended a name
    u' ', u'.',
};

constexpr char16_t CygwinStoodInCharacters[CYGWIN_STAND_IN_COUNT] = {
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    u'"', u'*', u':', u'<', u'>', u'?', u'|',
};

namespace {

constexpr char16_t CYGWIN_STAND_IN_BASE = 0xF000;

bool IsCygwinStoodIn(char16_t ch) {
  for (const char16_t stoodIn : CygwinStoodInCharacters) {
    if (stoodIn == ch) {
      return true;
    }
  }
  return false;
}

}  // namespace

char16_t ReadPrivateUseStandIn(char16_t unit) {
  if (unit >= FIRST_MAC_STAND_IN && unit < FIRST_MAC_STAND_IN + MAC_STAND_IN_COUNT) {
    return MacStandInTable[unit - FIRST_MAC_STAND_IN];
  }
  if (unit > CYGWIN_STAND_IN_BASE && unit < CYGWIN_STAND_IN_BASE + 0x80 &&
      IsCygwinStoodIn(static_cast<char16_t>(unit - CYGWIN_STAND_IN_BASE))) {
    return static_cast<char16_t>(unit - CYGWIN_STAND_IN_BASE);
  }
  return unit;
}
