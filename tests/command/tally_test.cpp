#include <gtest/gtest.h>

#include <string>

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
