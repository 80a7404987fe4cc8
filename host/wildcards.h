// The host's wildcard matching: one matcher, two sets of rules. WildcardComparison
// uses the rules of the system it runs on (wildcard_rules_posix.cpp and
// wildcard_rules_windows.cpp).
#pragma once

struct WildcardRules {
  // Letters match their own case only; otherwise the ASCII letters match
  // either case (every other character must be equal in both rule sets).
  bool caseSensitive;
  // '[...]' is one character of a set; otherwise a bracket is a character of
  // the name like any other.
  bool bracketSets;
  // A backslash makes the character after it plain, in a set too.
  bool backslashEscapes;
  // A pattern that ends in ".*" also matches a name that ends where its '.'
  // stands, so that "*.*" is every name.
  bool dotStarMatchesUndotted;
};

// The POSIX shell's: case-sensitive, sets, backslash escapes, "*.*" wants a dot.
extern const WildcardRules POSIX_WILDCARDS;
// The Windows command shell's, whose patterns arrive upper-cased: '*' and '?'
// alone, as Windows names may hold brackets ("report[1].txt") and a name typed
// in full must match that name only.
extern const WildcardRules WINDOWS_WILDCARDS;
// The rules of this system.
extern const WildcardRules& hostWildcardRules;

// Whether name matches pattern under rules. Both are zero-terminated UTF-16.
bool MatchesWildcard(const char16_t* pattern, const char16_t* name, const WildcardRules& rules);
