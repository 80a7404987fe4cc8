// What both standalone programs do with their arguments alike: the pool that
// holds them, the option table's form of an option, the options of the POSIX
// form (taken there, recognised on Windows to be refused), and the refusal of
// an option written in the other platform's form.
#include <string>

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "standalone/standalone.h"
#include "platform/utf16_text.h"
#include "core/host_services.h"

namespace {

constexpr LongOption LONG_OPTIONS[] = {
    {u"ampersands", u"/A", LONG_FLAG, nullptr},
    {u"blanks", u"/B", LONG_FLAG, nullptr},
    {u"parentheses", u"/C", LONG_FLAG, nullptr},
    {u"directories", u"/D", LONG_FLAG, nullptr},
    {u"equals-hex", u"/E", LONG_FLAG, nullptr},
    {u"quotes", u"/F", LONG_FLAG, nullptr},
    {u"entities", u"/H", LONG_FLAG, nullptr},
    {u"condense", u"/K", LONG_MAYBE_VALUE, u"-k:"},
    {u"dry-run", u"/N", LONG_FLAG, nullptr},
    {u"no-hidden-dirs", u"/N:D", LONG_FLAG, nullptr},
    {u"no-errors", u"/N:E", LONG_FLAG, nullptr},
    {u"no-suffix", u"/N:F", LONG_FLAG, nullptr},
    {u"no-links", u"/N:J", LONG_FLAG, nullptr},
    {u"no-percent", u"/N:P", LONG_FLAG, nullptr},
    {u"no-summary", u"/N:S", LONG_FLAG, nullptr},
    {u"prompt", u"/P", LONG_FLAG, nullptr},
    {u"replace", u"/Q", LONG_VALUE, u"-q:"},
    {u"replace-with", u"/R", LONG_VALUE, u"-r:"},
    {u"recursive", u"/S", LONG_FLAG, nullptr},
    {u"high-unicode", u"/U", LONG_FLAG, nullptr},
    {u"windows", u"/W", LONG_FLAG, nullptr},
    {u"utf8", u"/8", LONG_FLAG, nullptr},
    {u"check", u"/X", LONG_FLAG, nullptr},
    {u"journal", u"/J", LONG_VALUE, u"-j:"},
    {u"undo", u"/Z", LONG_VALUE, u"-z:"},
    {u"follow", nullptr, LONG_FOLLOW, nullptr},
    {u"enter-repositories", u"/V", LONG_ENTER_REPOSITORIES, nullptr},
    {u"json", nullptr, LONG_JSON, nullptr},
    {u"null", nullptr, LONG_NULL, nullptr},
    {u"help", u"/?", LONG_HELP, nullptr},
    {u"version", u"/??", LONG_VERSION, nullptr},
};

}  // namespace

namespace {

// The name of text ("--name" or "--name=value"), as its length from text + 2.
std::size_t LongNameLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[2 + length] != 0 && text[2 + length] != u'=') {
    ++length;
  }
  return length;
}

bool Begins(const LongOption& option, const char16_t* name, std::size_t length) {
  return TextLength(option.name) >= length && std::char_traits<char16_t>::compare(option.name, name, length) == 0;
}

}  // namespace

const LongOption* FindLongOption(const char16_t* text, const char16_t** value, bool* ambiguous) {
  const char16_t* name = text + 2;
  const std::size_t nameLength = LongNameLength(text);
  *value = name[nameLength] == u'=' ? name + nameLength + 1 : nullptr;
  if (ambiguous != nullptr) {
    *ambiguous = false;
  }
  const LongOption* begun = nullptr;
  std::size_t begunCount = 0;
  for (const LongOption& candidate : LONG_OPTIONS) {
    if (!Begins(candidate, name, nameLength)) {
      continue;
    }
    if (TextLength(candidate.name) == nameLength) {
      return &candidate;  // given whole
    }
    begun = &candidate;
    ++begunCount;
  }
  if (nameLength == 0 || begunCount != 1) {
    if (ambiguous != nullptr) {
      *ambiguous = nameLength > 0 && begunCount > 1;
    }
    return nullptr;
  }
  return begun;
}

std::u16string LongOptionsBeginning(const char16_t* text) {
  const std::size_t nameLength = LongNameLength(text);
  std::u16string names;
  for (const LongOption& candidate : LONG_OPTIONS) {
    if (Begins(candidate, text + 2, nameLength)) {
      names += names.empty() ? u"--" : u" --";
      names += candidate.name;
    }
  }
  return names;
}

bool TextIs(const char16_t* text, const char16_t* expected) {
  return std::char_traits<char16_t>::compare(text, expected, TextLength(expected) + 1) ==
         0;
}

std::int32_t ReportTooLong() {
  Diagnose(u"Command line too long: the arguments hold %d characters at most\r\n", MAX_ARG_LEN - 1);
  return 1;
}

std::int32_t CheckRoomForArgument(std::int32_t taken) {
  if (taken <= MAX_ARGUMENTS) {
    return 0;
  }
  Diagnose(u"Too many arguments: the most is %d; quote wildcards so that purifile expands them\r\n", MAX_ARGUMENTS);
  return 1;
}

char16_t* TakeFromPool(StandaloneCommandLine* line, std::int32_t units) {
  if (line->poolUsed + units > STANDALONE_POOL) {
    ReportTooLong();
    return nullptr;
  }
  char16_t* taken = line->pool + line->poolUsed;
  line->poolUsed += units;
  return taken;
}

const char16_t* Joined(StandaloneCommandLine* line, const char16_t* prefix, const char16_t* text) {
  const std::size_t prefixLength = TextLength(prefix);
  const std::size_t length = TextLength(text);
  char16_t* joined = TakeFromPool(line, static_cast<std::int32_t>(prefixLength + length + 1));
  if (joined != nullptr) {
    std::char_traits<char16_t>::copy(joined, prefix, prefixLength);
    std::char_traits<char16_t>::copy(joined + prefixLength, text, length + 1);
  }
  return joined;
}

bool TakesValue(char16_t letter) { return letter == u'q' || letter == u'r' || letter == u'j' || letter == u'z'; }

std::size_t BundledOptionLength(const char16_t* option) {
  const char16_t letter = option[0];
  const bool subOptions = (letter == u'n' || letter == u'k') && (option[1] == u':' || option[1] == u'=');
  return subOptions || TakesValue(letter) ? TextLength(option) : 1;
}

bool IsTableLetter(char16_t letter) {
  const char16_t option[] = {u'/', ToUpperAscii(letter), 0};
  return letter != u'?' && ToLowerAscii(letter) == letter && FitsOptionTable(option);
}

std::int32_t CheckNotAnOptionOfTheOtherForm(const char16_t* text, const char16_t* ownForm) {
  for (const char16_t* ch = text + 1; *ch != 0; ++ch) {
    if (IsPathSeparator(*ch)) {
      return 0;  // a path of several components
    }
  }
  if (GetFileAttributesW(text) != INVALID_FILE_ATTRIBUTES) {
    return 0;
  }
  return ReportOptionOfTheOtherForm(text, ownForm);
}

std::int32_t ReportOptionOfTheOtherForm(const char16_t* text, const char16_t* ownForm) {
  Diagnose(u"Option \"%s\" is written \"%s\" here (no file \"%s\" exists)\r\n", text, ownForm, text);
  return 1;
}
