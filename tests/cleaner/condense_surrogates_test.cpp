#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/condense.h"
#include "cleaner/surrogates.h"
#include "core/host_services.h"

namespace {

std::vector<char16_t> NameBuffer(const std::u16string& name) {
  std::vector<char16_t> buffer(MAX_ARG_LEN, 0);
  name.copy(buffer.data(), MAX_ARG_LEN - 1);
  return buffer;
}

TEST(CondenseRuns, Cases) {
  constexpr OptionFlags B = OPT_CONDENSE_BLANKS;
  constexpr OptionFlags P = OPT_CONDENSE_PUNCT;
  struct Case {
    const char16_t* name;
    OptionFlags options;
    const char16_t* result;
    std::int32_t changes;
  };
  const Case cases[] = {
      {u"a  b", B, u"a b", 1},
      {u"a   b", B, u"a b", 2},
      {u"\u3000 x", B, u" x", 2},  // a run of mixed whitespace becomes one plain space
      {u"\u3000x", B, u"\u3000x", 0},  // a lone whitespace character stays as it is
      {u"a\t\tb", B, u"a b", 2},
      {u"a__b", P, u"a_b", 1},
      {u"a...b", P, u"a.b", 2},
      {u"a-_-b", P, u"a-_-b", 0},
      {u"a  b", P, u"a  b", 0},
      {u"a__b", B, u"a__b", 0},
      {u"a_ _b", B | P, u"a_ _b", 0},
      {u"x  ..  y", B | P, u"x . y", 3},
      {u"a\u2014\u2014b", P, u"a\u2014b", 1},  // punctuation beyond Latin-1 too
      {u"a  __b", 0, u"a  __b", 0},
      {u"", B | P, u"", 0},
  };
  for (const Case& c : cases) {
    std::vector<char16_t> buffer = NameBuffer(c.name);
    EXPECT_EQ(CondenseRuns(buffer.data(), c.options), c.changes) << testing::PrintToString(std::u16string(c.name));
    EXPECT_EQ(std::u16string(buffer.data()), c.result);
  }
  EXPECT_EQ(CondenseRuns(nullptr, B | P), CONDENSE_NO_BUFFER);
}

// One underscore per surrogate pair (high then low) and per lone surrogate.
std::u16string ReferenceReplacement(const std::u16string& name, std::int32_t* count) {
  std::u16string result;
  *count = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool high = name[i] >= 0xD800 && name[i] <= 0xDBFF;
    const bool low = name[i] >= 0xDC00 && name[i] <= 0xDFFF;
    if (!high && !low) {
      result += name[i];
      continue;
    }
    result += u'_';
    ++*count;
    if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      ++i;
    }
  }
  return result;
}

TEST(ReplaceSurrogates, EverySequenceOfUpToFourUnits) {
  const char16_t alphabet[] = {u'a', 0xD83D, 0xDE00};  // plain, high, low
  std::int32_t sequences = 0;
  for (int length = 0; length <= 4; ++length) {
    int combinations = 1;
    for (int k = 0; k < length; ++k) combinations *= 3;
    for (int index = 0; index < combinations; ++index) {
      std::u16string name;
      for (int k = 0, rest = index; k < length; ++k, rest /= 3) name += alphabet[rest % 3];
      std::int32_t expectedCount = 0;
      const std::u16string expected = ReferenceReplacement(name, &expectedCount);
      std::vector<char16_t> buffer = NameBuffer(name);
      ASSERT_EQ(ReplaceSurrogates(buffer.data()), expectedCount) << testing::PrintToString(name);
      ASSERT_EQ(std::u16string(buffer.data()), expected) << testing::PrintToString(name);
      ++sequences;
    }
  }
  EXPECT_EQ(sequences, 1 + 3 + 9 + 27 + 81);
}

TEST(ReplaceSurrogates, NameTooLongIsLeftUnchanged) {
  // The longest name a buffer holds is rewritten.
  std::vector<char16_t> longest(MAX_ARG_LEN, u'x');
  longest[MAX_ARG_LEN - 2] = 0xDC00;
  longest[MAX_ARG_LEN - 1] = 0;
  EXPECT_EQ(ReplaceSurrogates(longest.data()), 1);
  EXPECT_EQ(longest[MAX_ARG_LEN - 2], u'_');

  // 16384 code units without a terminator inside MAX_ARG_LEN: no result fits.
  std::vector<char16_t> buffer(MAX_ARG_LEN + 1, u'x');
  buffer[0] = 0xD800;
  buffer[MAX_ARG_LEN] = 0;
  const std::vector<char16_t> before = buffer;
  EXPECT_EQ(ReplaceSurrogates(buffer.data()), SURROGATES_TOO_LONG);
  EXPECT_EQ(buffer, before);
}

}  // namespace
