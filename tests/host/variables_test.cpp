#include <gtest/gtest.h>

#include <string>

#include "host/shell_state.h"
#include "core/host_services.h"
#include "tests/support/environment.h"

namespace {

using testing_support::ScopedEnvironmentVariable;

struct ExpansionCase {
  const char16_t* input;
  const char16_t* expected;  // null: the expansion fails and the text stays as it was
};

// Expands input in a buffer of the size every caller passes.
std::u16string Expand(const std::u16string& input, int* result) {
  std::u16string buffer(MAX_ARG_LEN, u'\0');
  buffer.replace(0, input.size(), input);
  *result = ExpandVariables(buffer.data(), 1);
  return std::u16string(buffer.c_str());
}

void ExpectExpansions(std::initializer_list<ExpansionCase> cases) {
  for (const ExpansionCase& row : cases) {
    int result = -99;
    const std::u16string expanded = Expand(row.input, &result);
    const std::u16string expected = row.expected != nullptr ? row.expected : row.input;
    EXPECT_EQ(expanded, expected) << "input index " << (&row - cases.begin());
    if (row.expected != nullptr) {
      EXPECT_EQ(result, 0) << "input index " << (&row - cases.begin());
    } else {
      EXPECT_NE(result, 0) << "input index " << (&row - cases.begin());
    }
  }
}

TEST(ExpandVariables, ShellStateOutsideAnyBatchFile) {
  SetBatchState(0, nullptr, 0);
  SetShellState(0, 0);
  ExpectExpansions({
      {u"%_batch", u"0"},
      {u"%_BATCH", u"0"},
      {u"%[_batch]", u"0"},
      {u"[%_batchname]", u"[]"},
      {u"%_batchline", u"0"},
      {u"%[_transient]%[_pipe]", u"00"},
      {u"%_transient.%_pipe", u"0.0"},
  });
}

TEST(ExpandVariables, BatchStateIsReportedWithoutReadingItsText) {
  // A '%' in the batch file's path is part of the value and is not expanded again.
  SetBatchState(2, u"/scripts/100%_batch %s.btm", 17);
  ExpectExpansions({
      {u"%_batch", u"2"},
      {u"%_batchname [%_batchline]  ", u"/scripts/100%_batch %s.btm [17]  "},
  });
  SetBatchState(0, u"ignored", 5);
  ExpectExpansions({{u"%_batch|%_batchname|%_batchline", u"0||0"}});
}

TEST(ExpandVariables, ShellFlags) {
  SetShellState(1, 0);
  ExpectExpansions({{u"%[_transient]%[_pipe]", u"10"}});
  SetShellState(0, 7);
  ExpectExpansions({{u"%[_transient]%[_pipe]", u"01"}});
  SetShellState(0, 0);
}

TEST(ExpandVariables, EnvironmentVariables) {
  ScopedEnvironmentVariable set("PURIFILE_TEST_VALUE", "abc");
  ScopedEnvironmentVariable percent("PURIFILE_TEST_PERCENT", "%_batch");
  ScopedEnvironmentVariable unset("PURIFILE_TEST_UNSET", std::nullopt);
  ExpectExpansions({
      {u"%[PURIFILE_TEST_VALUE]", u"abc"},
      {u"<%PURIFILE_TEST_VALUE.>", u"<abc.>"},
      {u"%[PURIFILE_TEST_UNSET]", u""},
      {u"x%[PURIFILE_TEST_UNSET]y", u"xy"},
      {u"%[PURIFILE_TEST_PERCENT]", u"%_batch"},
      {u"%[PURIFILE_TEST_VALUE", nullptr},
  });
}

TEST(ExpandVariables, TextThatIsNoReferenceStaysAsItIs) {
  ExpectExpansions({
      {u"", u""},
      {u"plain text", u"plain text"},
      {u"100%", u"100%"},
      {u"50% off", u"50% off"},
      {u"%1 and %%", u"%1 and %%"},
      {u"\u00e9\U0001F600", u"\u00e9\U0001F600"},
  });
}

TEST(ExpandVariables, CommaGroupsDigitsByThousands) {
  ScopedEnvironmentVariable number("PURIFILE_TEST_NUMBER", "9876543");
  ExpectExpansions({
      {u"%@comma[0]", u"0"},
      {u"%@comma[7]", u"7"},
      {u"%@comma[12]", u"12"},
      {u"%@comma[999]", u"999"},
      {u"%@comma[1000]", u"1,000"},
      {u"%@comma[12345]", u"12,345"},
      {u"%@comma[100000]", u"100,000"},
      {u"%@comma[1000000]", u"1,000,000"},
      {u"%@comma[4294967295]", u"4,294,967,295"},
      {u"%@comma[0001234]", u"0,001,234"},
      {u"%@COMMA[1234]", u"1,234"},
      {u"(%@comma[1234]) (%@comma[5678])", u"(1,234) (5,678)"},
      {u"%@comma[%[PURIFILE_TEST_NUMBER]]", u"9,876,543"},
      {u"%@comma[%@comma[1234]]", nullptr},
      {u"%@comma[12a]", nullptr},
      {u"%@comma[ 12]", nullptr},
      {u"%@comma[-5]", nullptr},
      {u"%@comma[1.5]", nullptr},
      {u"%@comma[]", nullptr},
      {u"%@comma[1234", nullptr},
      {u"%@comma", nullptr},
      {u"%@upper[abc]", nullptr},
  });
}

TEST(ExpandVariables, ResultMustFitTheBuffer) {
  const std::string longest(MAX_ARG_LEN - 1, 'v');
  {
    ScopedEnvironmentVariable value("PURIFILE_TEST_LONG", longest);
    int result = -99;
    EXPECT_EQ(Expand(u"%[PURIFILE_TEST_LONG]", &result).size(), static_cast<std::size_t>(MAX_ARG_LEN - 1));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Expand(u"x%[PURIFILE_TEST_LONG]", &result), u"x%[PURIFILE_TEST_LONG]");
    EXPECT_NE(result, 0);
  }
  // 16000 digits fit the buffer as a request but not once grouped.
  const std::u16string request = u"%@comma[" + std::u16string(16000, u'9') + u"]";
  int result = -99;
  EXPECT_EQ(Expand(request, &result), request);
  EXPECT_NE(result, 0);
}

TEST(ExpandVariables, NoBuffer) { EXPECT_NE(ExpandVariables(nullptr, 1), 0); }

}  // namespace
