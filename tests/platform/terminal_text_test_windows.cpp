// How the Windows console is shown the characters of names that would act on it.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_text.h"

namespace {

TEST(TerminalText, WindowsShowsControlsAndFormatCharactersInAngleBrackets) {
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
      {u"report\u202Efdp.exe", u"report<U+202E>fdp.exe"},
      {u"\u00AD\u200B\u2066\uFEFF", u"<U+00AD><U+200B><U+2066><U+FEFF>"},
      {u"\u200C\u200D\uFE0F", u"\u200C\u200D\uFE0F"},
      {u"\U0001F600\U0001F480", u"\U0001F600\U0001F480"},
      // A lone surrogate is no character: the console would show it broken.
      {std::u16string(1, char16_t{0xDC9B}), u"<U+DC9B>"},
      {std::u16string(1, char16_t{0xDFFF}), u"<U+DFFF>"},
      {std::u16string{char16_t{0xD83D}, u'x'}, u"<U+D83D>x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalForm(c.text.data(), c.text.size()), c.shown)
        << std::string(c.shown.begin(), c.shown.end());
  }
}

}  // namespace
