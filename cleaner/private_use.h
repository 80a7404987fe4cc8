// Private-use stand-ins for the characters Windows forbids in a name. Systems
// that keep names from other systems on Windows disks store each such
// character as a code point of the Private Use Area, and a name copied off
// such a disk or share keeps the stand-in. Read as text (/8), a name has them
// read as the characters they stand for, which the cleaning then replaces as
// anywhere (a colon becomes an underscore).
//
// Two schemes, and the table each is implemented from:
//   U+F001..U+F029  Mac SMB clients and Windows Services for Macintosh:
//                   U+F001..U+F01F the controls 0x01..0x1F, then
//                   " * : < > ? \ | (U+F020..U+F027), as Samba's vfs_fruit
//                   maps them for those clients (fruit_catia_maps), and a
//                   blank and a full stop (U+F028, U+F029), which Windows
//                   does not allow at the end of a name (the Linux SMB
//                   client's SFM_SPACE and SFM_PERIOD);
//   U+F000 + c      Cygwin and some NAS software, for c one of the controls
//                   0x01..0x1F and " * : < > ? | (the Cygwin User's Guide,
//                   "Forbidden characters in filenames"; a backslash is not
//                   mapped, as Cygwin reads it as a separator).
// Where the two overlap the Mac table holds: U+F022 is a colon (Cygwin's
// would be a quotation mark). Both agree on U+F001..U+F01F.
#pragma once

// U+F001..U+F029 in the Mac table, indexed by unit - 0xF001.
constexpr char16_t FIRST_MAC_STAND_IN = 0xF001;
constexpr unsigned MAC_STAND_IN_COUNT = 41;
inline constexpr char16_t MacStandInTable[MAC_STAND_IN_COUNT] = {
    // U+F001..U+F01F: the controls 0x01..0x1F
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    // U+F020..U+F027
    u'"', u'*', u':', u'<', u'>', u'?', u'\\', u'|',
    // U+F028, U+F029: a blank and a full stop that ended a name
    u' ', u'.',
};

// The characters Cygwin writes as U+F000 + character, in ascending order.
constexpr char16_t CYGWIN_STAND_IN_BASE = 0xF000;
constexpr unsigned CYGWIN_STAND_IN_COUNT = 38;
inline constexpr char16_t CygwinStoodInCharacters[CYGWIN_STAND_IN_COUNT] = {
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    u'"', u'*', u':', u'<', u'>', u'?', u'|',
};

constexpr bool IsCygwinStoodIn(char16_t ch) {
  for (const char16_t stoodIn : CygwinStoodInCharacters) {
    if (stoodIn == ch) {
      return true;
    }
  }
  return false;
}

// The character a stand-in stands for; every other unit is returned as it is.
// Inline, since every unit of a name read as text is asked about: all but
// U+F000..U+F07F are told at once.
constexpr char16_t ReadPrivateUseStandIn(char16_t unit) {
  if ((unit & 0xFF80) != CYGWIN_STAND_IN_BASE) {
    return unit;
  }
  if (unit >= FIRST_MAC_STAND_IN && unit < FIRST_MAC_STAND_IN + MAC_STAND_IN_COUNT) {
    return MacStandInTable[unit - FIRST_MAC_STAND_IN];
  }
  const auto stoodIn = static_cast<char16_t>(unit - CYGWIN_STAND_IN_BASE);
  return stoodIn != 0 && IsCygwinStoodIn(stoodIn) ? stoodIn : unit;
}
