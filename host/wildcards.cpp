// WildcardComparison: '*' any run of characters, '?' any one character, and
// '[...]' one character of a set: single characters and ranges such as a-z,
// the whole set negated by a leading '!' or '^', and a ']' right after the
// opening bracket (or its negation) taken as a member. A '[' without a closing
// bracket is an ordinary character. A pattern that ends in ".*" also matches a
// name with no more characters where its '.' stands, so "*.*" means every
// name, dotted or not, as it always has in this shell.
//
// ASCII letters match without regard to case; every other code unit must be
// equal. A name found by another shell may hold brackets of its own
// ("report[1].txt"): when the pattern does not match with its brackets read as
// sets, it is tried once more with them read as plain characters, so such a
// name, passed as it stands, still matches itself.
#include "host/ascii_case.h"
#include "plugin/host_services.h"

namespace {

constexpr int MATCH = 0;
constexpr int NO_MATCH = 1;

bool SameIgnoringCase(char16_t left, char16_t right) { return UpperAscii(left) == UpperAscii(right); }

bool InRangeIgnoringCase(char16_t ch, char16_t low, char16_t high) {
  const auto inRange = [low, high](char16_t candidate) { return candidate >= low && candidate <= high; };
  return inRange(ch) || inRange(UpperAscii(ch)) || inRange(LowerAscii(ch));
}

// The bracket that closes the set opening at pattern[0], or null when none does.
const char16_t* SetEnd(const char16_t* pattern) {
  const char16_t* cursor = pattern + 1;
  if (*cursor == u'!' || *cursor == u'^') {
    ++cursor;
  }
  if (*cursor == u']') {
    ++cursor;
  }
  while (*cursor != u'\0' && *cursor != u']') {
    ++cursor;
  }
  return *cursor == u']' ? cursor : nullptr;
}

bool InSet(const char16_t* pattern, const char16_t* end, char16_t ch) {
  const char16_t* cursor = pattern + 1;
  const bool negated = *cursor == u'!' || *cursor == u'^';
  if (negated) {
    ++cursor;
  }
  bool member = false;
  while (cursor < end) {
    if (cursor + 2 < end && cursor[1] == u'-') {
      member = member || InRangeIgnoringCase(ch, cursor[0], cursor[2]);
      cursor += 3;
    } else {
      member = member || SameIgnoringCase(ch, *cursor);
      ++cursor;
    }
  }
  return member != negated;
}

// Whether the pattern element at pattern (not a '*') matches ch; next receives
// the position after the element.
bool ElementMatches(const char16_t* pattern, char16_t ch, bool bracketSets, const char16_t** next) {
  if (*pattern == u'[' && bracketSets) {
    if (const char16_t* end = SetEnd(pattern)) {
      *next = end + 1;
      return InSet(pattern, end, ch);
    }
  }
  *next = pattern + 1;
  return *pattern == u'?' || SameIgnoringCase(*pattern, ch);
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
bool Matches(const char16_t* pattern, const char16_t* name, bool bracketSets) {
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
    const char16_t* next = nullptr;
    if (*pattern != u'\0' && ElementMatches(pattern, *name, bracketSets, &next)) {
      pattern = next;
      ++name;
    } else if (afterStar != nullptr) {
      pattern = afterStar;
      name = ++starName;
    } else {
      return false;
    }
  }
  return OnlyStars(pattern) || (pattern[0] == u'.' && OnlyStars(pattern + 1) && pattern[1] == u'*');
}

bool HasBracket(const char16_t* pattern) {
  for (; *pattern != u'\0'; ++pattern) {
    if (*pattern == u'[') {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" {

// The two flags are accepted for the host's interface and not needed.
int WildcardComparison(const char16_t* pattern, const char16_t* name, int, int) {
  if (pattern == nullptr || name == nullptr) {
    return NO_MATCH;
  }
  if (Matches(pattern, name, true)) {
    return MATCH;
  }
  return HasBracket(pattern) && Matches(pattern, name, false) ? MATCH : NO_MATCH;
}

}  // extern "C"
