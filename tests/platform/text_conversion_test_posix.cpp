// The layer's text functions. UTF-8 <-> UTF-16 with escaped bytes: every byte
// string must come back unchanged, and valid text must convert as UTF-8 says.
// Upper-casing (LCMapStringEx): every code unit as the Unicode data says.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"

namespace {

std::u16string Decode(const std::string& bytes) {
  std::u16string text(DecodeUtf8(bytes.data(), bytes.size(), nullptr, 0), u'\0');
  EXPECT_EQ(text.size(), DecodeUtf8(bytes.data(), bytes.size(), text.data(), text.size()));
  return text;
}

std::string Encode(const std::u16string& text) {
  std::string bytes(EncodeUtf8(text.data(), text.size(), nullptr, 0), '\0');
  EXPECT_EQ(bytes.size(), EncodeUtf8(text.data(), text.size(), bytes.data(), bytes.size()));
  return bytes;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char byte : bytes) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
    out += ' ';
  }
  return out;
}

TEST(Utf8Conversion, KnownDecodings) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"plain.txt", u"plain.txt"},
      {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
      {"\xE2\x80\x93", u"\u2013"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      // Bytes outside valid UTF-8 travel one by one as U+DC80..U+DCFF.
      {"a\x80z", u"a\xDC80z"},
      {"\xFF\xFE", u"\xDCFF\xDCFE"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                  // overlong '/'
      {"\xE0\x80\xAF", u"\xDCE0\xDC80\xDCAF"},        // overlong, three bytes
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},        // encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
      {"\xE2\x82", u"\xDCE2\xDC82"},                  // cut short at the end
      {"\xE2(x", u"\xDCE2(x"},                        // cut short by an ASCII byte
      {"\xC3\xC3\xA9", u"\xDCC3\u00E9"},              // a lead byte, then a good sequence
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, Decode(c.bytes)) << Hex(c.bytes);
    EXPECT_EQ(c.bytes, Encode(c.text)) << Hex(c.bytes);
  }
}

TEST(Utf8Conversion, LoneSurrogatesEncodeWithoutLoss) {
  EXPECT_EQ("\xED\xA0\x80", Encode(u"\xD800"));                 // lone high surrogate
  EXPECT_EQ("\xED\xB0\x80", Encode(u"\xDC00"));                 // low, below the escapes
  EXPECT_EQ("\xED\xBF\xBF", Encode(u"\xDFFF"));                 // low, above the escapes
  EXPECT_EQ("\xED\xA0\x80" "a", Encode(u"\xD800" u"a"));        // high not followed by a low
  EXPECT_EQ("\xED\xB0\x80\xED\xA0\x80", Encode(u"\xDC00\xD800"));  // reversed pair
}

// Every byte string of up to two bytes, and every string of up to four bytes
// drawn from the bytes where UTF-8's rules change, decodes and encodes back to
// itself; the text holds no surrogate except paired ones and the escapes.
TEST(Utf8Conversion, EveryShortByteStringRoundTrips) {
  auto check = [](const std::string& bytes) {
    const std::u16string text = Decode(bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t unit = text[i];
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        ASSERT_TRUE(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) << Hex(bytes);
        ++i;
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        ASSERT_TRUE(unit >= 0xDC80 && unit <= 0xDCFF) << Hex(bytes);
      }
    }
    ASSERT_EQ(bytes, Encode(text)) << Hex(bytes);
  };
  for (int first = 0; first < 256; ++first) {
    check(std::string(1, static_cast<char>(first)));
    for (int second = 0; second < 256; ++second) {
      check(std::string{static_cast<char>(first), static_cast<char>(second)});
    }
  }
  const std::vector<unsigned char> edges = {0x00, 0x2F, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                            0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF3, 0xF4,
                                            0xF5, 0xFF};
  std::string bytes(4, '\0');
  for (unsigned char a : edges) {
    for (unsigned char b : edges) {
      for (unsigned char c : edges) {
        bytes.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        check(bytes);
        for (unsigned char d : edges) {
          bytes.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)});
          check(bytes);
        }
      }
    }
  }
}

// Text made of characters (not lone surrogates) survives the trip through
// UTF-8 as well: every BMP unit that is not a surrogate, each escape, and
// pairs at the edges of the supplementary planes.
TEST(Utf8Conversion, EveryCharacterRoundTrips) {
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF && !(unit >= 0xDC80 && unit <= 0xDCFF)) continue;
    const std::u16string text(1, static_cast<char16_t>(unit));
    ASSERT_EQ(text, Decode(Encode(text))) << std::hex << static_cast<unsigned>(unit);
  }
  for (const char16_t* pair : {u"\xD800\xDC00", u"\xD800\xDFFF", u"\xDBFF\xDC00", u"\xDBFF\xDFFF", u"\xD83D\xDE00"}) {
    EXPECT_EQ(std::u16string(pair), Decode(Encode(pair)));
  }
}

