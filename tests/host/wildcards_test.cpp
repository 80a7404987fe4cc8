#include <gtest/gtest.h>

#include <string>

#include "plugin/host_services.h"

namespace {

struct WildcardCase {
  const char16_t* pattern;
  const char16_t* name;
  bool matches;
};

void ExpectMatches(std::initializer_list<WildcardCase> cases) {
  for (const WildcardCase& row : cases) {
    const int result = WildcardComparison(row.pattern, row.name, 1, 1);
    EXPECT_EQ(result == 0, row.matches) << "case index " << (&row - cases.begin());
  }
}

TEST(WildcardComparison, StarsAndQuestionMarks) {
  ExpectMatches({
      {u"*", u"anything at all", true},
      {u"*", u"", true},
      {u"", u"", true},
      {u"", u"a", false},
      {u"*.TXT", u"notes.txt", true},
      {u"*.TXT", u"notes.txt.bak", false},
      {u"*.TXT", u"txt", false},
      {u"A?C", u"abc", true},
      {u"A?C", u"ac", false},
      {u"A?C", u"abbc", false},
      {u"?", u"\u00e9", true},
      {u"**A", u"bba", true},
      {u"*A*B*C", u"xaybzc", true},
      {u"*A*B*C", u"xaybz", false},
      {u"A*", u"a", true},
      {u"*Z", u"a", false},
  });
}

TEST(WildcardComparison, DotStarAlsoMatchesNamesWithoutADot) {
  ExpectMatches({
      {u"*.*", u"README", true},
      {u"*.*", u"a.b.c", true},
      {u"*.*", u".profile", true},
      {u"A.*", u"a", true},
      {u"A.*", u"ab", false},
      {u"*.T*", u"readme", false},
  });
}

TEST(WildcardComparison, OnlyAsciiLettersIgnoreCase) {
  ExpectMatches({
      {u"MY FILE.TXT", u"My File.txt", true},
      {u"my file.txt", u"MY FILE.TXT", true},
      {u"*\u00c4*", u"x\u00c4y", true},
      {u"*\u00c4*", u"x\u00e4y", false},
      {u"STRA\u00dfE", u"stra\u00dfe", true},
  });
}

TEST(WildcardComparison, Sets) {
  ExpectMatches({
      {u"[ABC].LOG", u"b.log", true},
      {u"[ABC].LOG", u"d.log", false},
      {u"[A-C]*", u"banana", true},
      {u"[A-C]*", u"date", false},
      {u"[a-c]*", u"BANANA", true},
      {u"[0-9][0-9].JPG", u"42.jpg", true},
      {u"[0-9][0-9].JPG", u"4x.jpg", false},
      {u"[!A-C]*", u"date", true},
      {u"[!A-C]*", u"apple", false},
      {u"[^A-C]*", u"apple", false},
      {u"[^A-C]*", u"zebra", true},
      {u"[]]X", u"]x", true},
      {u"[!]]X", u"]x", false},
      {u"[A-]", u"-", true},
      {u"A[B", u"a[b", true},
      {u"A[B", u"ab", false},
  });
}

TEST(WildcardComparison, NameWithBracketsMatchesItself) {
  ExpectMatches({
      {u"REPORT[1].TXT", u"report[1].txt", true},
      {u"REPORT[1].TXT", u"report1.txt", true},
      {u"REPORT[1].TXT", u"report2.txt", false},
      {u"*[DRAFT]*", u"memo [draft] v2", true},
      {u"[X]", u"[x]", true},
      {u"[X]", u"[y]", false},
  });
}

TEST(WildcardComparison, ManyStarsStayFast) {
  const std::u16string name(5000, u'a');
  EXPECT_NE(WildcardComparison(u"*A*A*A*A*A*A*A*A*B", name.c_str(), 1, 1), 0);
  EXPECT_EQ(WildcardComparison(u"*A*A*A*A*A*A*A*A", name.c_str(), 1, 1), 0);
}

TEST(WildcardComparison, MissingTextNeverMatches) {
  EXPECT_NE(WildcardComparison(nullptr, u"a", 1, 1), 0);
  EXPECT_NE(WildcardComparison(u"*", nullptr, 1, 1), 0);
}

}  // namespace
