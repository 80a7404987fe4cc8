#include "cleaner/packed_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct PackCase {
  std::u16string text;
  std::size_t bytes;  // packed, the terminator included
};

TEST(PackedText, EveryKindOfCodeUnitComesBackAsItWas) {
  const PackCase cases[] = {
      {u"", 1},
      {u"report_000123.txt", 18},                  // ASCII: a byte a character
      {u"\u007F\u0080\u07FF\u0800", 1 + 2 + 2 + 3 + 1},  // the edges of each length
      {u"caf\u00E9 \u2500\u25BA", 3 + 2 + 1 + 3 + 3 + 1},
      {u"\U0001F600", 3 + 3 + 1},                  // a pair: two plain code units
      {std::u16string{u'a', static_cast<char16_t>(0xDC00), u'b', static_cast<char16_t>(0xD800)}, 1 + 3 + 1 + 3 + 1},
      {u"\uFFFF\uFFFE", 3 + 3 + 1},
  };
  for (const PackCase& c : cases) {
    const std::string label = testing::PrintToString(c.text);
    std::vector<unsigned char> packed(c.text.size() * 3 + 1, 0xAA);
    const std::size_t written = PackText(c.text.c_str(), packed.data());
    EXPECT_EQ(written, c.bytes) << label;
    std::size_t sum = 1;
    for (char16_t unit : c.text) sum += PackedUnitBytes(unit);
    EXPECT_EQ(sum, c.bytes) << label;
    for (std::size_t i = 0; i + 1 < written; ++i) {
      EXPECT_NE(packed[i], 0) << label << ": only the terminator is a zero byte";
    }
    std::vector<char16_t> back(c.text.size() + 1, u'#');
    EXPECT_EQ(UnpackText(packed.data(), back.data()), c.bytes) << label;
    EXPECT_EQ(std::u16string(back.data()), c.text) << label;
  }
}

TEST(PackedText, NamesFollowOneAnotherAndUnpackInTurn) {
  std::vector<unsigned char> packed(64);
  std::size_t used = PackText(u"a\u00E9", packed.data());
  used += PackText(u"\u4E2D", packed.data() + used);
  char16_t text[8];
  const std::size_t first = UnpackText(packed.data(), text);
  EXPECT_EQ(std::u16string(text), u"a\u00E9");
  EXPECT_EQ(UnpackText(packed.data() + first, text), used - first);
  EXPECT_EQ(std::u16string(text), u"\u4E2D");
}

}  // namespace
