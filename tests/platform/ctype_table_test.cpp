// The generated character-type table: its shape, and the classes the name
// cleaner depends on most.
#include <gtest/gtest.h>

#include "platform/ctype_table.h"
#include "platform/win32.h"

namespace {

TEST(CharTypeTable, RunsCoverTheBmpInOrder) {
  ASSERT_GT(kCharTypeRunCount, 1000u);  // a table cut short would still look sorted
  EXPECT_EQ(0, kCharTypeRuns[0].first);
  for (std::size_t i = 1; i < kCharTypeRunCount; ++i) {
    ASSERT_LT(kCharTypeRuns[i - 1].first, kCharTypeRuns[i].first) << i;
    ASSERT_NE(kCharTypeRuns[i - 1].type, kCharTypeRuns[i].type) << i;  // runs are merged
  }
}

TEST(CharTypeTable, ClassesOfCharactersTheCleanerMeets) {
  struct Case {
    char16_t unit;
    WORD type;
  };
  const Case cases[] = {
      {u'A', C1_UPPER | C1_XDIGIT | C1_ALPHA | C1_DEFINED},
      {u'g', C1_LOWER | C1_ALPHA | C1_DEFINED},
      {u'7', C1_DIGIT | C1_XDIGIT | C1_DEFINED},
      {u'\t', C1_SPACE | C1_CNTRL | C1_BLANK | C1_DEFINED},
      {0x0100, C1_UPPER | C1_ALPHA | C1_DEFINED},             // A with macron
      {0x01C5, C1_UPPER | C1_LOWER | C1_ALPHA | C1_DEFINED},  // title case Dz
      {0x0660, C1_DIGIT | C1_DEFINED},                        // Arabic-Indic zero
      {0xFF21, C1_UPPER | C1_XDIGIT | C1_ALPHA | C1_DEFINED},  // fullwidth A
      {0x2013, C1_PUNCT | C1_DEFINED},                        // en dash
      {0x20AC, C1_DEFINED},                                   // euro sign: a symbol, not punctuation
      {0x2003, C1_SPACE | C1_DEFINED},                        // em space
      {0x3000, C1_SPACE | C1_BLANK | C1_DEFINED},             // ideographic space
      {0x200B, C1_CNTRL | C1_DEFINED},                        // zero width space (a format control)
      {0x4E00, C1_ALPHA | C1_DEFINED},                        // CJK ideograph
      {0xD800, C1_DEFINED},                                   // surrogates: defined, in no class
      {0xDFFF, C1_DEFINED},
      {0xE000, C1_DEFINED},                                   // private use
      {0x0378, 0},                                            // unassigned
      {0xFFFF, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.type, CharType1(c.unit)) << std::hex << static_cast<unsigned>(c.unit);
  }
}

// Beyond U+FFFF: the edges of assigned blocks, the gaps between them, and the
// private-use planes, which count as unassigned.
TEST(CharTypeTable, AssignedCodePointsBeyondTheBmp) {
  ASSERT_GT(kAssignedBeyondBmpCount, 300u);
  for (std::size_t i = 1; i < kAssignedBeyondBmpCount; ++i) {
    ASSERT_LT(kAssignedBeyondBmp[i - 1].last + 1, kAssignedBeyondBmp[i].first) << i;  // apart, so merged
  }
  const std::pair<char32_t, bool> cases[] = {
      {0x10000, true},   {0x1000C, false}, {0x1F600, true},  {0x1CB20, false},  // U+1CB20: no character yet
      {0x20000, true},   {0x2A6DF, true},  {0x2A6E0, false}, {0xE0001, true},   // CJK extension B, a tag
      {0xF0000, false},  {0x10FFFD, false},                                      // private use
  };
  for (const auto& [code, assigned] : cases) {
    EXPECT_EQ(IsAssignedBeyondBmp(code), assigned) << std::hex << static_cast<unsigned>(code);
  }
}

}  // namespace

namespace {

// GetStringTypeW itself (the system's on Windows, the table's elsewhere): a
// length of -1 covers the terminator too; only CT_CTYPE1 is asked for.
TEST(GetStringTypeW, TypesOfAStringUpToItsTerminator) {
  WORD types[4] = {};
  ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, u"a\u3000", -1, types));
  EXPECT_EQ(CharType1(u'a'), types[0]);
  EXPECT_EQ(C1_SPACE | C1_BLANK | C1_DEFINED, types[1]);
  EXPECT_EQ(C1_CNTRL | C1_DEFINED, types[2]);
  EXPECT_EQ(0, types[3]);
  ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, u"7x", 1, types));
  EXPECT_EQ(C1_DIGIT | C1_XDIGIT | C1_DEFINED, types[0]);
}

}  // namespace
