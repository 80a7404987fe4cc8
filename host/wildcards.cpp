// WildcardComparison: '*' any run of characters, '?' any one character, and
// where the rules have sets, '[...]' one character of a set: single characters
// and ranges such as a-z, the whole set negated by a leading '!' or '^', and a
// ']' right after the opening bracket (or its negation) taken as a member. A
// '[' without a closing bracket is an ordinary character. A character is a
// code point: a surrogate pair counts as one, so "?" matches an emoji, and
// ranges compare code points. What else holds depends on the rules
// (host/wildcards.h): letter case, sets, backslash escapes, and "*.*" for
// names without a dot.
//
// A name found by another program may hold brackets or backslashes of its own
// ("report[1].txt") where the rules read them as wildcards: when the pattern
// does not match with those read as wildcards, it is tried once more with them
// read as plain characters, so such a name, passed as it stands, still
// matches itself.
//
// The matcher works on the UTF-16 names the walk already holds, rather than
// handing UTF-8 to fnmatch(3): fnmatch's '?' and ranges follow the locale
// (one byte in the C locale, collation order in some others), and a name that
// is not UTF-8 would be matched by different rules than its neighbours.
#include "host/wildcards.h"

#include <cstddef>

#include "platform/utf16_text.h"
#include "core/host_services.h"

const WildcardRules POSIX_WILDCARDS{true, true, true, false};
const WildcardRules WINDOWS_WILDCARDS{false, false, false, true};

