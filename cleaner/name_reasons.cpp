#include "cleaner/name_reasons.h"

#include <string>
#include <string_view>

#include "cleaner/char_classes.h"
#include "cleaner/character_steps.h"
#include "cleaner/entities.h"
#include "cleaner/hex_pairs.h"
#include "cleaner/mojibake.h"
#include "cleaner/new_name.h"
#include "cleaner/translation.h"
#include "platform/device_names.h"
#include "platform/format_characters.h"
#include "platform/name_limit.h"
#include "platform/utf16_text.h"
#include "platform/win32.h"
#include "core/host_services.h"

namespace {

// The printable characters Windows refuses in a name.
constexpr bool IsRefusedByWindows(char16_t ch) {
  return ch == u'"' || ch == u'*' || ch == u'/' || ch == u':' || ch == u'<' || ch == u'>' || ch == u'?' ||
         ch == u'\\' || ch == u'|';
}

// What the reasons are gathered in, with the position of the character at
// hand.
struct Reasons {
  std::vector<NameReason> list;

  void Add(NameRule rule, std::uint32_t position, char32_t codePoint, std::size_t start, std::size_t units) {
    list.push_back(NameReason{rule, position, codePoint, static_cast<std::uint32_t>(start),
                              static_cast<std::uint32_t>(units), 0, 0, nullptr});
  }
};

// Which of the per-character steps changes the code unit ch (no pair, no
// byte that is not UTF-8), or -1 for none.
std::int32_t CharacterRule(char16_t ch, OptionFlags options) {
  const char16_t read = ApplyStepsBeforeLists(ch, options);
  if (read != ch && ApplyStepsBeforeLists(ch, options & ~OPT_QUOTES) == ch) {
    return RULE_QUOTE;
  }
  // read may be the character a private-use stand-in stands for: the steps
  // after the lists tell what becomes of it.
  const char16_t cleaned = ApplyStepsAfterLists(read, options);
  if (cleaned == read && read == ch) {
    // The blanks trimming could take become underscores only once the end
    // is trimmed; the caller tells the trailing ones apart.
    const bool kept = (options & OPT_BLANKS) != 0 && IsTrimmedAtTheEnd(ch) && IsWhitespace(ch);
    return kept ? RULE_BLANK : -1;
  }
  if ((options & OPT_UTF8) != 0 && IsInvisibleFormatCharacter(read)) {
    return RULE_INVISIBLE;
  }
  if (TranslateChar(read) != read) {
    return read < 0x20 ? RULE_CONTROL : IsRefusedByWindows(read) ? RULE_NOT_ON_WINDOWS : RULE_TRANSLATED;
  }
  constexpr struct {
    OptionFlags bit;
    NameRule rule;
  } ON_REQUEST[] = {{OPT_BLANKS, RULE_BLANK}, {OPT_AMPERSANDS, RULE_AMPERSAND}, {OPT_PARENTHESES, RULE_PARENTHESIS}};
  for (const auto& step : ON_REQUEST) {
    if ((options & step.bit) != 0 && ApplyStepsAfterLists(read, options & ~step.bit) != cleaned) {
      return step.rule;
    }
  }
  // A stand-in for a character that stays: the name changes all the same.
  return RULE_TRANSLATED;
}

// The reasons of the characters, left to right: what decoding reads
// (entities, hex pairs, bytes not UTF-8), the lists, and the per-character
// steps. From trailing on, the name's end is trimmed: that is the reason
// of the blanks and full stops there, whatever else the steps make of them.
// Returns the number of characters of the name.
std::uint32_t ExplainCharacters(const char16_t* name, std::size_t length, std::size_t trailing, OptionFlags options,
                                const char16_t* qList, Reasons* reasons) {
  const bool utf8 = (options & OPT_UTF8) != 0;
  std::uint32_t position = 0;
  for (std::size_t i = 0; i < length;) {
    ++position;
    const char16_t* at = name + i;
    std::size_t read = 0;
    if ((options & OPT_ENTITIES) != 0 && *at == u'&' && DecodeEntity(at, &read) != 0) {
      reasons->Add(RULE_ENTITY, position, *at, i, read);
    } else if (HexPairByte(at, options) >= 0) {
      char32_t code = 0;
      read = utf8 ? ReadUtf8Pairs(at, options, &code) : 0;
      reasons->Add(RULE_HEX_PAIR, position, *at, i, read != 0 ? read : HEX_PAIR_LENGTH);
      read = read != 0 ? read : HEX_PAIR_LENGTH;
    }
    if (read != 0) {
      // The characters the sequence spells count one each, as they are read.
      for (std::size_t unit = i + 1; unit < i + read; unit += CharacterUnits(name + unit)) {
        ++position;
      }
      i += read;
      continue;
    }
    const std::size_t units = CharacterUnits(at);
    const char32_t code = units == 2 ? CodePointOfPair(at[0], at[1]) : *at;
    const int byte = units == 1 ? UndecodedNameByte(*at) : -1;
    if (IsInList(at, units, options, qList)) {
      reasons->Add(RULE_LISTED, position, code, i, units);
    } else if (units == 2) {
      if ((options & OPT_HIGH_UNICODE) != 0) {
        reasons->Add(RULE_BEYOND_BMP, position, code, i, units);
      }
    } else if (ReadsBytesAsText(options) && byte >= 0) {
      reasons->Add(RULE_NOT_UTF8, position, static_cast<char32_t>(byte), i, units);
    } else if (const std::int32_t rule = CharacterRule(*at, options); rule >= 0 && i < trailing) {
      reasons->Add(static_cast<NameRule>(rule), position, code, i, units);
    }
    i += units;
  }
  return position;
}

// A run /K condenses: from the second character of each run of blanks
// (/K:B) or of one punctuation mark (/K:P).
void ExplainRuns(const char16_t* name, std::size_t length, OptionFlags options, Reasons* reasons) {
  std::uint32_t position = 1;
  bool inRun = false;
  for (std::size_t i = 1; i < length; ++i) {
    position += IsLowSurrogate(name[i]) && IsHighSurrogate(name[i - 1]) ? 0 : 1;
    const bool blanks = (options & OPT_CONDENSE_BLANKS) != 0 && IsWhitespace(name[i]) && IsWhitespace(name[i - 1]);
    const bool marks = (options & OPT_CONDENSE_PUNCT) != 0 && name[i] == name[i - 1] && IsPunctuation(name[i]);
    if ((blanks || marks) && !inRun) {
      reasons->Add(RULE_RUN, position, name[i], i, 1);
    }
    inRun = blanks || marks;
  }
}

// Where the blanks and full stops that end the name begin.
std::size_t TrailingStart(const char16_t* name, std::size_t length) {
  std::size_t start = length;
  while (start > 0 && IsTrimmedAtTheEnd(name[start - 1])) {
    --start;
  }
  return start;
}

// The blanks and full stops that end the name, from start on.
void ExplainEnd(const char16_t* name, std::size_t length, std::size_t start, std::uint32_t characters,
                Reasons* reasons) {
  if (start < length) {
    const auto position = static_cast<std::uint32_t>(characters - (length - start) + 1);
    reasons->Add(RULE_TRAILING, position, name[start], start, length - start);
  }
}

// Read as text (/8): mojibake to repair, a form that is not composed.
void ExplainText(const char16_t* name, std::size_t length, OptionFlags options, Reasons* reasons) {
  if ((options & OPT_UTF8) == 0) {
    return;
  }
  std::u16string copy(name, length);
  if (RepairMojibake(copy.data(), length) != length || copy.compare(0, std::u16string::npos, name, length) != 0) {
    reasons->Add(RULE_MOJIBAKE, 0, 0, 0, length);
  }
  char16_t composed[MAX_ARG_LEN];
  const int composedLength =
      NormalizeString(NormalizationC, name, static_cast<int>(length), composed, static_cast<int>(MAX_ARG_LEN));
  if (composedLength > 0 && std::u16string_view(composed, static_cast<std::size_t>(composedLength)) !=
                                std::u16string_view(name, length)) {
    reasons->Add(RULE_NOT_COMPOSED, 0, 0, 0, length);
  }
}

}  // namespace

