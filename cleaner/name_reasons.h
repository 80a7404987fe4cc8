// Why a name must change, for a check (/X, --check) to tell: each rule of the
// cleaning that changes the old name, where in it, and on what character.
//
// The reasons are read off the old name by the cleaning's own steps (the
// per-character steps of cleaner/character_steps.h, the hex pairs, the
// entities, the device names, the name's limit); they tell what the new-name
// builder will do, they decide nothing. A name whose cleaning changes it for a
// cause none of them names (a decoded sequence that yields something else to
// replace, say) is given RULE_CLEANED, so that every change has a reason.
#pragma once

#include <cstdint>
#include <vector>

#include "core/options.h"

enum NameRule : std::int32_t {
  RULE_HEX_PAIR,        // a %XX pair (=XX under /E; under /8 a run that spells UTF-8), decoded
  RULE_ENTITY,          // an HTML entity, decoded (/H)
  RULE_NOT_UTF8,        // a byte that is not UTF-8, read as Windows-1252 (/8, /W; only POSIX names hold one)
  RULE_CONTROL,         // a control character
  RULE_NOT_ON_WINDOWS,  // one of " * / : < > ? \ |, which no Windows name may hold
  RULE_TRANSLATED,      // another character the translation replaces: typographic spaces, '%', '^', C1 bytes
  RULE_QUOTE,           // a quote, apostrophe or grave (/F)
  RULE_BLANK,           // a blank (/B)
  RULE_AMPERSAND,       // an ampersand (/A)
  RULE_PARENTHESIS,     // a parenthesis (/C)
  RULE_BEYOND_BMP,      // a character beyond U+FFFF (/U)
  RULE_LISTED,          // a character of the /Q list
  RULE_INVISIBLE,       // an invisible or bidirectional format character, dropped (/8)
  RULE_TRAILING,        // the blanks and full stops that end the name, trimmed
  RULE_RUN,             // a run that /K condenses, from its second character
  RULE_MOJIBAKE,        // UTF-8 misread as a code page, repaired (/8)
  RULE_NOT_COMPOSED,    // not in Normalization Form C (/8)
  RULE_DEVICE_NAME,     // a Windows device name (/W)
  RULE_TOO_LONG,        // longer than one name may be in its directory
  RULE_TWIN,            // the twin of another name of its directory, which keeps the name (/W)
  RULE_CLEANED,         // changed by the cleaning as none of the rules above tells
};

struct NameReason {
  NameRule rule;
  // 1-based, in characters of the old name (a pair beyond the BMP is one);
  // 0 where the reason is the name as a whole.
  std::uint32_t position;
  // The character there (RULE_NOT_UTF8: the byte); 0 for the whole name.
  char32_t codePoint;
  // Where the rule reads the old name, in code units: a hex pair, an entity,
  // a run; the whole name for a reason of the name as a whole.
  std::uint32_t start;
  std::uint32_t units;
  // RULE_TOO_LONG: the name's length and its limit, in the unit the limit
  // counts (platform/name_limit.h); else 0.
  std::uint32_t length;
  std::uint32_t limit;
  // RULE_TWIN: the twin that keeps the name; else null.
  const char16_t* twin;
};

// The reasons the cleaning changes oldName, an entry of directory (ending in
// its separator), in the order of the characters they point at, the reasons
// of the whole name last. keptTwin: under /W, where the entry must leave its
// name for a twin that keeps it, that twin's name (it must outlive the
// reasons); else null. Empty when the cleaning leaves the name as
// it is.
std::vector<NameReason> ExplainName(const char16_t* directory, const char16_t* oldName, const OptionFlags& options,
                                    const char16_t* qList, const char16_t* rList, const char16_t* keptTwin);

// The rule's name in JSON Lines: "hex-pair", "not-on-windows" ...
const char* RuleName(NameRule rule);
