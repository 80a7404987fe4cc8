#include "cleaner/translation.h"

#include <gtest/gtest.h>

#include "cleaner/private_use.h"

namespace {

// The rules as a list of ranges; every code unit not listed passes unchanged.
// CP1252 marks the C1 range, whose table entries are checked separately.
constexpr char16_t SAME = 0xFFFF;
constexpr char16_t CP1252 = 0xFFFE;
struct Rule {
  char16_t first, last, result;
};
constexpr Rule Rules[] = {
    {0x0000, 0x0000, 0x0000}, {0x0001, 0x001F, u'_'},  {u'"', u'"', u'\''},   {u'`', u'`', u'\''},
    {u'%', u'%', u'_'},       {u'*', u'*', u'_'},      {u'/', u'/', u'_'},    {u':', u':', u'_'},
    {u'<', u'<', u'_'},       {u'>', u'>', u'_'},      {u'?', u'?', u'_'},    {u'\\', u'\\', u'_'},
    {u'^', u'^', u'_'},       {u'|', u'|', u'_'},      {0x0080, 0x009F, CP1252},
    {0x00A0, 0x00A0, u' '},   {0x2000, 0x200A, u' '},  {0x205F, 0x205F, u' '},
    {0x200B, 0x200B, u'_'},   {0x202F, 0x202F, u'_'},  {0xFEFF, 0xFEFF, u'_'},
};

char16_t ExpectedRule(unsigned ch) {
  for (const Rule& rule : Rules) {
    if (ch >= rule.first && ch <= rule.last) {
      return rule.result;
    }
  }
  return SAME;
}

TEST(TranslateChar, EveryCodeUnitFollowsTheRules) {
  for (unsigned ch = 0; ch < 0x10000; ++ch) {
    const char16_t unit = static_cast<char16_t>(ch);
    const char16_t rule = ExpectedRule(ch);
    const char16_t result = TranslateChar(unit);
    if (rule == SAME) {
      ASSERT_EQ(result, unit) << std::hex << ch;
    } else if (rule == CP1252) {
      const char16_t entry = Cp1252Table[ch - 0x80];
      ASSERT_EQ(result, entry >= 0x80 && entry <= 0x9F ? u'_' : entry) << std::hex << ch;
      ASSERT_NE(result, 0) << std::hex << ch;
    } else {
      ASSERT_EQ(result, rule) << std::hex << ch;
    }
  }
}

TEST(TranslateChar, Windows1252Rows) {
  const char16_t defined[][2] = {
      {0x80, 0x20AC}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x91, 0x2018}, {0x92, 0x2019}, {0x93, 0x201C},
      {0x94, 0x201D}, {0x96, 0x2013}, {0x97, 0x2014}, {0x99, 0x2122}, {0x9F, 0x0178},
  };
  for (const auto& row : defined) {
    EXPECT_EQ(Cp1252Table[row[0] - 0x80], row[1]) << std::hex << unsigned{row[0]};
    EXPECT_EQ(TranslateChar(row[0]), row[1]) << std::hex << unsigned{row[0]};
  }
  // Exactly the five undefined bytes hold their own value.
  for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
    const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
    const char16_t entry = Cp1252Table[byte - 0x80];
    EXPECT_EQ(entry == byte, undefined) << std::hex << byte;
    EXPECT_EQ(entry >= 0x80 && entry <= 0x9F, undefined) << std::hex << byte;
  }
  // A mapped character is final: the right single quote does not become an apostrophe.
  EXPECT_EQ(TranslateChar(TranslateChar(0x92)), 0x2019);
}

// Every code unit is swept: the stand-ins are exactly U+F001..U+F029 and
// Cygwin's U+F000 + character for the characters it maps that the Mac table
// does not reach, and each stands for a character the cleaning replaces, or
// for a blank or a full stop, which it trims at the end.
TEST(ReadPrivateUseStandIn, ExactlyTheTwoSchemes) {
  unsigned standIns = 0;
  for (unsigned ch = 0; ch < 0x10000; ++ch) {
    const char16_t unit = static_cast<char16_t>(ch);
    const char16_t read = ReadPrivateUseStandIn(unit);
    if (read == unit) {
      continue;
    }
    ++standIns;
    ASSERT_TRUE(ch >= 0xF001 && ch <= 0xF07F) << std::hex << ch;
    const bool mac = ch <= 0xF029;
    ASSERT_EQ(read, mac ? MacStandInTable[ch - 0xF001] : ch - 0xF000) << std::hex << ch;
    ASSERT_TRUE(TranslateChar(read) != read || read == u' ' || read == u'.') << std::hex << ch;
  }
  // 41 of the Mac table, 31 controls Cygwin shares with it, then " * : < > ? |
  // of which U+F022 is the Mac colon.
  EXPECT_EQ(MAC_STAND_IN_COUNT, 41u);
  EXPECT_EQ(CYGWIN_STAND_IN_COUNT, 38u);
  EXPECT_EQ(standIns, 41u + 6u);
  EXPECT_EQ(ReadPrivateUseStandIn(0xF022), u':');
  EXPECT_EQ(ReadPrivateUseStandIn(0xF03A), u':');
  EXPECT_EQ(ReadPrivateUseStandIn(0xF05C), 0xF05C);  // Cygwin reads a backslash as a separator
}

}  // namespace