std::vector<NameReason> ExplainName(const char16_t* directory, const char16_t* oldName, const OptionFlags& options,
                                    const char16_t* qList, const char16_t* rList, const char16_t* keptTwin) {
  Reasons reasons;
  const std::size_t length = TextLength(oldName);
  char16_t cleaned[MAX_ARG_LEN];
  const std::int32_t cleanedLength = CleanName(oldName, cleaned, options, qList, rList);
  const bool changes = cleanedLength >= 0 && !NeedsNoChange(oldName, cleaned, options);
  if (changes) {
    const std::size_t trailing = TrailingStart(oldName, length);
    const std::uint32_t characters = ExplainCharacters(oldName, length, trailing, options, qList, &reasons);
    ExplainRuns(oldName, length, options, &reasons);
    ExplainEnd(oldName, length, trailing, characters, &reasons);
    ExplainText(oldName, length, options, &reasons);
    if ((options & OPT_WINDOWS_NAMES) != 0 && IsDeviceName(cleaned, static_cast<std::size_t>(cleanedLength))) {
      reasons.Add(RULE_DEVICE_NAME, 0, 0, 0, length);
    }
  }
  const std::size_t limit = NameLimitOf(directory, (options & OPT_WINDOWS_NAMES) != 0);
  const std::size_t nameLength = NameLength(oldName, length);
  if (limit != NO_NAME_LIMIT && nameLength > limit) {
    reasons.Add(RULE_TOO_LONG, 0, 0, 0, length);
    reasons.list.back().length = static_cast<std::uint32_t>(nameLength);
    reasons.list.back().limit = static_cast<std::uint32_t>(limit);
  }
  if (keptTwin != nullptr) {
    reasons.Add(RULE_TWIN, 0, 0, 0, length);
    reasons.list.back().twin = keptTwin;
  }
  if (changes && reasons.list.empty()) {
    reasons.Add(RULE_CLEANED, 0, 0, 0, length);
  }
  return reasons.list;
}

const char* RuleName(NameRule rule) {
  switch (rule) {
    case RULE_HEX_PAIR: return "hex-pair";
    case RULE_ENTITY: return "entity";
    case RULE_NOT_UTF8: return "not-utf8";
    case RULE_CONTROL: return "control";
    case RULE_NOT_ON_WINDOWS: return "not-on-windows";
    case RULE_TRANSLATED: return "translated";
    case RULE_QUOTE: return "quote";
    case RULE_BLANK: return "blank";
    case RULE_AMPERSAND: return "ampersand";
    case RULE_PARENTHESIS: return "parenthesis";
    case RULE_BEYOND_BMP: return "beyond-bmp";
    case RULE_LISTED: return "listed";
    case RULE_INVISIBLE: return "invisible";
    case RULE_TRAILING: return "trailing";
    case RULE_RUN: return "run";
    case RULE_MOJIBAKE: return "mojibake";
    case RULE_NOT_COMPOSED: return "not-composed";
    case RULE_DEVICE_NAME: return "device-name";
    case RULE_TOO_LONG: return "too-long";
    case RULE_TWIN: return "twin";
    case RULE_CLEANED: return "cleaned";
  }
  return "cleaned";
}
