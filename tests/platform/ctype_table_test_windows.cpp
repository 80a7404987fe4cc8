// The generated character-type table against Windows' own GetStringTypeW, for
// every one of the 65,536 UTF-16 code units, on the bits the engine tests.
//
// Under Wine 8.0 (whose tables come from Unicode 15.0, like the generated one)
// the two agree on every code unit, on these bits and on C1_CNTRL, C1_BLANK
// and C1_DEFINED too. Windows releases built on older Unicode data differ in
// one way only: code units assigned after their Unicode version are undefined
// there (no bits at all) and classified here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/ctype_table.h"
#include "platform/win32.h"

namespace {

TEST(CharTypeTable, AgreesWithWindowsOverTheWholeBmp) {
  static wchar_t units[0x10000];
  static WORD windowsTypes[0x10000];
  for (unsigned unit = 0; unit < 0x10000; ++unit) units[unit] = static_cast<wchar_t>(unit);
  ASSERT_TRUE(::GetStringTypeW(CT_CTYPE1, units, 0x10000, windowsTypes));

  const WORD compared = C1_SPACE | C1_PUNCT | C1_DIGIT | C1_XDIGIT | C1_ALPHA | C1_UPPER | C1_LOWER;
  unsigned differences = 0;
  std::string report;
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    const WORD ours = CharType1(static_cast<char16_t>(unit));
    if (((ours ^ windowsTypes[unit]) & compared) == 0) continue;
    if (++differences <= 20) {
      char line[64];
      std::snprintf(line, sizeof line, "U+%04X table %03X Windows %03X\n", unit, ours, windowsTypes[unit]);
      report += line;
    }
  }
  EXPECT_EQ(0u, differences) << report;
}

}  // namespace
