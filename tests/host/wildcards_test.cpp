#include "host/wildcards.h"

#include <gtest/gtest.h>

#include <string>

#include "core/host_services.h"

namespace {

struct WildcardCase {
  const char16_t* pattern;
  const char16_t* name;
  bool matches;
};

void ExpectMatches(const WildcardRules& rules, std::initializer_list<WildcardCase> cases) {
  for (const WildcardCase& row : cases) {
    EXPECT_EQ(MatchesWildcard(row.pattern, row.name, rules), row.matches) << "case index " << (&row - cases.begin());
  }
}

// Both rule sets, for what they have in common: patterns here are written in
// the names' own case.
void ExpectMatchesEverywhere(std::initializer_list<WildcardCase> cases) {
  SCOPED_TRACE("POSIX rules");
  ExpectMatches(POSIX_WILDCARDS, cases);
  SCOPED_TRACE("Windows rules");
  ExpectMatches(WINDOWS_WILDCARDS, cases);
}

TEST(Wildcards, StarsAndQuestionMarks) {
  ExpectMatchesEverywhere({
      {u"*", u"anything at all", true},
      {u"*", u"", true},
      {u"", u"", true},
      {u"", u"a", false},
      {u"*.txt", u"notes.txt", true},
      {u"*.txt", u"notes.txt.bak", false},
      {u"*.txt", u"txt", false},
      {u"a?c", u"abc", true},
      {u"a?c", u"ac", false},
      {u"a?c", u"abbc", false},
      {u"?", u"\u00e9", true},
      {u"**a", u"bba", true},
      {u"*a*b*c", u"xaybzc", true},
      {u"*a*b*c", u"xaybz", false},
      {u"a*", u"a", true},
      {u"*z", u"a", false},
      {u"*", u".profile", true},
      {u"?profile", u".profile", true},
  });
}

// A character outside the Basic Multilingual Plane is one character, as the
// user sees it, not the two code units it takes.
TEST(Wildcards, SurrogatePairsAreOneCharacter) {
  ExpectMatchesEverywhere({
      {u"?", u"\U0001F600", true},
      {u"??", u"\U0001F600", false},
      {u"a?b", u"a\U0001F600b", true},
      {u"*\U0001F600", u"\U0001F601\U0001F600", true},
  });
  ExpectMatches(POSIX_WILDCARDS, {
      {u"[\U0001F600]", u"\U0001F600", true},
      {u"[\U0001F600]", u"\U0001F601", false},
      {u"[\U0001F600-\U0001F64F]x", u"\U0001F610x", true},
      {u"[!\U0001F600]", u"\U0001F601", true},
      {u"[!\U0001F600]?", u"\U0001F600", false},
  });
}

TEST(Wildcards, PosixSets) {
  ExpectMatches(POSIX_WILDCARDS, {
      {u"[abc].log", u"b.log", true},
      {u"[abc].log", u"d.log", false},
      {u"[a-c]*", u"banana", true},
      {u"[a-c]*", u"date", false},
      {u"[0-9][0-9].jpg", u"42.jpg", true},
      {u"[0-9][0-9].jpg", u"4x.jpg", false},
      {u"[!a-c]*", u"date", true},
      {u"[!a-c]*", u"apple", false},
      {u"[^a-c]*", u"apple", false},
      {u"[^a-c]*", u"zebra", true},
      {u"[]]x", u"]x", true},
      {u"[!]]x", u"]x", false},
      {u"[a-]", u"-", true},
      {u"a[b", u"a[b", true},
      {u"a[b", u"ab", false},
  });
}

TEST(Wildcards, PosixNameWithBracketsMatchesItself) {
  ExpectMatches(POSIX_WILDCARDS, {
      {u"report[1].txt", u"report[1].txt", true},
      {u"report[1].txt", u"report1.txt", true},
      {u"report[1].txt", u"report2.txt", false},
      {u"*[draft]*", u"memo [draft] v2", true},
      {u"[x]", u"[x]", true},
      {u"[x]", u"[y]", false},
  });
}

// The command shell upper-cases its arguments: its matching ignores the case
// of the ASCII letters, and "*.*" means every name.
TEST(Wildcards, WindowsRulesIgnoreAsciiCase) {
  ExpectMatches(WINDOWS_WILDCARDS, {
      {u"MY FILE.TXT", u"My File.txt", true},
      {u"my file.txt", u"MY FILE.TXT", true},
      {u"*.TXT", u"notes.txt", true},
      {u"*\u00c4*", u"x\u00c4y", true},
      {u"*\u00c4*", u"x\u00e4y", false},
      {u"STRA\u00dfE", u"stra\u00dfe", true},
  });
}

// Windows names may hold brackets, and a name typed in full matches that name
// only: a bracket is a character like any other, never a set.
TEST(Wildcards, WindowsBracketsArePlainCharacters) {
  ExpectMatches(WINDOWS_WILDCARDS, {
      {u"REPORT[1].TXT", u"report[1].txt", true},
      {u"REPORT[1].TXT", u"report1.txt", false},
      {u"[A-C]*", u"banana", false},
      {u"[A-C]*", u"[a-c] notes", true},
      {u"[!A]", u"b", false},
      {u"*[DRAFT]*", u"memo [draft] v2", true},
      {u"*[DRAFT]*", u"memo d v2", false},
      {u"A[B", u"a[b", true},
      {u"[?]", u"[x]", true},
  });
}

TEST(Wildcards, WindowsDotStarAlsoMatchesNamesWithoutADot) {
  ExpectMatches(WINDOWS_WILDCARDS, {
      {u"*.*", u"README", true},
      {u"*.*", u"a.b.c", true},
      {u"*.*", u".profile", true},
      {u"A.*", u"a", true},
      {u"A.*", u"ab", false},
      {u"*.T*", u"readme", false},
  });
}

// The POSIX shell's habits: letters match their own case only, "*.*" wants a
// dot, and a backslash makes the next character plain.
TEST(Wildcards, PosixRulesFollowTheShell) {
  ExpectMatches(POSIX_WILDCARDS, {
      {u"*.TXT", u"a.txt", false},
      {u"*.txt", u"a.TXT", false},
      {u"My File.txt", u"My File.txt", true},
      {u"my file.txt", u"My File.txt", false},
      {u"[A-C]*", u"banana", false},
      {u"[a-c]*", u"BANANA", false},
      {u"[A-C]*", u"Banana", true},
      {u"[!a-c]*", u"Apple", true},
      {u"*.*", u"README", false},
      {u"*.*", u"a.b", true},
      {u"A.*", u"A", false},
      {u"\\*", u"*", true},
      {u"\\*", u"a", false},
      {u"a\\?", u"a?", true},
      {u"a\\?", u"ab", false},
      {u"\\[a]", u"[a]", true},
      {u"\\[a]", u"a", false},
      {u"[\\]]", u"]", true},
      {u"[a\\-z]", u"-", true},
      {u"[a\\-z]", u"m", false},
      {u"a\\", u"a\\", true},
  });
}

// A name holding backslashes of its own, passed as it stands, still matches
// itself, as a name holding brackets does.
TEST(Wildcards, PosixNameWithBackslashesMatchesItself) {
  ExpectMatches(POSIX_WILDCARDS, {
      {u"a\\b%20c.txt", u"a\\b%20c.txt", true},
      {u"a\\b%20c.txt", u"ab%20c.txt", true},
      {u"x\\[1].txt", u"x\\[1].txt", true},
      {u"*\\*", u"tab\\t", true},
      {u"a\\b", u"a\\c", false},
  });
}

TEST(Wildcards, ManyStarsStayFast) {
  const std::u16string name(5000, u'a');
  for (const WildcardRules* rules : {&POSIX_WILDCARDS, &WINDOWS_WILDCARDS}) {
    EXPECT_FALSE(MatchesWildcard(u"*a*a*a*a*a*a*a*a*b", name.c_str(), *rules));
    EXPECT_TRUE(MatchesWildcard(u"*a*a*a*a*a*a*a*a", name.c_str(), *rules));
    EXPECT_FALSE(MatchesWildcard(u"*[a]*[a]*[a]*[a]*[a]*[a]*[b]", name.c_str(), *rules));
  }
}

TEST(WildcardComparison, MissingTextNeverMatches) {
  EXPECT_NE(WildcardComparison(nullptr, u"a", 1, 1), 0);
  EXPECT_NE(WildcardComparison(u"*", nullptr, 1, 1), 0);
  EXPECT_EQ(WildcardComparison(u"*", u"a", 1, 1), 0);
}

}  // namespace
