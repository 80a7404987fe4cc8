#include <gtest/gtest.h>

#include <string>

#include "host/host_output.h"
#include "core/host_services.h"
#include "tests/support/capture.h"

namespace {

using testing_support::CaptureOutput;

// The line break the host writes for "\r\n" on this platform.
std::string LineEnd() { return unixLineEnds ? "\n" : "\r\n"; }

TEST(HostOutput, PrintfFormatsUtf8OnStandardOutput) {
  const auto captured = CaptureOutput([] {
    Printf(u"%s has %u files, %d left%%\r\n", u"Caf\u00e9 \u2500\u25ba", 42u, -7);
  });
  EXPECT_EQ(captured.standardOutput, "Caf\xC3\xA9 \xE2\x94\x80\xE2\x96\xBA has 42 files, -7 left%" + LineEnd());
  EXPECT_EQ(captured.standardError, "");
}

TEST(HostOutput, QprintfWritesOnTheHandleGiven) {
  const auto captured = CaptureOutput([] {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%c%s\r\n", u'x', u"!");
    Printf(u"out");
  });
  EXPECT_EQ(captured.standardError, "x!" + LineEnd());
  EXPECT_EQ(captured.standardOutput, "out");
}

TEST(HostOutput, ArgumentTextIsWrittenExactly) {
  // A file name may hold a carriage return and a line feed, and a script
  // reading the output must get the name's own bytes back.
  const auto captured = CaptureOutput([] {
    Printf(u"\"%s\"\r\n", u"cr\r\nlf\x1B[0m");
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%s:\r\n", u"x\r\n");
  });
  EXPECT_EQ(captured.standardOutput, "\"cr\r\nlf\x1B[0m\"" + LineEnd());
  EXPECT_EQ(captured.standardError, "x\r\n:" + LineEnd());
}

TEST(HostOutput, QPutsAndCrLfWriteTextAsPassed) {
  const auto captured = CaptureOutput([] {
    QPuts(u"100% %s %d");
    CrLf();
    QPuts(u"a\r\nb\rc\n\r");
  });
  // Only a carriage return right before a line feed is a line end.
  const std::string lone = "b\rc\n\r";
  EXPECT_EQ(captured.standardOutput, "100% %s %d" + LineEnd() + "a" + LineEnd() + lone);
}

TEST(HostOutput, CharactersOutsideTheBasicPlaneStayWhole) {
  const auto captured = CaptureOutput([] { QPuts(u"\U0001F600"); });
  EXPECT_EQ(captured.standardOutput, "\xF0\x9F\x98\x80");
}

TEST(HostOutput, LongTextsAreWrittenCompletely) {
  // Long enough for several write chunks and the formatter's second pass, with
  // a surrogate pair and a line break placed across chunk boundaries.
  std::u16string text;
  for (int i = 0; i < 5000; ++i) {
    text.push_back(static_cast<char16_t>(u'a' + i % 26));
  }
  text.replace(1023, 2, u"\U0001F600");
  text.replace(2047, 2, u"\r\n");
  const std::string exact = testing_support::ToUtf8(text);
  std::string programText = exact;
  if (unixLineEnds) {
    programText.erase(programText.find('\r'), 1);
  }
  for (const bool formatted : {true, false}) {
    const auto captured = CaptureOutput([&] {
      if (formatted) {
        Printf(u"%s", text.c_str());
      } else {
        QPuts(text.c_str());
      }
    });
    // An argument is written exactly; QPuts's text is the program's own.
    const std::string& expected = formatted ? exact : programText;
    EXPECT_TRUE(captured.standardOutput == expected) << (formatted ? "Printf" : "QPuts");
  }
}

TEST(HostOutput, SprintfFillsAtMost1024Characters) {
  char16_t buffer[1100];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(Sprintf(buffer, u"Error %d (%s)", -5, u"x"), 12);
  EXPECT_EQ(std::u16string(buffer), u"Error -5 (x)");

  std::fill(std::begin(buffer), std::end(buffer), u'#');
  const std::u16string longText(2000, u'z');
  EXPECT_EQ(Sprintf(buffer, u"%s", longText.c_str()), 1023);
  EXPECT_EQ(std::u16string(buffer), longText.substr(0, 1023));
  EXPECT_EQ(buffer[1024], u'#');
}

}  // namespace