namespace {

constexpr int MATCH = 0;
constexpr int NO_MATCH = 1;

// How one pass reads the pattern.
struct Reading {
  const WildcardRules* rules;
  bool wildcardSyntax;  // brackets open sets and backslashes escape; else both are plain
};


// The character at text, and in *units the code units it takes.
char32_t ReadCharacter(const char16_t* text, std::size_t* units) {
  if (IsHighSurrogate(text[0]) && IsLowSurrogate(text[1])) {
    *units = 2;
    return CodePointOfPair(text[0], text[1]);
  }
  *units = 1;
  return text[0];
}

bool IsEscape(const char16_t* pattern, const Reading& reading) {
  return reading.wildcardSyntax && reading.rules->backslashEscapes && pattern[0] == u'\\' && pattern[1] != u'\0';
}

// The character a pattern element stands for at pattern, plain or escaped;
// *units receives the code units the element takes.
char32_t ReadPatternCharacter(const char16_t* pattern, const Reading& reading, std::size_t* units) {
  if (IsEscape(pattern, reading)) {
    const char32_t ch = ReadCharacter(pattern + 1, units);
    ++*units;
    return ch;
  }
  return ReadCharacter(pattern, units);
}

char32_t UpperAscii32(char32_t ch) { return ch < 0x80 ? ToUpperAscii(static_cast<char16_t>(ch)) : ch; }
char32_t LowerAscii32(char32_t ch) { return ch < 0x80 ? ToLowerAscii(static_cast<char16_t>(ch)) : ch; }

bool SameCharacter(char32_t patternChar, char32_t nameChar, const WildcardRules& rules) {
  return rules.caseSensitive ? patternChar == nameChar : UpperAscii32(patternChar) == UpperAscii32(nameChar);
}

bool InRange(char32_t ch, char32_t low, char32_t high, const WildcardRules& rules) {
  const auto inRange = [low, high](char32_t candidate) { return candidate >= low && candidate <= high; };
  return inRange(ch) || (!rules.caseSensitive && (inRange(UpperAscii32(ch)) || inRange(LowerAscii32(ch))));
}

// The first member of the set opening at pattern[0], past its negation.
const char16_t* SetMembers(const char16_t* pattern) {
  const char16_t* cursor = pattern + 1;
  return *cursor == u'!' || *cursor == u'^' ? cursor + 1 : cursor;
}

// The bracket that closes the set opening at pattern[0], or null when none does.
const char16_t* SetEnd(const char16_t* pattern, const Reading& reading) {
  const char16_t* cursor = SetMembers(pattern);
  if (*cursor == u']') {
    ++cursor;
  }
  while (*cursor != u'\0' && *cursor != u']') {
    cursor += IsEscape(cursor, reading) ? 2 : 1;
  }
  return *cursor == u']' ? cursor : nullptr;
}

bool InSet(const char16_t* pattern, const char16_t* end, char32_t ch, const Reading& reading) {
  const bool negated = SetMembers(pattern) != pattern + 1;
  bool member = false;
  for (const char16_t* cursor = SetMembers(pattern); cursor < end;) {
    std::size_t units = 0;
    const char32_t first = ReadPatternCharacter(cursor, reading, &units);
    cursor += units;
    if (cursor[0] == u'-' && cursor + 1 < end) {
      const char32_t last = ReadPatternCharacter(cursor + 1, reading, &units);
      cursor += 1 + units;
      member = member || InRange(ch, first, last, *reading.rules);
    } else {
      member = member || SameCharacter(first, ch, *reading.rules);
    }
  }
  return member != negated;
}

// Whether the pattern element at pattern (not a '*') matches ch; next receives
// the position after the element.
bool ElementMatches(const char16_t* pattern, char32_t ch, const Reading& reading, const char16_t** next) {
  if (*pattern == u'[' && reading.wildcardSyntax && reading.rules->bracketSets) {
    if (const char16_t* end = SetEnd(pattern, reading)) {
      *next = end + 1;
      return InSet(pattern, end, ch, reading);
    }
  }
  if (*pattern == u'?') {
    *next = pattern + 1;
    return true;
  }
  std::size_t units = 0;
  const char32_t patternChar = ReadPatternCharacter(pattern, reading, &units);
  *next = pattern + units;
  return SameCharacter(patternChar, ch, *reading.rules);
}

bool OnlyStars(const char16_t* pattern) {
  while (*pattern == u'*') {
    ++pattern;
  }
  return *pattern == u'\0';
}

// Matches from left to right, remembering the last '*' seen: on a mismatch the
// star takes one more character and matching resumes after it. This is linear
// in practice and never recurses.
bool Matches(const char16_t* pattern, const char16_t* name, const Reading& reading) {
  const char16_t* afterStar = nullptr;
  const char16_t* starName = nullptr;
  while (*name != u'\0') {
    if (*pattern == u'*') {
      while (*pattern == u'*') {
        ++pattern;
      }
      afterStar = pattern;
      starName = name;
      continue;
    }
    std::size_t units = 0;
    const char32_t ch = ReadCharacter(name, &units);
    const char16_t* next = nullptr;
    if (*pattern != u'\0' && ElementMatches(pattern, ch, reading, &next)) {
      pattern = next;
      name += units;
    } else if (afterStar != nullptr) {
      ReadCharacter(starName, &units);
      starName += units;
      pattern = afterStar;
      name = starName;
    } else {
      return false;
    }
  }
  return OnlyStars(pattern) ||
         (reading.rules->dotStarMatchesUndotted && pattern[0] == u'.' && pattern[1] == u'*' && OnlyStars(pattern + 1));
}

// Whether the pattern reads differently when brackets and backslashes are plain.
bool HasPlainReading(const char16_t* pattern, const WildcardRules& rules) {
  for (; *pattern != u'\0'; ++pattern) {
    if ((rules.bracketSets && *pattern == u'[') || (rules.backslashEscapes && *pattern == u'\\')) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool MatchesWildcard(const char16_t* pattern, const char16_t* name, const WildcardRules& rules) {
  return Matches(pattern, name, Reading{&rules, true}) ||
         (HasPlainReading(pattern, rules) && Matches(pattern, name, Reading{&rules, false}));
}

extern "C" {

// The two flags are accepted for the host's interface and not needed.
int WildcardComparison(const char16_t* pattern, const char16_t* name, int, int) {
  if (pattern == nullptr || name == nullptr) {
    return NO_MATCH;
  }
  return MatchesWildcard(pattern, name, hostWildcardRules) ? MATCH : NO_MATCH;
}

}  // extern "C"