TEST(Utf8Conversion, WindowsCallingConventions) {
  char16_t text[8] = {};
  // -1: up to and including the terminator.
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9x", -1, text, 8));
  EXPECT_EQ(std::u16string(u"\u00E9x"), std::u16string(text));
  // A size of 0 asks for the size needed; too small a buffer fails.
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "abc", 3, nullptr, 0));
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", 3, text, 2));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(0, MultiByteToWideChar(1252, 0, "abc", 3, text, 8));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

  char bytes[8] = {};
  EXPECT_EQ(5, WideCharToMultiByte(CP_UTF8, 0, u"\U0001F600", -1, bytes, 8, nullptr, nullptr));
  EXPECT_STREQ("\xF0\x9F\x98\x80", bytes);
  EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, u"\U0001F600", 2, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"\U0001F600", 2, bytes, 3, nullptr, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

// A short buffer gets the longest run of whole characters that fits, and not a
// byte more, whether the text is ASCII runs or longer sequences.
TEST(Utf8Conversion, ShortBufferGetsWholeCharactersOnly) {
  const std::u16string text = u"abc\u00E9de\U0001F600fgh\u20ACi";
  const std::string full = Encode(text);
  const std::vector<std::size_t> boundaries = {0, 1, 2, 3, 5, 6, 7, 11, 12, 13, 14, 17, 18};
  for (std::size_t capacity = 0; capacity <= full.size(); ++capacity) {
    std::string bytes(full.size() + 8, 'Z');
    EXPECT_EQ(full.size(), EncodeUtf8(text.data(), text.size(), bytes.data(), capacity)) << capacity;
    std::size_t whole = 0;
    for (const std::size_t boundary : boundaries) {
      if (boundary <= capacity) whole = boundary;
    }
    EXPECT_EQ(full.substr(0, whole), bytes.substr(0, whole)) << capacity;
    EXPECT_EQ(std::string(bytes.size() - whole, 'Z'), bytes.substr(whole)) << capacity;
  }
}

TEST(Utf8Conversion, PathTooLongForTheKernel) {
  std::u16string path(5000, u'a');
  char bytes[4096];
  EXPECT_FALSE(PathToBytes(path.c_str(), bytes, sizeof bytes));
  EXPECT_EQ(ERROR_FILENAME_EXCED_RANGE, GetLastError());
  path.resize(4095);
  EXPECT_TRUE(PathToBytes(path.c_str(), bytes, sizeof bytes));
  EXPECT_EQ(4095u, std::string(bytes).size());
}

// Every code unit of the Basic Multilingual Plane upper-cases to the simple
// mapping of the Unicode data the system ships (UnicodeData.txt, field 12),
// or stays when it has none there; surrogates stay.
TEST(LCMapStringEx, UpperCasesEveryUnitAsTheUnicodeDataSays) {
  std::ifstream data("/usr/share/unicode/UnicodeData.txt");
  if (!data) {
    GTEST_SKIP() << "no /usr/share/unicode/UnicodeData.txt (Debian's unicode-data)";
  }
  std::vector<char16_t> expected(0x10000);
  for (std::size_t unit = 0; unit < expected.size(); ++unit) expected[unit] = static_cast<char16_t>(unit);
  std::size_t mapped = 0;
  for (std::string line; std::getline(data, line);) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
    if (fields.size() < 13 || fields[12].empty()) continue;
    const unsigned long code = std::stoul(fields[0], nullptr, 16);
    const unsigned long upper = std::stoul(fields[12], nullptr, 16);
    if (code <= 0xFFFF && upper <= 0xFFFF) {
      expected[code] = static_cast<char16_t>(upper);
      ++mapped;
    }
  }
  ASSERT_GT(mapped, 1100u) << "the data was not read";
  std::vector<char16_t> units(0x10000);
  for (std::size_t unit = 0; unit < units.size(); ++unit) units[unit] = static_cast<char16_t>(unit);
  units[0] = u'x';  // a terminator would end nothing here, but keep the text plain
  std::vector<char16_t> upper(units.size());
  ASSERT_EQ(static_cast<int>(units.size()),
            LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units.data(), static_cast<int>(units.size()),
                          upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0));
  expected[0] = u'X';
  std::size_t wrong = 0;
  for (std::size_t unit = 0; unit < units.size(); ++unit) {
    if (upper[unit] != expected[unit] && ++wrong <= 10) {
      ADD_FAILURE() << std::hex << "U+" << unit << " became U+" << static_cast<unsigned>(upper[unit]) << ", not U+"
                    << static_cast<unsigned>(expected[unit]);
    }
  }
  EXPECT_EQ(wrong, 0u);
  // As Windows counts: -1 takes the terminator too; 0 asks for the length.
  char16_t text[4] = {};
  EXPECT_EQ(3, LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, u"\u00E9a", -1, text, 4, nullptr, nullptr, 0));
  EXPECT_EQ(std::u16string(text), u"\u00C9A");
  EXPECT_EQ(2, LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, u"ab", 2, nullptr, 0, nullptr, nullptr, 0));
  EXPECT_EQ(0, LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, u"abc", 3, text, 2, nullptr, nullptr, 0));
  EXPECT_EQ(0, LCMapStringEx(u"tr-TR", LCMAP_UPPERCASE, u"i", 1, text, 4, nullptr, nullptr, 0));
}

}  // namespace
