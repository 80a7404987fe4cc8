// wsprintfW as the engine uses it. On Windows this is the system's own, so the
// same table checks the POSIX formatter against Windows' behaviour.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

// Formats into a fresh buffer, checking that the result counts what was written.
template <typename... Args>
std::u16string Format(const char16_t* format, Args... arguments) {
  char16_t buffer[1024];
  const int written = wsprintfW(buffer, format, arguments...);
  const std::u16string text(buffer);
  EXPECT_EQ(static_cast<int>(text.size()), written);
  return text;
}

TEST(WsprintfW, ConversionsTheEngineUses) {
  struct Case {
    std::u16string formatted;
    std::u16string expected;
  };
  const Case cases[] = {
      {Format(u"%u files", 4000000000u), u"4000000000 files"},
      {Format(u"%d|%i", -42, 7), u"-42|7"},
      {Format(u"-%03u", 7u), u"-007"},
      {Format(u"[%5d][%-5d][%05d]", 42, 42, -42), u"[   42][42   ][-0042]"},
      {Format(u"%x %X", 255u, 255u), u"ff FF"},
      {Format(u"<%s> <%-4s> <%.2s>", u"ab", u"ab", u"abc"), u"<ab> <ab  > <ab>"},
      {Format(u"%c%c", u'\u00E9', u'!'), u"\u00E9!"},
      {Format(u"100%%"), u"100%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, c.formatted) << std::string(c.expected.begin(), c.expected.end());
  }
}

// A cut text keeps 1023 characters and the terminator; the result, 1024, is
// one more than any text that fits.
TEST(WsprintfW, OutputStopsAt1024CharactersWithItsTerminator) {
  static char16_t buffer[4096];
  const std::u16string longText(3000, u'x');
  const int written = wsprintfW(buffer, u"%s", longText.c_str());
  EXPECT_EQ(1024, written);
  EXPECT_EQ(std::u16string(1023, u'x'), std::u16string(buffer));
}

}  // namespace
