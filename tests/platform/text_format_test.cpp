// What FormatText does with the format's own line ends and with argument text
// bound for a terminal.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "platform/terminal_text.h"
#include "platform/text_format.h"

namespace {

std::u16string Formatted(TextForm form, const char16_t* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  char16_t buffer[256];
  const std::size_t length = FormatText(buffer, sizeof buffer / sizeof buffer[0], format, arguments, form);
  va_end(arguments);
  EXPECT_LT(length, sizeof buffer / sizeof buffer[0]);
  return std::u16string(buffer, length);
}

std::u16string Shown(const std::u16string& text) { return TerminalForm(text.data(), text.size()); }

TEST(TextFormat, LineEndsOfTheFormatOnlyBecomeBareLineFeeds) {
  const TextForm bare{true, false};
  // The name's own carriage return and line feed are part of the name.
  EXPECT_EQ(Formatted(bare, u"\"%s\"\r\n\r\n", u"cr\r\nlf"), u"\"cr\r\nlf\"\n\n");
  // Only a carriage return right before a line feed is a line end.
  EXPECT_EQ(Formatted(bare, u"a\rb\n\r"), u"a\rb\n\r");
  EXPECT_EQ(Formatted(TextForm{}, u"%s\r\n", u"x\r\n"), u"x\r\n\r\n");
}

TEST(TextFormat, ArgumentTextIsEscapedForATerminal) {
  const TextForm terminal{false, true};
  const std::u16string name = u"a\x1B]0;t\x07";
  EXPECT_EQ(Formatted(terminal, u"\"%s\"\r\n", name.c_str()), u"\"" + Shown(name) + u"\"\r\n");
  EXPECT_EQ(Formatted(terminal, u"%c|%c", u'\x1B', u'x'), Shown(u"\x1B") + u"|x");
  // The precision counts the name's characters; the width counts what is shown.
  EXPECT_EQ(Formatted(terminal, u"%.2s|", name.c_str()), Shown(u"a\x1B") + u"|");
  const std::u16string escape = Shown(u"\x1B");
  EXPECT_EQ(Formatted(terminal, u"%*s|", static_cast<int>(escape.size() + 2), u"\x1B"), u"  " + escape + u"|");
  // A character outside the basic plane is one character; a lone surrogate is escaped.
  EXPECT_EQ(Formatted(terminal, u"%s|%c", u"\U0001F480", 0xDFFF), u"\U0001F480|" + Shown(u"\xDFFF"));
  EXPECT_NE(Shown(u"\xDFFF"), u"\xDFFF");
  // The format's own text is the program's, never escaped.
  EXPECT_EQ(Formatted(terminal, u"\x1B[0m%d", 5), u"\x1B[0m5");
  EXPECT_EQ(Formatted(TextForm{}, u"%s", name.c_str()), name);
}

}  // namespace
