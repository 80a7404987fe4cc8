#include "command/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/command/case_name.h"

namespace {

std::vector<std::u16string> StoredArguments() {
  std::vector<std::u16string> arguments;
  for (std::int32_t j = 0; j < argumentTable.count; ++j) {
    arguments.emplace_back(argumentTable.starts[j], static_cast<std::size_t>(argumentTable.lengths[j]));
  }
  return arguments;
}

struct SplitCase {
  const char* name;
  std::u16string tail;
  std::vector<std::u16string> expected;
};

class SplitCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCases, StoresTheExpectedArguments) {
  const SplitCase& c = GetParam();
  const std::int32_t result = SplitArguments(c.tail.c_str());
  EXPECT_EQ(result, static_cast<std::int32_t>(c.expected.size()));
  EXPECT_EQ(StoredArguments(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Splitter, SplitCases,
    ::testing::Values(
        SplitCase{"EmptyTail", u"", {}},
        SplitCase{"OnlyWhitespace", u" \t\r\n\u00A0 ", {}},
        SplitCase{"OptionsRunTogether", u"/s/d *.txt", {u"/S", u"/D", u"*.TXT"}},
        SplitCase{"QuotedBlankKept", u"\"my file.txt\"", {u"MY FILE.TXT"}},
        SplitCase{"QuotesGroupButDoNotSeparate", u"a\"b c\"d", {u"AB CD"}},
        SplitCase{"EmptyQuotesYieldNothing", u"\"\"", {}},
        SplitCase{"QuotedBlankIsEmptyArgument", u"\" \"", {u""}},
        SplitCase{"LeadingBlanksKeptTrailingTrimmed", u"\"  x  \"", {u"  X"}},
        SplitCase{"ListThenOption", u"/q:a/b", {u"/Q:A", u"/B"}},
        SplitCase{"QuotedSolidusStaysInList", u"/q:\"a/b\"", {u"/Q:A/B"}},
        SplitCase{"SingleSolidusAfterColonSplits", u"/q:/x", {u"/Q:", u"/X"}},
        SplitCase{"GuardAfterLetterColonSolidi", u"/q://x", {u"/Q://X"}},
        SplitCase{"GuardHoldsToEndOfArgument", u"/r:ab://c/d", {u"/R:AB://C/D"}},
        SplitCase{"DigitBeforeColonSetsNoGuard", u"/1://a/b", {u"/1:", u"//A", u"/B"}},
        SplitCase{"GuardSetInsideQuotesHoldsAfter", u"/q:\"a://b\"/c", {u"/Q:A://B/C"}},
        SplitCase{"GuardClearedByNextArgument", u"/q://x /a/b", {u"/Q://X", u"/A", u"/B"}},
        SplitCase{"SecondSolidusNeedsTwoCharacters", u"/a//b", {u"/A", u"//B"}},
        SplitCase{"PathNotStartingWithSolidus", u"c:/dir/*.txt", {u"C:/DIR/*.TXT"}},
        SplitCase{"TabCarriageReturnLineFeedNbspSeparate", u"a\tb\rc\nd\u00A0e", {u"A", u"B", u"C", u"D", u"E"}},
        SplitCase{"QuotedTabStoredUnlessTrailing", u"\"a\tb\t\"", {u"A\tB"}},
        SplitCase{"NelAndSeparatorControlsAreNotWhitespace", u"a\u0085b\u001Cc", {u"A\u0085B\u001CC"}},
        SplitCase{"OnlyAsciiLettersUpperCased", u"\u00E9\u00DFz", {u"\u00E9\u00DFZ"}},
        SplitCase{"UnclosedQuoteNeedsNoClosing", u"\"a b", {u"A B"}},
        SplitCase{"CommaEqualsBracketStored", u"a,b=c]d", {u"A,B=C]D"}},
        SplitCase{"IdeographicSpaceSeparates", u"a\u3000b", {u"A", u"B"}}),
    CaseName());

TEST(Splitter, NullTailLeavesTheTableUntouched) {
  ASSERT_EQ(SplitArguments(u"one two"), 2);
  EXPECT_EQ(SplitArguments(nullptr), -1);
  EXPECT_EQ(argumentTable.count, 2);
  EXPECT_EQ(StoredArguments(), (std::vector<std::u16string>{u"ONE", u"TWO"}));
}

TEST(Splitter, ResetClearsEntriesOfTheEarlierCommand) {
  SplitArguments(u"a b c d");
  ASSERT_EQ(SplitArguments(u"x"), 1);
  for (std::int32_t j = 1; j < MAX_ARGUMENTS; ++j) {
    EXPECT_EQ(argumentTable.starts[j], nullptr) << j;
    EXPECT_EQ(argumentTable.lengths[j], 0) << j;
  }
}

TEST(Splitter, ArgumentsLieBackToBackInThePool) {
  ASSERT_EQ(SplitArguments(u"ab  \"c d\" e"), 3);
  EXPECT_EQ(argumentTable.starts[0], &argumentTable.pool[0]);
  EXPECT_EQ(argumentTable.starts[1], &argumentTable.pool[3]);
  EXPECT_EQ(argumentTable.starts[2], &argumentTable.pool[7]);
  EXPECT_EQ(argumentTable.pool[2], 0);
  EXPECT_EQ(argumentTable.pool[6], 0);
  EXPECT_EQ(argumentTable.pool[8], 0);
}

TEST(Splitter, KeepsTheFirst1024Arguments) {
  std::u16string tail;
  for (int i = 0; i < 1030; ++i) {
    tail += static_cast<char16_t>(u'a' + i % 26);
    tail += u' ';
  }
  EXPECT_EQ(SplitArguments(tail.c_str()), 1024);
  EXPECT_EQ(argumentTable.count, 1024);
  EXPECT_EQ(std::u16string(argumentTable.starts[1023]), std::u16string(1, static_cast<char16_t>(u'A' + 1023 % 26)));
}

struct LimitCase {
  const char* name;
  std::u16string tail;
  std::int32_t result;
  const char* message;  // expected on standard error, or empty
};

class PoolLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(PoolLimits, OverflowIsReportedAndEmptiesTheTable) {
  const LimitCase& c = GetParam();
  ::testing::internal::CaptureStderr();
  const std::int32_t result = SplitArguments(c.tail.c_str());
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, c.result);
  if (c.message[0] == 0) {
    EXPECT_EQ(error, "");
    EXPECT_EQ(argumentTable.count, c.result);
  } else {
    EXPECT_EQ(argumentTable.count, 0);
    EXPECT_NE(error.find("Purifile plugin: "), std::string::npos) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Splitter, PoolLimits,
    ::testing::Values(
        LimitCase{"LongestSingleArgument", std::u16string(16383, u'x'), 1, ""},
        LimitCase{"OneCharacterTooMany", std::u16string(16384, u'x'), -1,
                  "Buffer overflow: b = 16383, MAX_ARG_LEN = 16384 "},
        LimitCase{"TerminatorCountsTowardsThePool", std::u16string(16382, u'x') + u" y", -1,
                  "Buffer overflow: b = 16383, MAX_ARG_LEN = 16384 "},
        LimitCase{"PoolFullAfterATerminator", std::u16string(16383, u'x') + u" y", -1,
                  "Buffer overflow: b = 16384, MAX_ARG_LEN = 16384 "},
        LimitCase{"TrailingBlanksDoNotOverflow", std::u16string(16383, u'x') + u"    ", 1, ""},
        LimitCase{"PoolCheckComesBeforeTheCountLimit",
                  [] {
                    std::u16string tail;
                    for (int i = 0; i < 1024; ++i) tail += u"abcdefghijklmno ";
                    return tail + u"z";
                  }(),
                  -1, "Buffer overflow: b = 16384, MAX_ARG_LEN = 16384 "}),
    CaseName());

}  // namespace
