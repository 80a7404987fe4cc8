// Names in the journal's lines come back exactly: as text where they are
// text, else in their exact record (bytes on POSIX, UTF-16 units on Windows).
#include "command/json_lines.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

struct NameCase {
  const char* what;
  std::u16string name;
  const char* posixForm;    // how the line holds the name on POSIX
  const char* windowsForm;  // and on Windows
};

// The exact record of a name: its bytes on POSIX, its units on Windows.
std::string Record(const std::u16string& name) {
  std::string bytes;
  AppendUtf8(&bytes, name.data(), name.size());
  return FILE_NAMES_ARE_BYTES ? bytes : std::string(reinterpret_cast<const char*>(name.data()), 2 * name.size());
}

TEST(JsonLines, NamesComeBackExactly) {
  const NameCase cases[] = {
      {"plain", u"a b.txt", "{\"text\":\"a b.txt\"}", "{\"text\":\"a b.txt\"}"},
      {"escapes", u"q\"u\\o\n\t\x01\x7F", "{\"text\":\"q\\\"u\\\\o\\n\\t\\u0001\x7F\"}",
       "{\"text\":\"q\\\"u\\\\o\\n\\t\\u0001\x7F\"}"},
      {"beyond ASCII", u"\u00E9\U0001F480", "{\"text\":\"\xC3\xA9\xF0\x9F\x92\x80\"}",
       "{\"text\":\"\xC3\xA9\xF0\x9F\x92\x80\"}"},
      // POSIX: the byte 0xFF; Windows: a lone low surrogate.
      {"byte 0xFF", u"a\xDCFF", "{\"bytes\":\"Yf8=\"}", "{\"utf16le\":\"YQD/3A==\"}"},
      {"lone high surrogate", u"\xD800", "{\"bytes\":\"7aCA\"}", "{\"utf16le\":\"ANg=\"}"},
      // POSIX: bytes read one by one that are UTF-8 together are text.
      {"bytes that are text", u"\xDCC3\xDCA9", "{\"text\":\"\xC3\xA9\"}", "{\"utf16le\":\"w9yp3A==\"}"},
  };
  for (const NameCase& c : cases) {
    RunEvent event{};
    event.kind = EVENT_PREVIEWED;
    event.directory = u"/d/";
    event.name = c.name.c_str();
    event.newName = u"n";
    std::string line;
    ASSERT_TRUE(AppendEventLine(&line, event, 0, true));
    const std::string form = FILE_NAMES_ARE_BYTES ? c.posixForm : c.windowsForm;
    EXPECT_NE(line.find(",\"old\":" + form + ","), std::string::npos) << c.what << ": " << line;
    JournalLine read;
    ASSERT_EQ(ParseJournalLine(line.data(), line.size() - 1, &read), 0) << c.what << ": " << line;
    EXPECT_EQ(read.type, "previewed");
    EXPECT_TRUE(read.hasOld);
    EXPECT_EQ(Record(read.oldName), Record(c.name)) << c.what;
  }
}

}  // namespace
