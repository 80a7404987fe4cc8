#include "cleaner/new_name.h"

#include "cleaner/name_reasons.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/preview_names.h"
#include "cleaner/twin_names.h"
#include "cleaner/windows_names.h"
#include "tests/cleaner/fitted_names.h"
#include "core/host_services.h"
#include "tests/support/temp_dir.h"

namespace {

struct Case {
  const char16_t* oldName;
  OptionFlags options;
  std::vector<std::u16string> existing;  // entries made in the directory first
  std::int32_t result;
  const char16_t* newName;  // expected when the result is NEW_NAME_READY
  const char16_t* qList = nullptr;
  const char16_t* rList = nullptr;
};

// Builds the new name of c.oldName in a fresh directory holding c.existing.
void Check(const Case& c) {
  testing_support::TempDir directory;
  for (const std::u16string& name : c.existing) {
    std::ofstream(directory.path() / std::filesystem::path(name)).put('x');
  }
  std::vector<char16_t> newName(MAX_ARG_LEN, u'#');
  const std::int32_t result =
      BuildNewName(directory.engine_path().c_str(), c.oldName, newName.data(), c.options, c.qList, c.rList);
  const std::string label = testing::PrintToString(std::u16string(c.oldName));
  EXPECT_EQ(result, c.result) << label;
  if (c.result == NEW_NAME_READY || c.result == NEW_NAME_DEVICE) {
    EXPECT_EQ(std::u16string(newName.data()), c.newName) << label;
  } else {
    EXPECT_EQ(newName[0], u'#') << label << ": the buffer must not be written";
  }

  // The walk decides "nothing to do" from the cleaning alone, without a probe:
  // it must agree with the builder, and a name free in an empty directory is
  // the cleaned name itself.
  std::vector<char16_t> cleaned(MAX_ARG_LEN, u'#');
  const std::int32_t length = CleanName(c.oldName, cleaned.data(), c.options, c.qList, c.rList);
  ASSERT_GE(length, 0) << label;
  EXPECT_EQ(std::u16string(cleaned.data()).size(), static_cast<std::size_t>(length)) << label;
  EXPECT_EQ(NeedsNoChange(c.oldName, cleaned.data(), c.options), c.result == NEW_NAME_UNCHANGED) << label;
  if (c.result == NEW_NAME_READY && c.existing.empty() && !IsDeviceName(cleaned.data(), length) &&
      (c.options & OPT_WINDOWS_NAMES) == 0) {
    EXPECT_EQ(std::u16string(cleaned.data()), c.newName) << label;
  }

  // A check explains every change it reports, and reports none the real run
  // would not make.
  if (c.result == NEW_NAME_READY || c.result == NEW_NAME_UNCHANGED) {
    const std::vector<NameReason> reasons =
        ExplainName(directory.engine_path().c_str(), c.oldName, c.options, c.qList, c.rList, nullptr);
    EXPECT_EQ(reasons.empty(), c.result == NEW_NAME_UNCHANGED) << label;
    for (const NameReason& reason : reasons) {
      EXPECT_NE(reason.rule, RULE_CLEANED) << label << ": a change no rule explains";
    }
  }
}

constexpr std::int32_t READY = NEW_NAME_READY;
constexpr std::int32_t SAME = NEW_NAME_UNCHANGED;

TEST(BuildNewName, PerCharacterSteps) {
  const Case cases[] = {
      {u"a%20b.txt", 0, {}, READY, u"a b.txt"},
      {u"a%20b.txt", OPT_BLANKS, {}, READY, u"a_b.txt"},
      {u"100%.txt", 0, {}, READY, u"100_.txt"},
      {u"50%4", 0, {}, READY, u"50_4"},
      {u"x=4", OPT_EQUALS_HEX, {}, SAME, nullptr},
      {u"%41%62c", 0, {}, READY, u"Abc"},
      {u"%C3%A9", 0, {}, READY, u"\u00C3\u00A9"},
      {u"%80", 0, {}, READY, u"\u20AC"},
      {u"%3Cb%3E", 0, {}, READY, u"_b_"},
      {u"%2541", 0, {}, READY, u"_41"},  // a decoded '%' starts no pair
      {u"a%00b", 0, {}, READY, u"ab"},
      {u"%41", OPT_NO_PERCENT, {}, READY, u"_41"},
      {u"%\uFF21\uFF22", 0, {}, READY, u"_\uFF21\uFF22"},  // full-width digits have no value
      {u"a=3Db", OPT_EQUALS_HEX, {}, READY, u"a=b"},
      {u"a=3Db", 0, {}, SAME, nullptr},
      {u"&#37;41", OPT_ENTITIES, {}, READY, u"A"},  // entities first, then pairs
      {u"&lt;x&gt;", OPT_ENTITIES, {}, READY, u"_x_"},
      {u"a&amp;b", OPT_ENTITIES | OPT_AMPERSANDS, {}, READY, u"a_b"},
      {u"&lt", OPT_ENTITIES, {}, SAME, nullptr},  // no ';': not decoded at all
      {u"&#x1F600;", OPT_ENTITIES | OPT_HIGH_UNICODE, {}, READY, u"_"},
      {u"a\U0001F600b\xD800", OPT_HIGH_UNICODE, {}, READY, u"a_b_"},
      {u"a\U0001F600b", 0, {}, SAME, nullptr},
      {u"it's", OPT_QUOTES, {}, READY, u"it_s"},
      {u"it%27s", OPT_QUOTES, {}, READY, u"it_s"},
      {u"it's", 0, {}, SAME, nullptr},
      {u"a\"b`c", 0, {}, READY, u"a'b'c"},
      {u"a&b(1)", OPT_AMPERSANDS | OPT_PARENTHESES, {}, READY, u"a_b_1_"},
      {u"a&b(1)", 0, {}, SAME, nullptr},
      {u"\u0093quoted\u0094\u0081", 0, {}, READY, u"\u201Cquoted\u201D_"},
      {u"tab\there", OPT_BLANKS, {}, READY, u"tab_here"},
      {u"a\u3000b", OPT_BLANKS, {}, READY, u"a_b"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(BuildNewName, UserLists) {
  const Case cases[] = {
      {u"cab", 0, {}, READY, u"cX", u"AB", u"X"},
      {u"CAB", 0, {}, READY, u"CX", u"AB", u"X"},
      {u"cab", 0, {}, SAME, nullptr, u"ab", u"X"},  // the list is searched as passed
      {u"cab", OPT_LISTS_AS_TYPED, {}, READY, u"cx", u"ab", u"x"},  // the POSIX program's lists
      {u"CAB", OPT_LISTS_AS_TYPED, {}, SAME, nullptr, u"ab", u"x"},
      {u"banana", 0, {}, READY, u"bnn", u"A", nullptr},
      {u"x", 0, {}, READY, u"_", u"X", u"?"},  // replacements pass the translation
      {u"it's", OPT_QUOTES, {}, READY, u"it_s", u"'", u"X"},  // quotes go before the lists
      {u"it's", OPT_QUOTES, {}, READY, u"itXs", u"_", u"X"},
      {u"x%41", 0, {}, READY, u"xB", u"A", u"B"},  // decoded characters meet the lists
      {u"a", 0, {}, SAME, nullptr, u"A", u"A"},     // only the ASCII case changed
      {u"\u00E9", 0, {}, READY, u"\u00C9", u"\u00E9", u"\u00C9"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(BuildNewName, CondensingTrimmingAndDefaults) {
  const Case cases[] = {
      {u"a  b", OPT_BLANKS | OPT_CONDENSE_PUNCT, {}, READY, u"a_b"},
      {u"a  b", OPT_CONDENSE_BLANKS, {}, READY, u"a b"},
      {u"a \u3000", OPT_CONDENSE_BLANKS, {}, READY, u"a"},  // condensed, then trimmed
      {u"a \u3000", 0, {}, SAME, nullptr},
      {u"name. .", 0, {}, READY, u"name"},
      {u" .lead. ", 0, {}, READY, u" .lead"},
      {u"a%A0", 0, {}, READY, u"a"},
      {u"%00", 0, {}, READY, u"File"},
      {u"...", OPT_DIRECTORIES, {}, READY, u"Dir"},
      {u"file", 0, {}, SAME, nullptr},
      // Blanks at the end are trimmed before /B makes underscores of blanks.
      {u"end.txt ", OPT_BLANKS, {}, READY, u"end.txt"},
      {u"a b%20", OPT_BLANKS, {}, READY, u"a_b"},
      {u"name. \u00A0.", OPT_BLANKS, {}, READY, u"name"},
      {u"a  b  ", OPT_BLANKS | OPT_CONDENSE_PUNCT, {}, READY, u"a_b"},
      {u"a\t", OPT_BLANKS, {}, READY, u"a_"},  // only what trimming takes goes
      {u"  ", OPT_BLANKS, {}, READY, u"File"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(BuildNewName, UniqueSuffix) {
  const Case cases[] = {
      {u"a b.txt", OPT_BLANKS, {u"a_b.txt"}, READY, u"a_b-001.txt"},
      {u"a b.txt", OPT_BLANKS, {u"a_b.txt", u"a_b-001.txt"}, READY, u"a_b-002.txt"},
      {u"a b.txt", OPT_BLANKS | OPT_NO_SUFFIX, {u"a_b.txt"}, READY, u"a_b.txt"},
      {u"photo%2D007.jpg", 0, {u"photo-007.jpg"}, READY, u"photo-008.jpg"},
      {u"photo%2D12.jpg", 0, {u"photo-12.jpg"}, READY, u"photo-013.jpg"},
      {u"photo%2D9999.jpg", 0, {u"photo-9999.jpg"}, READY, u"photo-10000.jpg"},
      {u"photo%2D10000.jpg", 0, {u"photo-10000.jpg"}, READY, u"photo-001.jpg"},
      {u"photo%2D99999999999.jpg", 0, {u"photo-99999999999.jpg"}, READY, u"photo-001.jpg"},
      {u"%32021", 0, {u"2021"}, READY, u"2021-001"},
      {u"%2D5", 0, {u"-5"}, READY, u"-006"},
      {u"rev2%2E5", 0, {u"rev2.5"}, READY, u"rev2-001.5"},
      // A leading full stop starts no extension; the usual compound ones stay whole.
      {u"%2Eprofile", 0, {u".profile"}, READY, u".profile-001"},
      {u"%2Ehid%3F", 0, {u".hid_"}, READY, u".hid_-001"},
      {u"%2Ea.b", 0, {u".a.b"}, READY, u".a-001.b"},
      {u"%2Etar.gz", 0, {u".tar.gz"}, READY, u".tar-001.gz"},
      {u"x%3F.tar.gz", 0, {u"x_.tar.gz"}, READY, u"x_-001.tar.gz"},
      {u"x%3F.tar.xz", 0, {u"x_.tar.xz"}, READY, u"x_-001.tar.xz"},
      {u"x%3F.tar.bz2", 0, {u"x_.tar.bz2"}, READY, u"x_-001.tar.bz2"},
      {u"x%3F.TAR.ZST", 0, {u"x_.TAR.ZST"}, READY, u"x_-001.TAR.ZST"},
      {u"v1.0%3F.tar.gz", 0, {u"v1.0_.tar.gz"}, READY, u"v1.0_-001.tar.gz"},
      {u"x%2D007.tar.gz", 0, {u"x-007.tar.gz"}, READY, u"x-008.tar.gz"},
      {u"x%3F.tar", 0, {u"x_.tar"}, READY, u"x_-001.tar"},
      {u"x%3F.gz", 0, {u"x_.gz"}, READY, u"x_-001.gz"},
      {u"x%3F.star.gz", 0, {u"x_.star.gz"}, READY, u"x_.star-001.gz"},
      {u"x%2D\u00B2", 0, {u"x-\u00B2"}, READY, u"x-001"},  // a digit without an ASCII value
      {u"a b", OPT_BLANKS, {u"a_b", u"a_b-001"}, READY, u"a_b-002"},
  };
  for (const Case& c : cases) Check(c);
}

// Names of ASCII letters, digits, '-', '_', '.' and blanks are the common case,
// and CleanName may find quickly that they clean to themselves. Whatever way it
// takes, the result must be the one the steps give: the same name after a
// decoded pair, which the quick way never takes, cleans to the pair's letter
// and then the name's own result.
TEST(CleanName, PlainNamesCleanAsAfterAnyOtherCharacter) {
  const char16_t* const names[] = {u"report_000123.txt", u"Mixed-Case.TXT", u"a b", u"a  b", u"x--y__z..w",
                                   u"trail.", u"trail ", u"trail. .", u" lead", u"-", u"_1", u"a.b.c"};
  const OptionFlags optionWords[] = {0,
                                     OPT_BLANKS,
                                     OPT_QUOTES | OPT_AMPERSANDS | OPT_PARENTHESES,
                                     OPT_EQUALS_HEX | OPT_ENTITIES | OPT_HIGH_UNICODE,
                                     OPT_DIRECTORIES | OPT_NO_SUFFIX,
                                     OPT_CONDENSE_BLANKS,
                                     OPT_CONDENSE_PUNCT,
                                     OPT_BLANKS | OPT_CONDENSE_PUNCT};
  const char16_t* const lists[][2] = {{nullptr, nullptr}, {u"_", u"+"}, {u"B", nullptr}, {u" ", u"~"}};
  std::vector<char16_t> plain(MAX_ARG_LEN);
  std::vector<char16_t> prefixed(MAX_ARG_LEN);
  for (const char16_t* name : names) {
    for (const OptionFlags options : optionWords) {
      for (const auto& list : lists) {
        const std::u16string label = std::u16string(name) + u", /Q " + (list[0] != nullptr ? list[0] : u"none");
        ASSERT_GE(CleanName(name, plain.data(), options, list[0], list[1]), 0);
        ASSERT_GE(CleanName((u"%41" + std::u16string(name)).c_str(), prefixed.data(), options, list[0], list[1]), 0);
        EXPECT_EQ(std::u16string(prefixed.data()), u"A" + std::u16string(plain.data()))
            << testing::PrintToString(label) << " options 0x" << std::hex << options;
      }
    }
  }
}

// A name Windows takes for a device is never derived: it counts as taken.
// Under /W an existing device name is renamed too.
TEST(BuildNewName, DeviceNamesCountAsTaken) {
  constexpr std::int32_t DEVICE = NEW_NAME_DEVICE;
  const Case cases[] = {
      {u"CON%20", 0, {}, READY, u"CON-001"},
      {u"aux%2Etxt", 0, {}, READY, u"aux-001.txt"},
      {u"nul.", 0, {}, READY, u"nul-001"},
      {u"Com1%2Elog", 0, {}, READY, u"Com1-001.log"},
      {u"lpt%B9", 0, {}, READY, u"lpt\u00B9-001"},
      {u"CONOUT$%20", 0, {}, READY, u"CONOUT$-001"},
      {u"aux .txt%20", 0, {}, READY, u"aux -001.txt"},
      {u"Con.tar.gz%20", 0, {}, READY, u"Con-001.tar.gz"},  // split where the device name ends
      {u"CON%20", 0, {u"CON-001"}, READY, u"CON-002"},
      {u"prn-7%20", 0, {}, READY, u"prn-7"},  // not a device: the suffix is part of the name
      {u"CONSOLE%2Etxt", 0, {}, READY, u"CONSOLE.txt"},
      {u"COM10%20", 0, {}, READY, u"COM10"},
      {u"xCON%20", 0, {}, READY, u"xCON"},
      {u"CON%20", OPT_NO_SUFFIX, {}, DEVICE, u"CON"},
      {u"con", 0, {}, SAME, nullptr},  // an existing device name needs nothing without /W
      {u"con.txt", OPT_WINDOWS_NAMES, {}, READY, u"con-001.txt"},
      {u"NUL", OPT_WINDOWS_NAMES, {}, READY, u"NUL-001"},
      {u"nul", OPT_WINDOWS_NAMES | OPT_NO_SUFFIX, {}, DEVICE, u"nul"},
      {u"console", OPT_WINDOWS_NAMES, {}, SAME, nullptr},
  };
  for (const Case& c : cases) Check(c);
}

constexpr OptionFlags UTF8 = OPT_UTF8;

TEST(BuildNewName, Utf8PairsDecodeToTheirCharacters) {
  const Case cases[] = {
      {u"caf%C3%A9.txt", UTF8, {}, READY, u"caf\u00E9.txt"},
      {u"caf%c3%a9.txt", UTF8, {}, READY, u"caf\u00E9.txt"},
      {u"caf%C3%A9.txt", 0, {}, READY, u"caf\u00C3\u00A9.txt"},  // one code point a pair without /8
      {u"%E2%82%AC%E2%80%9C", UTF8, {}, READY, u"\u20AC\u201C"},
      {u"%F0%9F%98%80", UTF8, {}, READY, u"\U0001F600"},
      {u"%F0%9F%98%80", UTF8 | OPT_HIGH_UNICODE, {}, READY, u"_"},
      {u"%F4%8F%BF%BFx", UTF8, {}, READY, u"\U0010FFFFx"},
      // Not well-formed: each pair is one code point, translated as before.
      {u"%C0%AF", UTF8, {}, READY, u"\u00C0\u00AF"},          // overlong solidus
      {u"%E0%80%AF", UTF8, {}, READY, u"\u00E0\u20AC\u00AF"},  // overlong, three bytes
      {u"%ED%A0%80", UTF8, {}, READY, u"\u00ED \u20AC"},       // an encoded surrogate
      {u"%F4%90%80%80", UTF8, {}, READY, u"\u00F4_\u20AC\u20AC"},  // above U+10FFFF
      {u"a%C3%28b", UTF8, {}, READY, u"a\u00C3(b"},
      {u"%C3", UTF8, {}, READY, u"\u00C3"},                    // cut off at the end
      {u"%E2%82", UTF8, {}, READY, u"\u00E2\u201A"},
      {u"%A9%C3%A9", UTF8, {}, READY, u"\u00A9\u00E9"},         // a stray continuation first
      {u"%C3%A9%A9", UTF8, {}, READY, u"\u00E9\u00A9"},
      {u"%C3%A", UTF8, {}, READY, u"\u00C3_A"},                // the second is no pair
      {u"%25C3%A9", UTF8, {}, READY, u"_C3\u00A9"},             // a decoded '%' starts no pair
      {u"%C3%A9%C3%A9", UTF8 | OPT_NO_PERCENT, {}, READY, u"_C3_A9_C3_A9"},
      {u"=C3=A9", UTF8 | OPT_EQUALS_HEX, {}, READY, u"\u00E9"},
      {u"%C3=A9", UTF8 | OPT_EQUALS_HEX, {}, READY, u"\u00E9"},  // the markers may mix
      {u"=C3=A9", UTF8, {}, SAME, nullptr},
      {u"%C2%A0x%E2%80%AFy", UTF8 | OPT_BLANKS, {}, READY, u"_x_y"},  // decoded, then translated
      {u"%E2%80%99s", UTF8 | OPT_QUOTES, {}, READY, u"\u2019s"},
      {u"%22%C3%A9", UTF8 | OPT_QUOTES, {}, READY, u"_\u00E9"},
      {u"%C3%A9", UTF8, {}, READY, u"X", u"\u00E9", u"X"},       // the lists see the character
      {u"x%00%C3%A9", UTF8, {}, READY, u"x\u00E9"},
  };
  for (const Case& c : cases) Check(c);
}

// Read as text, a name loses its invisible and bidirectional format
// characters, its private-use stand-ins for the characters Windows forbids are
// read as those characters, and UTF-8 that was once read as Windows-1252,
// Latin-1 or CP437 is read as UTF-8 again. Without /8 none of this happens.
TEST(BuildNewName, Utf8NamesAreReadAsText) {
  const Case cases[] = {
      // Format characters, wherever they come from; the joiners and variation selectors stay.
      {u"report\u202Efdp.exe", UTF8, {}, READY, u"reportfdp.exe"},
      {u"report\u202Efdp.exe", 0, {}, SAME, nullptr},
      {u"a\u200Bb\uFEFFc", 0, {}, READY, u"a_b_c"},
      {u"a\u200Bb\uFEFFc", UTF8, {}, READY, u"abc"},
      {u"\u00ADa\u061Cb\u200Ec\u200Fd\u202Ae\u202Bf\u202Cg\u202Dh\u2060i\u2061j\u2062k\u2063l\u2064m\u2066n"
       u"\u2067o\u2068p\u2069q",
       UTF8, {}, READY, u"abcdefghijklmnopq"},
      {u"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645", UTF8, {}, SAME, nullptr},  // Persian with a non-joiner
      {u"\U0001F468\u200D\U0001F469 \u2764\uFE0F", UTF8, {}, SAME, nullptr},
      {u"a%E2%80%AEb&#x2066;c", UTF8 | OPT_ENTITIES, {}, READY, u"abc"},
      {u"\u202E\u200B", UTF8, {}, READY, u"File"},
      {u"\u200B", UTF8 | OPT_DIRECTORIES, {}, READY, u"Dir"},
      // What is dropped before a full stop leaves no hidden name; a full stop read so stays.
      {u"\u00AD.txt", UTF8 | OPT_WINDOWS_NAMES, {}, READY, u"File.txt"},
      {u"&#x200B;\u200B.txt", UTF8 | OPT_ENTITIES, {}, READY, u"File.txt"},
      {u"\uFEFF.config", UTF8 | OPT_DIRECTORIES, {}, READY, u"Dir.config"},
      {u"\u200B.txt", 0, {}, READY, u"_.txt"},
      {u"\uF029txt", UTF8, {}, READY, u".txt"},
      {u".\u200Bprofile", UTF8, {}, READY, u".profile"},
      {u"e\u00AD\u0301", UTF8, {}, READY, u"\u00E9"},  // composed once the hyphen is gone
      {u"a\u200Bb", UTF8, {}, READY, u"a-b", u"\u200B", u"-"},  // the lists come first
      // Private-use stand-ins: Mac clients' U+F001..U+F029, Cygwin's U+F000 + character.
      {u"a\uF022b", UTF8, {}, READY, u"a_b"},  // the Mac colon, not Cygwin's quotation mark
      {u"a\uF022b", 0, {}, SAME, nullptr},
      {u"a\uF03Ab\uF02Ac\uF03Fd\uF07Ce\uF03C\uF03E", UTF8, {}, READY, u"a_b_c_d_e__"},
      {u"\uF020q\uF020", UTF8, {}, READY, u"'q'"},
      {u"\uF020q\uF020", UTF8 | OPT_QUOTES, {}, READY, u"_q_"},
      {u"x\uF021\uF023\uF024\uF025\uF026\uF027\uF001\uF01F", UTF8, {}, READY, u"x________"},
      {u"a\uF029b\uF028\uF029", UTF8, {}, READY, u"a.b"},  // a full stop and a blank, trimmed at the end
      {u"\uF000\uF02B\uF02F\uF041\uF05C\uF080\uF0FF", UTF8, {}, SAME, nullptr},
      {u"a%EF%80%A2b", UTF8, {}, READY, u"a_b"},
      {u"a\uF022b", UTF8, {}, READY, u"a-b", u":", u"-"},
      // Mojibake: Windows-1252, Latin-1, CP437; in two rounds at most.
      {u"caf\u00C3\u00A9.txt", UTF8, {}, READY, u"caf\u00E9.txt"},
      {u"caf\u00C3\u00A9.txt", 0, {}, SAME, nullptr},
      {u"Za\u00C5\u00BC\u00C3\u00B3\u00C5\u201A\u00C4\u2021", UTF8, {}, READY, u"Za\u017C\u00F3\u0142\u0107"},
      {u"it\u00E2\u20AC\u2122s", UTF8, {}, READY, u"it\u2019s"},
      {u"it\u00E2\u0080\u0099s", UTF8, {}, READY, u"it\u2019s"},
      {u"\u00C3\u0091and\u00C3\u00BA", UTF8, {}, READY, u"\u00D1and\u00FA"},
      {u"\u00D0\u0153\u00D0\u00BE\u00D1\u0081\u00D0\u00BA\u00D0\u00B2\u00D0\u00B0", UTF8, {}, READY,
       u"\u041C\u043E\u0441\u043A\u0432\u0430"},
      {u"\u00E6\u2014\u00A5\u00E6\u0153\u00AC", UTF8, {}, READY, u"\u65E5\u672C"},
      {u"\u00F0\u0178\u02DC\u20AC", UTF8, {}, READY, u"\U0001F600"},
      {u"\u00F0\u0178\u02DC\u20AC", UTF8 | OPT_HIGH_UNICODE, {}, READY, u"_"},
      {u"caf\u251C\u2310", UTF8, {}, READY, u"caf\u00E9"},
      {u"Gr\u251C\u2562\u251C\u0192e", UTF8, {}, READY, u"Gr\u00F6\u00DFe"},
      {u"50\u00C2\u00B0C", UTF8, {}, READY, u"50\u00B0C"},
      {u"\u00C8\u02DCtefan", UTF8, {}, READY, u"\u0218tefan"},
      {u"caf\u00C3\u0192\u00C2\u00A9", UTF8, {}, READY, u"caf\u00E9"},
      {u"caf\u00C3\u0192\u00C6\u2019\u00C3\u201A\u00C2\u00A9", UTF8, {}, READY, u"caf\u00C3\u00A9"},
      {u"cafe\u00CC\u0081", UTF8, {}, READY, u"caf\u00E9"},  // a combining accent, then composed
      {u"caf%C3%83%C2%A9", UTF8, {}, READY, u"caf\u00E9"},  // decoded pairs are text too
      {u"caf%C3%83%C2%A9", 0, {}, READY, u"caf\u00C3\u0192\u00C2\u00A9"},
      {u"a\u00E2\u20AC\u00AEb", UTF8, {}, READY, u"ab"},  // a right-to-left override, dropped
      {u"a\u00EF\u20AC\u00A2b", UTF8, {}, READY, u"a_b"},  // the Mac colon
      {u"caf\u00C3\u00A9\uF022", UTF8, {}, READY, u"caf\u00E9_"},
      // A unit that a later step changes or drops does not spoil the sequences beside it.
      {u"\u00C3\u00A9\u00A0x.txt", UTF8, {}, READY, u"\u00E9 x.txt"},
      {u"a\u00C3\u00A9\u00ADb", UTF8, {}, READY, u"a\u00E9b"},
      {u"c\u00C3\u00A9\u0081d", UTF8, {}, READY, u"c\u00E9_d"},
      {u"\u00A0\u00C3\u00A9\u0081\u00AD", UTF8, {}, READY, u" \u00E9_"},
      {u"\u00C3\u0192\u00C2\u00A9\u00A0y", UTF8, {}, READY, u"\u00E9 y"},
      {u"\u00AB\u00A0\u00D3\u00A0\u00BB", UTF8, {}, READY, u"\u00AB \u00D3 \u00BB"},
      {u"caf\u251C\u2310\u00A0x", UTF8, {}, READY, u"caf\u00E9 x"},  // code page 437's no-break space begins none
      {u"\u00C3\u0192\u00A0", UTF8, {}, READY, u"\u00E0"},  // a twice-misread "à": its no-break space ends it
      // The guard beside a letter holds for the characters that touch it.
      {u"\u00CE\u0153\u00C3\u00A3s", UTF8, {}, READY, u"\u039C\u00E3s"},
      {u"\u00CE\u0153\u00C3\u00A3", UTF8, {}, READY, u"\u039C\u00E3"},
      {u"x\u00CE\u0153\u00C3\u00A3", UTF8, {}, SAME, nullptr},
      // What the repair refuses: controls, U+FFFD, two readings, a cut sequence.
      {u"a\u00C2\u2026b", UTF8, {}, SAME, nullptr},
      {u"a\u00EF\u00BF\u00BDb", UTF8, {}, SAME, nullptr},
      {u"\u00DF\u00A2\u00C7\u00B5\u00C7\u00A2", UTF8, {}, SAME, nullptr},
      {u"caf\u00C3\u00A9\u00C3", UTF8, {}, SAME, nullptr},
      // Nothing unassigned beyond the basic plane either: U+1CB20 is no character.
      {u"1\u00F0\u0153\u00AC\u00A02", UTF8, {}, READY, u"1\u00F0\u0153\u00AC 2"},
  };
  for (const Case& c : cases) Check(c);
}

// Real names that must come through /8 (and /W) as they are: Latin scripts
// with an A tilde, an A circumflex or an uppercase accent before punctuation,
// and names of other scripts and of correct UTF-8.
TEST(BuildNewName, Utf8RealNamesStayAsTheyAre) {
  const char16_t* const names[] = {
      u"S\u00C3O PAULO.txt", u"S\u00E3o Paulo.txt", u"\u00C3GUA", u"\u00C3gua", u"M\u00C3E", u"CORA\u00C7\u00C3O",
      u"A\u00C7\u00D5ES", u"N\u00C3O \u00C9 VERDADE", u"IRM\u00C3S", u"\u00C2mbar", u"\u00C2NCORA",
      u"P\u00C3O DE A\u00C7\u00DACAR", u"\u00C9l\u00E8ve", u"ch\u00E2teau", u"L\u2019\u00C9T\u00C9",
      u"\u00AB\u00C9T\u00C9\u00BB", u"JOS\u00C9\u2019S CAF\u00C9\u2026", u"No\u00EBl", u"C\u0152UR",
      u"\u00AB\u00C0 LA CARTE\u00BB", u"\u00AB\u00CALE\u00BB", u"Gr\u00F6\u00DFe", u"Stra\u00DFe",
      u"\u00C4RGER", u"\u00C4\u00D6\u00DC", u"Fu\u00DF\u00BB", u"\u00AB\u00D1AND\u00DA\u00BB",
      u"\u00ABACCI\u00D3\u00BB", u"\u00ABMEN\u00DC\u00BB", u"\u00ABAQU\u00CD\u00BB", u"\u00ABPERCH\u00C8\u00BB",
      u"PER\u00DA\u20132024", u"\u00C4rzte\u2013\u00D6konomie", u"\u00D8rsted", u"\u00DE\u00F3r",
      u"\u0391\u03B8\u03AE\u03BD\u03B1", u"\u041C\u043E\u0441\u043A\u0432\u0430",
      u"\u0423\u043A\u0440\u0430\u0457\u043D\u0430",
      u"\u6771\u4EAC", u"\u65E5\u672C\u8A9E\u306E\u30D5\u30A1\u30A4\u30EB", u"\uD30C\uC77C",
      u"\u05E2\u05D1\u05E8\u05D9\u05EA", u"\u0627\u0644\u0639\u0631\u0628\u064A\u0629",
      u"\u0939\u093F\u0928\u094D\u0926\u0940",
      u"caf\u00E9", u"na\u00EFve", u"\u00FCber", u"\u20AC100", u"\u201Cquoted\u201D",
      u"Za\u017C\u00F3\u0142\u0107 g\u0119\u015Bl\u0105 ja\u017A\u0144", u"\U0001F600 party",
      u"2\u00D7\u00BD cup", u"50\u00B0C", u"\u00A9 2024", u"\u00BD\u00BC", u"\u0130stanbul",
      u"\u0218tefan \u021Aepe\u0219", u"\u0110\u00C0 N\u1EB4NG", u"Vi\u1EC7t Nam",
      u"COS\u00CC\u2026.mp3", u"DIJO S\u00CD\u2026.txt", u"\u201CS\u00CD\u201D.txt", u"MART\u00CD\u2019S.doc",
      u"AQU\u00CD\u2014ALL\u00CD", u"DIJO \u201C\u00D3\u201D",
  };
  for (const char16_t* name : names) {
    Check({name, UTF8, {}, SAME, nullptr});
    Check({name, UTF8 | OPT_WINDOWS_NAMES, {}, SAME, nullptr});
  }
}

// Under /W every new name is fitted into one name's limit by shortening its
// stem; in ASCII the limits of both systems (255 UTF-16 units, 255 bytes) agree.
TEST(BuildNewName, WindowsNamesFitTheNameLimit) {
  const std::u16string longStem = u"x%20" + Repeat(u"a", 260) + u".txt";  // cleans to 266 characters
  const std::u16string fitted = u"x " + Repeat(u"a", 249) + u".txt";     // 255
  const std::u16string endsInBlank = Repeat(u"a", 254) + u" b%20";       // cleans to 256, no extension
  const std::u16string longExtension = u"%2E" + Repeat(u"e", 300);
  const std::u16string suffixed = u"x " + Repeat(u"a", 245) + u"-001.txt";  // 255
  const std::u16string blankDropped = Repeat(u"a", 254);
  const std::u16string extensionCut = u"." + Repeat(u"e", 254);
  // An extension too long to fit even alone is cut from its end after the
  // whole stem, which keeps the name's beginning: it becomes no hidden name.
  const std::u16string longSecondPart = u"ab%2E" + Repeat(u"e", 300);
  const std::u16string secondPartCut = u"ab." + Repeat(u"e", 252);
  const std::u16string secondPartSuffixed = u"ab-001." + Repeat(u"e", 248);
  // A device name is split at its first full stop; the suffixed candidate
  // keeps the device's name and cuts its extension, which then must not end in a dot.
  const std::u16string deviceWithLongExtension = u"CON." + Repeat(u"x", 249) + u"." + Repeat(u"y", 10);
  const std::u16string deviceExtensionCut = u"CON-001." + Repeat(u"x", 247);
  const Case cases[] = {
      {deviceWithLongExtension.c_str(), OPT_WINDOWS_NAMES, {}, READY, deviceExtensionCut.c_str()},
      {longSecondPart.c_str(), OPT_WINDOWS_NAMES, {}, READY, secondPartCut.c_str()},
      {longSecondPart.c_str(), OPT_WINDOWS_NAMES, {secondPartCut}, READY, secondPartSuffixed.c_str()},
      {longStem.c_str(), OPT_WINDOWS_NAMES, {}, READY, fitted.c_str()},
      {longStem.c_str(), OPT_WINDOWS_NAMES, {fitted}, READY, suffixed.c_str()},
      {endsInBlank.c_str(), OPT_WINDOWS_NAMES, {}, READY, blankDropped.c_str()},  // no trailing blank
      {longExtension.c_str(), OPT_WINDOWS_NAMES, {}, READY, extensionCut.c_str()},
      {u"short%20name.txt", OPT_WINDOWS_NAMES, {}, READY, u"short name.txt"},
  };
  for (const Case& c : cases) Check(c);
}

// What a check tells of a name: each rule, the character's position (1-based,
// a pair beyond the BMP counting one) and its code point; 0 for the name as a whole.
TEST(ExplainName, NamesTheRulePositionAndCharacter) {
  struct Expected {
    NameRule rule;
    std::uint32_t position;
    char32_t codePoint;
  };
  struct Row {
    std::u16string name;
    OptionFlags options;
    std::vector<Expected> reasons;
    const char16_t* keptTwin = nullptr;
  };
  const Row rows[] = {
      {u"a:b.txt", 0, {{RULE_NOT_ON_WINDOWS, 2, U':'}}},
      {u"a%20b", 0, {{RULE_HEX_PAIR, 2, U'%'}}},
      {u"%C3%A9x", UTF8, {{RULE_HEX_PAIR, 1, U'%'}}},  // one character, however many pairs spell it
      {u"😀: ", 0, {{RULE_NOT_ON_WINDOWS, 2, U':'}, {RULE_TRAILING, 3, U'\u00A0'}}},
      {u"it's a b.", OPT_QUOTES | OPT_BLANKS,
       {{RULE_QUOTE, 3, U'\''}, {RULE_BLANK, 5, U' '}, {RULE_BLANK, 7, U' '}, {RULE_TRAILING, 9, U'.'}}},
      {u"x&amp;y", OPT_ENTITIES, {{RULE_ENTITY, 2, U'&'}}},
      {u"cafe\u0301", UTF8, {{RULE_NOT_COMPOSED, 0, 0}}},
      {u"a--b", OPT_CONDENSE_PUNCT, {{RULE_RUN, 3, U'-'}}},
      {u"aux.txt", OPT_WINDOWS_NAMES, {{RULE_DEVICE_NAME, 0, 0}}},
      {Repeat(u"a", 300), OPT_WINDOWS_NAMES, {{RULE_TOO_LONG, 0, 0}}},
      {u"Readme", OPT_WINDOWS_NAMES, {{RULE_TWIN, 0, 0}}, u"README"},
      {u"plain.txt", OPT_WINDOWS_NAMES, {}},
  };
  testing_support::TempDir directory;
  for (const Row& row : rows) {
    const std::vector<NameReason> reasons = ExplainName(directory.engine_path().c_str(), row.name.c_str(),
                                                        row.options, nullptr, nullptr, row.keptTwin);
    const std::string label = testing::PrintToString(row.name);
    ASSERT_EQ(reasons.size(), row.reasons.size()) << label;
    for (std::size_t i = 0; i < reasons.size(); ++i) {
      EXPECT_EQ(reasons[i].rule, row.reasons[i].rule) << label << " #" << i;
      EXPECT_EQ(reasons[i].position, row.reasons[i].position) << label << " #" << i;
      EXPECT_EQ(reasons[i].codePoint, row.reasons[i].codePoint) << label << " #" << i;
    }
    if (!reasons.empty() && reasons[0].rule == RULE_TOO_LONG) {
      EXPECT_EQ(reasons[0].length, 300U) << label;
      EXPECT_EQ(reasons[0].limit, 255U) << label;
    }
  }
}

TEST(BuildNewName, Utf8NamesAreComposed) {
  const Case cases[] = {
      {u"cafe\u0301.txt", UTF8, {}, READY, u"caf\u00E9.txt"},
      {u"cafe\u0301.txt", 0, {}, SAME, nullptr},
      {u"cafe%CC%81.txt", UTF8, {}, READY, u"caf\u00E9.txt"},
      {u"caf\u00E9.txt", UTF8, {}, SAME, nullptr},
      {u"\U0001D489\U0001F600", UTF8, {}, SAME, nullptr},  // pairs, whatever their low halves
      {u"\u212B", UTF8, {}, READY, u"\u00C5"},                  // a singleton: the angstrom sign
      {u"\u1100\u1161\u11A8", UTF8, {}, READY, u"\uAC01"},       // Hangul jamo
      {u"a\u0323\u0307", UTF8, {}, READY, u"\u1EA1\u0307"},       // marks in canonical order
      {u"s\u0307\u0323", UTF8, {}, READY, u"\u1E69"},
      // Composition makes a grave accent, which the steps turn into an apostrophe.
      {u"a\u1FEF", UTF8, {}, READY, u"a'"},
      {u"a\u1FEF", UTF8 | OPT_QUOTES, {}, READY, u"a_"},
      // The probe sees the composed name.
      {u"cafe\u0301.txt", UTF8, {u"caf\u00E9.txt"}, READY, u"caf\u00E9-001.txt"},
      {u"e\u0301\U0001F600", UTF8, {}, READY, u"\u00E9\U0001F600"},
      {u"e\u0301\U0001F600", UTF8 | OPT_HIGH_UNICODE, {}, READY, u"\u00E9_"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(IsDeviceName, ComparesTheNameBeforeItsFirstFullStop) {
  struct Row {
    const char16_t* name;
    bool device;
  };
  const Row rows[] = {
      {u"CON", true},       {u"con", true},         {u"cOn.txt", true},     {u"PRN", true},
      {u"AUX", true},       {u"NUL", true},         {u"aux .txt", true},    {u"aux  ", true},
      {u"Con.tar.gz", true}, {u"COM0", true},       {u"com9.log", true},    {u"LPT5", true},
      {u"COM\u00B9", true}, {u"lpt\u00B2.x", true}, {u"LPT\u00B3", true}, {u"CONIN$", true},
      {u"conout$.txt", true}, {u"CONSOLE.txt", false}, {u"COM10", false},  {u"xCON", false},
      {u"CO", false},       {u"COM", false},        {u"COMA", false},       {u"COM\u2074", false},
      {u" CON", false},     {u"CON_", false},       {u"CONIN", false},      {u"", false},
      {u"\u0421ON", false},  // a Cyrillic letter that looks like C
      {u".CON", false},
  };
  for (const Row& row : rows) {
    const std::u16string name(row.name);
    EXPECT_EQ(IsDeviceName(name.c_str(), name.size()), row.device) << testing::PrintToString(name);
  }
}

// A directory path of the given length (it need not exist), ending in a separator.
std::u16string DirectoryOfLength(std::size_t length) {
  std::u16string directory = testing_support::TempDir().engine_path();
  directory.resize(length - 1, u'd');
  return directory + static_cast<char16_t>(std::filesystem::path::preferred_separator);
}

// A directory's names as a preview records them, in directory 0.
DirectoryNames RecordedNames(PreviewNames* preview, bool ignoresCase = false) {
  return DirectoryNames{preview, 0, {0, 0}, false, nullptr, ignoresCase, 0};
}

TEST(BuildNewName, NamesThatCannotFitAPathAreRefused) {
  std::vector<char16_t> newName(MAX_ARG_LEN, u'#');
  const OptionFlags none = 0;
  // Directory plus "a b" is exactly MAX_ARG_LEN - 1 characters: it fits.
  const std::u16string fits = DirectoryOfLength(MAX_ARG_LEN - 1 - 3);
  EXPECT_EQ(BuildNewName(fits.c_str(), u"a%20b", newName.data(), none, nullptr, nullptr), NEW_NAME_READY);
  EXPECT_EQ(std::u16string(newName.data()), u"a b");
  // One more character and it does not, with or without the suffix rule.
  const std::u16string tooLong = DirectoryOfLength(MAX_ARG_LEN - 3);
  for (const OptionFlags options : {OptionFlags{0}, OPT_NO_SUFFIX}) {
    EXPECT_EQ(BuildNewName(tooLong.c_str(), u"a%20b", newName.data(), options, nullptr, nullptr),
              NEW_NAME_TOO_LONG);
  }
  // A name that needs nothing is still "nothing to do".
  EXPECT_EQ(BuildNewName(tooLong.c_str(), u"ab", newName.data(), none, nullptr, nullptr), NEW_NAME_UNCHANGED);
  // The name fits, but no suffixed candidate does.
  PreviewNames* preview = CreatePreviewNames();
  ASSERT_NE(preview, nullptr);
  DirectoryNames names = RecordedNames(preview);
  ASSERT_EQ(RecordPreviewRename(preview, names.directory, u"old", u"a b"), PREVIEW_RECORDED);
  EXPECT_EQ(BuildNewName(fits.c_str(), u"a%20b", newName.data(), none, nullptr, nullptr, &names),
            NEW_NAME_TOO_LONG);
  DestroyPreviewNames(preview);
  // An old name without a terminator inside MAX_ARG_LEN.
  std::vector<char16_t> endless(MAX_ARG_LEN + 1, u'%');
  endless[MAX_ARG_LEN] = 0;
  EXPECT_EQ(BuildNewName(fits.c_str(), endless.data(), newName.data(), none, nullptr, nullptr), NEW_NAME_TOO_LONG);
  EXPECT_EQ(CleanName(endless.data(), newName.data(), none, nullptr, nullptr), NEW_NAME_TOO_LONG);
}

TEST(BuildNewName, PreviewNamesComeBeforeTheFileSystem) {
  testing_support::TempDir directory;
  std::ofstream(directory.path() / "a b").put('x');
  PreviewNames* preview = CreatePreviewNames();
  ASSERT_NE(preview, nullptr);
  DirectoryNames names = RecordedNames(preview);
  std::vector<char16_t> newName(MAX_ARG_LEN, 0);
  const std::u16string path = directory.engine_path();
  // "a b" exists, but an earlier entry of the preview would have renamed it away.
  ASSERT_EQ(RecordPreviewRename(preview, 0, u"a b", u"c"), PREVIEW_RECORDED);
  EXPECT_EQ(BuildNewName(path.c_str(), u"a%20b", newName.data(), 0, nullptr, nullptr, &names), NEW_NAME_READY);
  EXPECT_EQ(std::u16string(newName.data()), u"a b");
  // "x y" and "x y-001" do not exist, but earlier entries would have taken them.
  ASSERT_EQ(RecordPreviewRename(preview, 0, u"x%20y", u"x y"), PREVIEW_RECORDED);
  ASSERT_EQ(RecordPreviewRename(preview, 0, u"x%20y ", u"x y-001"), PREVIEW_RECORDED);
  EXPECT_EQ(BuildNewName(path.c_str(), u"x%20y.", newName.data(), 0, nullptr, nullptr, &names), NEW_NAME_READY);
  EXPECT_EQ(std::u16string(newName.data()), u"x y-002");
  // Names of another directory are not this one's.
  DirectoryNames other{preview, 1, {0, 0}, false, nullptr, false, false, 0};
  EXPECT_EQ(BuildNewName(path.c_str(), u"x%20y.", newName.data(), 0, nullptr, nullptr, &other), NEW_NAME_READY);
  EXPECT_EQ(std::u16string(newName.data()), u"x y");
  // Without the record only the file system answers.
  EXPECT_EQ(BuildNewName(path.c_str(), u"a%20b", newName.data(), 0, nullptr, nullptr), NEW_NAME_READY);
  EXPECT_EQ(std::u16string(newName.data()), u"a b-001");
  DestroyPreviewNames(preview);
}

// A directory that finds names in any letter case finds them so in every
// alphabet, as exFAT and NTFS do: the preview records names upper-cased there,
// or it would promise "caf\u00E9" beside "CAF\u00C9", which the real run makes
// "caf\u00E9-001".
TEST(BuildNewName, PreviewNamesOfADirectoryThatIgnoresCase) {
  testing_support::TempDir directory;
  // Where the directory ignores case, this is the entry "\u00C9t\u00E9" below.
  std::ofstream(directory.path() / std::filesystem::path(u"\u00E9T\u00C9")).put('x');
  const std::u16string path = directory.engine_path();
  std::vector<char16_t> newName(MAX_ARG_LEN, 0);
  for (const bool ignoresCase : {true, false}) {
    PreviewNames* preview = CreatePreviewNames();
    ASSERT_NE(preview, nullptr);
    DirectoryNames names = RecordedNames(preview, ignoresCase);
    const OptionFlags options = OPT_UTF8 | OPT_NOT_REALLY;
    ASSERT_EQ(BuildNewName(path.c_str(), u"CAF%C3%89", newName.data(), options, nullptr, nullptr, &names),
              NEW_NAME_READY);
    ASSERT_EQ(RecordNewName(&names, u"CAF%C3%89", newName.data(), options), 0);
    EXPECT_EQ(BuildNewName(path.c_str(), u"caf%C3%A9", newName.data(), options, nullptr, nullptr, &names),
              NEW_NAME_READY);
    EXPECT_EQ(std::u16string(newName.data()), ignoresCase ? u"caf\u00E9-001" : u"caf\u00E9") << ignoresCase;
    // An entry left its name: free again, in any case there.
    ASSERT_EQ(RecordNewName(&names, u"\u00C9t\u00E9", u"summer", options), 0);
    EXPECT_EQ(BuildNewName(path.c_str(), u"%C3%A9T%C3%89", newName.data(), options, nullptr, nullptr, &names),
              NEW_NAME_READY);
    EXPECT_EQ(std::u16string(newName.data()), ignoresCase ? u"\u00E9T\u00C9" : u"\u00E9T\u00C9-001");
    DestroyPreviewNames(preview);
  }
}

struct TwinCase {
  const char16_t* oldName;
  OptionFlags options;
  std::vector<std::u16string> entries;  // the directory's entries, the old name's included
  const char16_t* newName;
  const char16_t* keptTwin = nullptr;  // the twin for which the old name must go
};

// Under /W a new name is taken when it is the twin of an entry's name:
// equal once both are composed and upper-cased. Checked in a real run, and in
// a preview, which asks the file system nothing the walk read already.
void CheckTwins(const TwinCase& c) {
  testing_support::TempDir directory;
  TwinNames twins{nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0};
  for (const std::u16string& entry : c.entries) {
    std::ofstream(directory.path() / std::filesystem::path(entry)).put('x');
    ASSERT_EQ(AddTwinName(&twins, TwinFingerprintOfName(entry.c_str())), 0);
  }
  SortTwinNames(&twins);
  for (const OptionFlags preview : {OptionFlags{0}, OPT_NOT_REALLY}) {
    const OptionFlags options = c.options | OPT_WINDOWS_NAMES | preview;
    PreviewNames* changes = CreatePreviewNames();
    DirectoryNames names{changes, 0, {0, 0}, false, &twins, false, 0};
    names.keptTwin = c.keptTwin;
    std::vector<char16_t> newName(MAX_ARG_LEN, u'#');
    const std::int32_t result = BuildNewName(directory.engine_path().c_str(), c.oldName, newName.data(), options,
                                             nullptr, nullptr, &names);
    const std::string label = testing::PrintToString(std::u16string(c.oldName)) + (preview != 0 ? " preview" : "");
    ASSERT_EQ(result, NEW_NAME_READY) << label;
    EXPECT_EQ(std::u16string(newName.data()), c.newName) << label;
    DestroyPreviewNames(changes);
  }
  ReleaseTwinNames(&twins);
}

TEST(BuildNewName, WindowsNamesAreNoTwinsOfOtherEntries) {
  const TwinCase cases[] = {
      {u"a%3Fb", 0, {u"a%3Fb", u"A_B"}, u"a_b-001"},
      {u"caf%C3%A9", OPT_UTF8, {u"caf%C3%A9", u"CAF\u00C9"}, u"caf\u00E9-001"},
      {u"\u00E9t\u00E9%20", 0, {u"\u00E9t\u00E9%20", u"\u00C9T\u00C9"}, u"\u00E9t\u00E9-001"},
      {u"\u03C3%3F", 0, {u"\u03C3%3F", u"\u03A3_"}, u"\u03C3_-001"},  // Greek
      {u"\u0434%3F", 0, {u"\u0434%3F", u"\u0414_"}, u"\u0434_-001"},  // Cyrillic
      {u"\uFF41%3F", 0, {u"\uFF41%3F", u"\uFF21_"}, u"\uFF41_-001"},  // full-width letters
      // Composed, then compared: a decomposed name is the twin of its composed one.
      {u"cafe\u0301%3F", 0, {u"cafe\u0301%3F", u"caf\u00C9_"}, u"cafe\u0301_-001"},
      {u"cafe\u0301", OPT_UTF8, {u"cafe\u0301", u"caf\u00E9"}, u"caf\u00E9-001"},
      // Only the entry's own old name is no twin of its new one.
      {u"cafe\u0301", OPT_UTF8, {u"cafe\u0301"}, u"caf\u00E9"},
      {u"\u00E9%20", 0, {u"\u00E9%20", u"x"}, u"\u00E9"},
      // What upper-casing leaves: the sharp s is no SS, a dotless i no dotted capital.
      {u"stra\u00DFe%3F", 0, {u"stra\u00DFe%3F", u"STRASSE_"}, u"stra\u00DFe_"},
      {u"i%3F", 0, {u"i%3F", u"\u0130_"}, u"i_"},
      // A tidy twin that must leave its name to the one that keeps it.
      {u"foo", 0, {u"Foo", u"foo"}, u"foo-001", u"Foo"},
      {u"abcdefgh", 0, {u"ABCDEFGH", u"abcdefgh"}, u"abcdefgh-001", u"ABCDEFGH"},
      {u"Report.txt", 0, {u"REPORT.TXT", u"Report.txt"}, u"Report-001.txt", u"REPORT.TXT"},
      {u"caf\u00E9", 0, {u"CAF\u00C9", u"caf\u00E9", u"caf\u00E9-001"}, u"caf\u00E9-002", u"CAF\u00C9"},
  };
  for (const TwinCase& c : cases) CheckTwins(c);
}

}  // namespace
