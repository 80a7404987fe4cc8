// How a POSIX terminal is shown the characters of names that would act on it.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_text.h"
#include "platform/win32.h"

namespace {

TEST(TerminalText, PosixShowsControlsAndUndecodedBytesEscaped) {
  struct Case {
    std::u16string text;
    std::u16string shown;
  };
  const Case cases[] = {
      {u"plain name.txt", u"plain name.txt"},
      {u"a\x1B[31mb", u"a\\x1B[31mb"},
      {u"nul\x01\x1F", u"nul\\x01\\x1F"},
      {u"cr\r\nlf\t", u"cr\\x0D\\x0Alf\\x09"},
      {u"del\x7F", u"del\\x7F"},
      {u"c1\u0080\u009B\u009F", u"c1\\u0080\\u009B\\u009F"},
      // The first characters past the controls are shown as they are.
      {u" ~\u00A0\u00E9\u203A", u" ~\u00A0\u00E9\u203A"},
      // A backslash is doubled, so that no name reads like an escape.
      {u"a\\x1B", u"a\\\\x1B"},
      // Bytes that are not UTF-8 are shown as the bytes they are.
      {std::u16string(1, static_cast<char16_t>(UNDECODED_BYTE_BASE + 0x9B)), u"\\x9B"},
      {std::u16string(1, static_cast<char16_t>(UNDECODED_BYTE_BASE + 0xE9)), u"\\xE9"},
      // A character outside the basic plane and a lone surrogate are no controls.
      {u"\U0001F600", u"\U0001F600"},
      {std::u16string(1, char16_t{0xDC00}), std::u16string(1, char16_t{0xDC00})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalForm(c.text.data(), c.text.size()), c.shown)
        << std::string(c.shown.begin(), c.shown.end());
  }
}

}  // namespace
