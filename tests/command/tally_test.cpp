#include <gtest/gtest.h>

#include <string>

#include "command/progress.h"
#include "command/tally.h"
#include "core/host_services.h"
#include "tests/support/capture.h"

namespace {

std::string TallyLine(RenameTally tally) {
  return testing_support::CaptureOutput([&] { PrintTally(tally); }).standardOutput;
}

TEST(PrintTally, PrintsFailedBeforeSkippedWithoutLineBreak) {
  // Memory order: found, fixed, skipped, failed.
  EXPECT_EQ(TallyLine({1, 2, 3, 4}), "Found 1, fixed 2, failed 4, skipped 3");
  EXPECT_EQ(TallyLine({0, 0, 0, 0}), "Found 0, fixed 0, failed 0, skipped 0");
}

TEST(PrintTally, NumbersAreUnsignedAndGrouped) {
  EXPECT_EQ(TallyLine({4294967295u, 1000000, 999, 1000}),
            "Found 4,294,967,295, fixed 1,000,000, failed 1,000, skipped 999");
}

struct GroupCase {
  std::u16string input;
  std::int32_t result;
  std::u16string expected;  // the buffer afterwards
};

TEST(GroupDigits, ResultsAndBuffer) {
  const std::u16string digits768(768, u'1');
  std::u16string grouped768 = u"111";
  while (grouped768.size() < 1023) {
    grouped768 += u",111";
  }
  const std::u16string digits769(769, u'1');
  const std::u16string tooLong(16375, u'2');
  const std::u16string longest(16374, u'3');
  const GroupCase cases[] = {
      {u"0", 0, u"0"},
      {u"123", 0, u"123"},
      {u"1234", 0, u"1,234"},
      {u"4294967295", 0, u"4,294,967,295"},
      // 768 digits group into exactly 1023 characters; one more digit is too many.
      {digits768, 0, grouped768},
      {digits769, 3, digits769},
      {u"12a", 2, u"12a"},
      {u"", 2, u""},
      {longest, 2, longest},  // the host cannot hold the grouped form
      {tooLong, 1, tooLong},
  };
  for (const GroupCase& row : cases) {
    std::u16string buffer(MAX_ARG_LEN, u'\0');
    buffer.replace(0, row.input.size(), row.input);
    EXPECT_EQ(GroupDigits(buffer.data()), row.result) << row.input.size();
    EXPECT_EQ(std::u16string(buffer.c_str()), row.expected) << row.input.size();
  }
  EXPECT_EQ(GroupDigits(nullptr), -1);
}

}  // namespace

// The status line of a long run, event by event: nothing in its first
// second, then at most one drawing each quarter of a second, erased before
// an event that may write a message, and a long directory cut from its start.
TEST(ProgressLine, DrawsLateSeldomAndOutOfTheWayOfMessages) {
  struct Step {
    RunEventKind kind;
    const char16_t* directory;
    std::uint32_t found;
    std::uint64_t at;
    std::u16string written;
  };
  const std::u16string deep = u"/srv/" + std::u16string(80, u'd') + u"/";
  const std::u16string cut = u"purifile: 7 listed, 2 renamed, 1 failed; ..." + std::u16string(31, u'd') + u"/";
  const Step steps[] = {
      {EVENT_RENAMED, u"/a/", 0, 100, u""},
      {EVENT_DIRECTORY_DONE, u"/a/", 5, 999, u""},
      {EVENT_RENAMED, u"/b/", 0, 1000, u"\rpurifile: 5 listed, 2 renamed, 0 failed; /b/"},
      {EVENT_RENAMING, u"/b/", 0, 1249, u""},
      {EVENT_RENAME_FAILED, u"/b/", 0, 1260, u"\r" + std::u16string(44, u' ') + u"\r"},
      {EVENT_DIRECTORY_DONE, u"/b/", 2, 1270, u"\rpurifile: 7 listed, 2 renamed, 1 failed; /b/"},
      {EVENT_RENAMING, deep.c_str(), 0, 1519, u""},
      {EVENT_RENAMING, deep.c_str(), 0, 1520, u"\r" + cut},
      {EVENT_RENAMING, u"/c/", 0, 1800,
       u"\rpurifile: 7 listed, 2 renamed, 1 failed; /c/" + std::u16string(32, u' ') +
           u"\rpurifile: 7 listed, 2 renamed, 1 failed; /c/"},
  };
  ProgressLine line(0, false);
  for (const Step& step : steps) {
    RunEvent event{};
    event.kind = step.kind;
    event.directory = step.directory;
    event.tally.found = step.found;
    EXPECT_EQ(line.Update(event, step.at), step.written) << "at " << step.at;
  }
  // A directory's control characters reach the terminal escaped, as its own.
  RunEvent hostile{};
  hostile.kind = EVENT_RENAMING;
  hostile.directory = u"/\x1B[2J\r/";
  const std::u16string drawn = line.Update(hostile, 2100);
  EXPECT_EQ(drawn.find(u'\x1B'), std::u16string::npos);
  EXPECT_EQ(drawn.rfind(u'\r'), 0u) << "one carriage return, the rewriting one";
  EXPECT_EQ(line.Erase(), u"\r" + std::u16string(drawn.size() - 1, u' ') + u"\r");
  EXPECT_EQ(line.Erase(), u"");
  EXPECT_EQ(cut.size(), PROGRESS_WIDTH);
}
