// How a POSIX terminal is shown the characters of names that would act on it.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_text.h"
#include "platform/win32.h"

namespace {

TEST(TerminalText, PosixShowsControlsFormatCharactersAndUndecodedBytesEscaped) {
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
      // Invisible and bidirectional format characters would hide or reorder
      // what is shown; the joiners and variation selectors stay.
      {u"report\u202Efdp.exe", u"report\\u202Efdp.exe"},
      {u"\u00AD\u061C\u200B\u200E\u200F\u202A\u202D\u2060\u2064\u2066\u2069\uFEFF",
       u"\\u00AD\\u061C\\u200B\\u200E\\u200F\\u202A\\u202D\\u2060\\u2064\\u2066\\u2069\\uFEFF"},
      {u"\u200C\u200D\u2065\u2070\u202F\u00AC\u00AE\u263A\uFE0F",
       u"\u200C\u200D\u2065\u2070\u202F\u00AC\u00AE\u263A\uFE0F"},
      // A character outside the basic plane is one character, whatever its low
      // half: U+1F480 ends in U+DC80, which alone would stand for the byte 0x80.
      {u"\U0001F600", u"\U0001F600"},
      {u"\U0001F480\U0001F4A9\U0001F440", u"\U0001F480\U0001F4A9\U0001F440"},
      // Any other lone surrogate is escaped, so what reaches the terminal is UTF-8.
      {std::u16string(1, char16_t{0xDC00}), u"\\uDC00"},
      {std::u16string(1, char16_t{0xDFFF}), u"\\uDFFF"},
      {std::u16string{char16_t{0xD83D}, u'x'}, u"\\uD83Dx"},
      {std::u16string{char16_t{0xD83D}, char16_t{0xD83D}, char16_t{0xDC80}}, u"\\uD83D\U0001F480"},
      {std::u16string{static_cast<char16_t>(UNDECODED_BYTE_BASE + 0x80), char16_t{0xD83D}}, u"\\x80\\uD83D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalForm(c.text.data(), c.text.size()), c.shown)
        << std::string(c.shown.begin(), c.shown.end());
  }
}

}  // namespace
