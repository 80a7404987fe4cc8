// BuildNewName with random option words, /Q and /R lists, directories of any
// length up to the limit, very long old names, and a probe that says which
// candidates are taken. Checked: the result is one of the known codes, the
// buffer is written only for a new name, and a new name is never empty, fits
// with its directory into MAX_ARG_LEN, holds nothing the options promise to
// remove (under /8 no format character or private-use stand-in), is never a
// Windows device name and, under /W, fits one name's limit on the disk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cleaner/char_classes.h"
#include "cleaner/new_name.h"
#include "cleaner/private_use.h"
#include "cleaner/translation.h"
#include "cleaner/windows_names.h"
#include "fuzz/existence_probe_fake.h"
#include "fuzz/fuzz_input.h"
#include "platform/format_characters.h"
#include "platform/name_limit.h"
#include "core/host_services.h"

namespace {

constexpr char16_t UNWRITTEN = 0xFFFF;
constexpr std::size_t SHORT_TEXT = 64;

// Up to maxUnits code units (fewer at the end of the input or a decoded U+0000).
std::u16string TakeShortText(FuzzInput* input, std::size_t maxUnits) {
  std::u16string text;
  while (text.size() < maxUnits && InputLeft(input)) {
    const char16_t unit = TakeUnit(input);
    if (unit == 0) {
      break;
    }
    text.push_back(unit);
  }
  return text;
}

// A directory path ending in '/': short ones, and ones that leave only a few
// characters of MAX_ARG_LEN for the name.
std::u16string TakeDirectory(FuzzInput* input) {
  const std::uint8_t selector = TakeByte(input);
  const std::size_t length = selector < 192 ? selector + 1u : MAX_ARG_LEN - 1u - (255u - selector) * 8u;
  std::u16string directory(length, u'd');
  directory.front() = u'/';
  directory.back() = u'/';
  return directory;
}

// The old name: a piece of text, repeated to reach names longer than a buffer holds.
std::u16string TakeOldName(FuzzInput* input) {
  const std::size_t repeats = 1u + TakeByte(input) * 70u;
  const std::u16string piece = TakeShortText(input, TakeByte(input));
  std::u16string name;
  for (std::size_t i = 0; i < repeats && name.size() <= static_cast<std::size_t>(MAX_ARG_LEN) + 64; ++i) {
    name += piece;
  }
  return name;
}

bool EndsTrimmed(const std::u16string& name) {
  const char16_t last = name.back();
  return last != u' ' && last != u'.' && last != 0x00A0;
}

void CheckNewName(const std::u16string& directory, const std::u16string& oldName, const std::u16string& newName,
                  OptionFlags options, bool hasReplacements) {
  Require(!newName.empty(), "a new name is never empty");
  Require(newName.size() <= static_cast<std::size_t>(MAX_ARG_LEN - 1), "a new name fits its buffer");
  Require(directory.size() + newName.size() <= static_cast<std::size_t>(MAX_ARG_LEN - 1),
          "directory and new name fit a path buffer");
  Require(CompareIgnoringAsciiCase(oldName.c_str(), newName.c_str()) != 0,
          "a new name differs from the old one by more than ASCII case");
  Require(EndsTrimmed(newName), "a new name ends in no space, full stop or no-break space");
  Require(!IsDeviceName(newName.c_str(), newName.size()), "a new name is never a Windows device name");
  const std::size_t limit = NameLimitOf(directory.c_str(), (options & OPT_WINDOWS_NAMES) != 0);
  if (limit != NO_NAME_LIMIT) {
    const char16_t* const pieces[] = {newName.c_str()};
    const std::size_t lengths[] = {newName.size()};
    Require(NameFitsLimit(limit, pieces, lengths, 1), "a new name fits one name's limit in its directory");
  }
  bool previousWhitespace = false;
  for (const char16_t ch : newName) {
    // What translation would still change is what a file name may not hold
    // (< > : " / \ | ? * and U+0001..U+001F) or should not (% ^ ` and the
    // rest); every character, the /R list's included, passes through it.
    Require(TranslateChar(ch) == ch, "a new name holds only characters translation leaves alone");
    const bool whitespace = IsWhitespace(ch);
    Require(!((options & OPT_BLANKS) != 0 && whitespace), "/B leaves no whitespace");
    Require(!((options & OPT_CONDENSE_BLANKS) != 0 && whitespace && previousWhitespace),
            "/K:B leaves no run of whitespace");
    Require(!((options & OPT_AMPERSANDS) != 0 && ch == u'&'), "/A leaves no ampersand");
    Require(!((options & OPT_PARENTHESES) != 0 && (ch == u'(' || ch == u')')), "/C leaves no parenthesis");
    Require(!((options & OPT_UTF8) != 0 && IsInvisibleFormatCharacter(ch)), "/8 leaves no format character");
    // The /R list comes after the quote, surrogate and stand-in steps, so only
    // without one do /F, /U and /8 promise the character is gone.
    if (!hasReplacements) {
      Require(!((options & OPT_QUOTES) != 0 && ch == u'\''), "/F leaves no apostrophe");
      Require(!((options & OPT_HIGH_UNICODE) != 0 && ch >= 0xD800 && ch <= 0xDFFF), "/U leaves no surrogate");
      Require(!((options & OPT_UTF8) != 0 && ReadPrivateUseStandIn(ch) != ch), "/8 leaves no private-use stand-in");
    }
    previousWhitespace = whitespace;
  }
  if ((options & OPT_NO_SUFFIX) == 0) {
    for (const std::u16string& taken : fakeExistence.takenPaths) {
      Require(taken != directory + newName, "a new name is not one the probe called taken");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size, 0};
  const OptionFlags options = TakeWord(&input);
  const std::u16string directory = TakeDirectory(&input);
  const std::uint8_t takenFirst = TakeByte(&input);
  fakeExistence.probesTakenFirst = (takenFirst & 0x80) != 0 ? (takenFirst & 0x7Fu) * 16u : takenFirst;
  fakeExistence.probes = 0;
  const std::uint8_t shape = TakeByte(&input);
  const bool hasQuery = (shape & 1) != 0;
  const bool hasReplacements = (shape & 2) != 0;
  const std::size_t takenCount = (shape >> 2) & 3;

  const std::u16string oldName = TakeOldName(&input);
  // The driver passes the lists upper-cased and never empty; an empty one is absent.
  std::u16string qList = hasQuery ? TakeShortText(&input, TakeByte(&input) % SHORT_TEXT) : u"";
  std::u16string rList = hasReplacements ? TakeShortText(&input, TakeByte(&input) % SHORT_TEXT) : u"";
  for (std::u16string* list : {&qList, &rList}) {
    for (char16_t& ch : *list) {
      ch = ToUpperAscii(ch);
    }
  }
  fakeExistence.takenPaths.clear();
  for (std::size_t i = 0; i < takenCount; ++i) {
    fakeExistence.takenPaths.push_back(directory + TakeShortText(&input, SHORT_TEXT));
  }

  // Old name and lists in blocks of their own size, so reads past their
  // terminators are caught; the new-name buffer marked to see what is written.
  const std::vector<char16_t> oldCopy(oldName.c_str(), oldName.c_str() + oldName.size() + 1);
  const std::vector<char16_t> qCopy(qList.c_str(), qList.c_str() + qList.size() + 1);
  const std::vector<char16_t> rCopy(rList.c_str(), rList.c_str() + rList.size() + 1);
  std::vector<char16_t> newName(MAX_ARG_LEN, UNWRITTEN);
  const std::int32_t result =
      BuildNewName(directory.c_str(), oldCopy.data(), newName.data(), options, qList.empty() ? nullptr : qCopy.data(),
                   rList.empty() ? nullptr : rCopy.data());

  Require(std::u16string(oldCopy.data()) == oldName, "the old name is never changed");
  if (result == NEW_NAME_DEVICE) {
    Require((options & OPT_NO_SUFFIX) != 0, "only /N:F hands back a device name");
    Require(IsDeviceName(newName.data(), std::u16string(newName.data()).size()), "and then it is one");
    return 0;
  }
  if (result == NEW_NAME_TAKEN) {
    Require((options & OPT_NO_SUFFIX) != 0, "only /N:F hands back a taken name");
    return 0;
  }
  if (result != NEW_NAME_READY) {
    Require(result == NEW_NAME_UNCHANGED || result == NEW_NAME_TOO_LONG || result == NEW_NAME_NO_FREE_SUFFIX,
            "known result codes only");
    Require(result != NEW_NAME_TOO_LONG || oldName.size() > 255 || directory.size() > 255,
            "only a long name or directory is too long");
    for (const char16_t unit : newName) {
      Require(unit == UNWRITTEN, "without a new name the buffer is not written");
    }
    return 0;
  }
  std::size_t length = 0;
  while (length < newName.size() && newName[length] != 0) {
    ++length;
  }
  Require(length < newName.size(), "the new name is terminated inside its buffer");
  CheckNewName(directory, oldName, std::u16string(newName.data(), length), options, !rList.empty());
  return 0;
}
