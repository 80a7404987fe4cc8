// How the Windows console is shown the characters of names that would act on it.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_text.h"

namespace {

TEST(TerminalText, WindowsShowsControlsInAngleBrackets) {
  struct Case {
    std::u16string text;
    std::u16string shown;
  };
  const Case cases[] = {
      {u"C:\\dir\\plain name.txt", u"C:\\dir\\plain name.txt"},
      {u"C:\\a\x1B[31mb", u"C:\\a<U+001B>[31mb"},
      {u"cr\r\nlf\t", u"cr<U+000D><U+000A>lf<U+0009>"},
      {u"del\x7F", u"del<U+007F>"},
      {u"c1\u0080\u009B\u009F", u"c1<U+0080><U+009B><U+009F>"},
      {u" ~\u00A0\u00E9\u203A", u" ~\u00A0\u00E9\u203A"},
      {u"\U0001F600", u"\U0001F600"},
      {std::u16string(1, char16_t{0xDC9B}), std::u16string(1, char16_t{0xDC9B})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalForm(c.text.data(), c.text.size()), c.shown)
        << std::string(c.shown.begin(), c.shown.end());
  }
}

}  // namespace
