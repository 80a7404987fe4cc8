#include "cleaner/char_classes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool InRange(unsigned ch, unsigned first, unsigned last) { return ch >= first && ch <= last; }

// The Latin-1 classes as the rules state them, range by range, to check the
// table cell by cell.
struct Latin1Reference {
  bool whitespace, punctuation, decimal, hex, letter;
};

Latin1Reference ReferenceClasses(unsigned ch) {
  Latin1Reference ref{};
  ref.whitespace = InRange(ch, 0x09, 0x0D) || ch == 0x20 || ch == 0xA0;
  ref.punctuation = InRange(ch, 0x21, 0x2F) || InRange(ch, 0x3A, 0x40) || InRange(ch, 0x5B, 0x60) ||
                    InRange(ch, 0x7B, 0x7E) || InRange(ch, 0xA1, 0xBF) || ch == 0xD7 || ch == 0xF7;
  ref.decimal = InRange(ch, '0', '9') || ch == 0xB2 || ch == 0xB3 || ch == 0xB9;
  ref.hex = InRange(ch, '0', '9') || InRange(ch, 'A', 'F') || InRange(ch, 'a', 'f');
  ref.letter = InRange(ch, 'A', 'Z') || InRange(ch, 'a', 'z') ||
               (InRange(ch, 0xC0, 0xFF) && ch != 0xD7 && ch != 0xF7);
  return ref;
}

TEST(CharClasses, Latin1TableFollowsTheRanges) {
  for (unsigned ch = 0; ch < 0x100; ++ch) {
    const Latin1Reference ref = ReferenceClasses(ch);
    const char16_t unit = static_cast<char16_t>(ch);
    EXPECT_EQ(IsWhitespace(unit), ref.whitespace) << std::hex << ch;
    EXPECT_EQ(IsPunctuation(unit), ref.punctuation) << std::hex << ch;
    EXPECT_EQ(IsDecimalDigit(unit), ref.decimal) << std::hex << ch;
    EXPECT_EQ(IsHexDigit(unit), ref.hex) << std::hex << ch;
    EXPECT_EQ(IsLetter(unit), ref.letter) << std::hex << ch;
  }
}

TEST(CharClasses, SystemClassesFromU0100On) {
  struct Case {
    char16_t ch;
    bool whitespace, punctuation, decimal, letter;
  };
  const Case cases[] = {
      {0x0100, false, false, false, true},  // A with macron
      {0x3000, true, false, false, false},  // ideographic space
      {0x2003, true, false, false, false},  // em space
      {0x2014, false, true, false, false},  // em dash
      {0x0660, false, false, true, false},  // Arabic-Indic digit zero
      {0x4E2D, false, false, false, true},  // a CJK ideograph
      {0xFFFF, false, false, false, false},  // in no class at all
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsWhitespace(c.ch), c.whitespace) << std::hex << unsigned{c.ch};
    EXPECT_EQ(IsPunctuation(c.ch), c.punctuation) << std::hex << unsigned{c.ch};
    EXPECT_EQ(IsDecimalDigit(c.ch), c.decimal) << std::hex << unsigned{c.ch};
    EXPECT_EQ(IsLetter(c.ch), c.letter) << std::hex << unsigned{c.ch};
  }
  EXPECT_FALSE(IsHexDigit(0xFFFF));
}

TEST(CharClasses, HexDigitValueKnowsOnlyAsciiDigits) {
  for (unsigned ch = 0; ch < 0x10000; ++ch) {
    std::int32_t expected = -1;
    if (InRange(ch, '0', '9')) expected = static_cast<std::int32_t>(ch - '0');
    if (InRange(ch, 'A', 'F')) expected = static_cast<std::int32_t>(ch - 'A' + 10);
    if (InRange(ch, 'a', 'f')) expected = static_cast<std::int32_t>(ch - 'a' + 10);
    ASSERT_EQ(HexDigitValue(static_cast<char16_t>(ch)), expected) << std::hex << ch;
  }
}

TEST(CharClasses, CaseFoldingTouchesAsciiLettersOnly) {
  for (unsigned ch = 0; ch < 0x10000; ++ch) {
    const unsigned expected = InRange(ch, 'a', 'z') ? ch - 0x20 : ch;
    ASSERT_EQ(ToUpperAscii(static_cast<char16_t>(ch)), expected) << std::hex << ch;
  }
  struct Case {
    const char16_t* left;
    const char16_t* right;
    int sign;
  };
  const Case cases[] = {
      {u"", u"", 0},
      {u"Readme.TXT", u"readme.txt", 0},
      {u"\u00E9", u"\u00C9", 1},  // e acute and E acute are different characters here
      {u"abc", u"abcd", -1},
      {u"abd", u"ABC", 1},
      {u"[", u"a", 1},  // '[' sorts after 'A', the folded 'a'
  };
  for (const Case& c : cases) {
    const std::int32_t result = CompareIgnoringAsciiCase(c.left, c.right);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << testing::PrintToString(std::u16string(c.left));
  }
}

// The code units left out of composing: every character they make up is
// NFC_QC=Yes with combining class 0 in the Unicode data the system ships
// (DerivedNormalizationProps.txt, UnicodeData.txt).
TEST(CharClasses, UnitsInertInCompositionAreSoInTheUnicodeData) {
  std::ifstream properties("/usr/share/unicode/DerivedNormalizationProps.txt");
  std::ifstream data("/usr/share/unicode/UnicodeData.txt");
  if (!properties || !data) {
    GTEST_SKIP() << "no Unicode data in /usr/share/unicode (Debian's unicode-data)";
  }
  std::vector<bool> changing(0x110000);  // NFC_QC No or Maybe, or a combining class
  std::size_t read = 0;
  for (std::string line; std::getline(properties, line);) {
    std::vector<std::string> fields;
    std::stringstream split(line.substr(0, line.find('#')));
    for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
    if (fields.size() < 3 || fields[1].find("NFC_QC") == std::string::npos) continue;
    const std::size_t dots = fields[0].find("..");
    const unsigned long first = std::stoul(fields[0], nullptr, 16);
    const unsigned long last = dots == std::string::npos ? first : std::stoul(fields[0].substr(dots + 2), nullptr, 16);
    for (unsigned long code = first; code <= last; ++code) changing[code] = true;
    read += last - first + 1;
  }
  for (std::string line; std::getline(data, line);) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
    if (fields.size() > 3 && fields[3] != "0") {
      changing[std::stoul(fields[0], nullptr, 16)] = true;
      ++read;
    }
  }
  ASSERT_GT(read, 2000u) << "the data was not read";
  std::size_t inert = 0;
  for (char32_t code = 0; code < 0x110000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    const bool inertUnits = code < 0x10000 ? IsInertInComposition(static_cast<char16_t>(code))
                                           : IsInertInComposition(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10))) &&
                                                 IsInertInComposition(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    if (inertUnits) {
      ++inert;
      EXPECT_FALSE(changing[code]) << std::hex << "U+" << static_cast<unsigned>(code);
    }
  }
  // Below U+0300, Greek to Armenian, punctuation and currency, CJK, Hangul, U+1F000..U+1FBFF.
  EXPECT_EQ(inert, 768u + 251u + 265u + 206u + 20992u + 11172u + 3072u);
}

}  // namespace
