#include "cleaner/new_name.h"

#include <cassert>
#include <cstddef>

#include "cleaner/char_classes.h"
#include "cleaner/character_steps.h"
#include "cleaner/condense.h"
#include "cleaner/entities.h"
#include "cleaner/hex_pairs.h"
#include "cleaner/mojibake.h"
#include "cleaner/preview_names.h"
#include "cleaner/private_use.h"
#include "cleaner/surrogates.h"
#include "cleaner/translation.h"
#include "cleaner/twin_names.h"
#include "cleaner/windows_names.h"
#include "platform/format_characters.h"
#include "platform/name_limit.h"
#include "platform/utf16_text.h"
#include "platform/win32.h"
#include "core/host_services.h"

namespace {

// Characters a name or path buffer of MAX_ARG_LEN holds besides its terminator.
constexpr std::size_t NAME_CAPACITY = MAX_ARG_LEN - 1;
// An existing "-NNN" suffix at or above this value is dropped, not continued.
constexpr std::uint32_t LARGEST_CONTINUED_COUNTER = 9999;
constexpr std::uint32_t LARGEST_COUNTER = 0xFFFFFFFFu;

// Copies length code units and a terminator.
void CopyText(char16_t* target, const char16_t* source, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    target[i] = source[i];
  }
  target[length] = 0;
}

bool Contains(const char16_t* text, char16_t ch) {
  for (; *text != 0; ++text) {
    if (*text == ch) {
      return true;
    }
  }
  return false;
}

bool ContainsSurrogate(const char16_t* text) {
  for (; *text != 0; ++text) {
    if (IsSurrogate(*text)) {
      return true;
    }
  }
  return false;
}

constexpr bool IsAsciiDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

// Under /8 and /W on POSIX: every code unit of the old name that stands for a byte
// the file system's text was not valid UTF-8 in becomes the Windows-1252
// character of that byte (an undefined byte an underscore). Returns whether
// any did; the name is rewritten in place.
bool ReadUndecodedBytes(char16_t* name) {
  bool changed = false;
  for (; *name != 0; ++name) {
    // A low surrogate after a high one is half of a character, not a byte.
    if (CharacterUnits(name) == 2) {
      ++name;
      continue;
    }
    const int byte = UndecodedNameByte(*name);
    if (byte < 0) {
      continue;
    }
    char16_t ch = static_cast<char16_t>(byte);
    if (byte < 0xA0) {
      ch = Cp1252Table[byte - 0x80];
      if (ch < 0xA0) {
        ch = u'_';  // one of the five bytes Windows-1252 leaves undefined
      }
    }
    *name = ch;
    changed = true;
  }
  return changed;
}

// Removes the characters trimming takes from the end of name; returns the
// length left.
std::size_t TrimEnd(char16_t* name, std::size_t length) {
  while (length > 0 && IsTrimmedAtTheEnd(name[length - 1])) {
    name[--length] = 0;
  }
  return length;
}

// What the per-character steps after the hex pairs need to know.
struct CharacterSteps {
  OptionFlags options;
  const char16_t* qList;  // null: no list, and no list step at all
  const char16_t* rList;
};

// The /Q and /R lists pair characters by position: a character beyond the
// Basic Multilingual Plane is one position of either list. Looks the
// character at text (one or two units) up in the /Q list; when it is there,
// writes the /R list's character of that position into replacement (nothing
// when the /R list is shorter: the character is dropped) and returns its
// length in units, else returns -1.
std::ptrdiff_t ListReplacement(const char16_t* text, std::size_t units, const CharacterSteps& steps,
                               char16_t* replacement) {
  // The plug-in's lists are upper-cased, so a character is sought in upper case.
  const char16_t first = (steps.options & OPT_LISTS_AS_TYPED) != 0 ? text[0] : ToUpperAscii(text[0]);
  std::size_t position = 0;
  const char16_t* listed = steps.qList;
  for (; *listed != 0; listed += CharacterUnits(listed), ++position) {
    if (listed[0] == first && CharacterUnits(listed) == units && (units == 1 || listed[1] == text[1])) {
      break;
    }
  }
  if (*listed == 0) {
    return -1;
  }
  const char16_t* replacing = steps.rList != nullptr ? steps.rList : u"";
  for (; *replacing != 0 && position > 0; --position) {
    replacing += CharacterUnits(replacing);
  }
  const std::size_t length = *replacing != 0 ? CharacterUnits(replacing) : 0;
  for (std::size_t i = 0; i < length; ++i) {
    replacement[i] = replacing[i];
  }
  return static_cast<std::ptrdiff_t>(length);
}

// The cleaned name, at most NAME_CAPACITY characters (the rest are dropped).
struct CleanedText {
  char16_t* text;
  std::size_t length;
  bool droppedAtStart = false;  // a unit was dropped before the first one kept

  void Append(char16_t ch) {
    if (ch == 0) {
      droppedAtStart = droppedAtStart || length == 0;
    } else if (length < NAME_CAPACITY) {
      text[length++] = ch;
    }
  }
};

// What a name that cleaning empties becomes, and the stem given under /8 to
// one that dropping leaves beginning with a full stop.
const char16_t* DefaultName(OptionFlags options) { return (options & OPT_DIRECTORIES) != 0 ? u"Dir" : u"File"; }

// Under /8: a name that began with something the steps dropped (a format
// character, say) and now begins with a full stop would be hidden, which the
// old name was not; it gets the default name as its stem. A character cut
// off the end for room is lost as any beyond NAME_CAPACITY. Returns the length.
std::size_t KeepVisible(char16_t* name, std::size_t length, OptionFlags options) {
  const char16_t* stem = DefaultName(options);
  const std::size_t stemLength = TextLength(stem);
  const std::size_t kept = length + stemLength <= NAME_CAPACITY ? length : NAME_CAPACITY - stemLength;
  for (std::size_t i = kept; i > 0; --i) {
    name[i - 1 + stemLength] = name[i - 1];
  }
  for (std::size_t i = 0; i < stemLength; ++i) {
    name[i] = stem[i];
  }
  name[stemLength + kept] = 0;
  return stemLength + kept;
}

// The per-character steps over the decoded text. A character outside the BMP
// is one character of the lists and two code units of every other step,
// which leaves them as they are.
CleanedText CleanCharacters(const char16_t* decoded, char16_t* cleaned, const CharacterSteps& steps) {
  CleanedText out{cleaned, 0};
  for (std::size_t i = 0; decoded[i] != 0;) {
    const std::size_t units = CharacterUnits(decoded + i);
    char16_t character[2] = {ApplyStepsBeforeLists(decoded[i], steps.options), decoded[i + units - 1]};
    std::ptrdiff_t length = static_cast<std::ptrdiff_t>(units);
    if (steps.qList != nullptr) {
      char16_t replacement[2];
      const std::ptrdiff_t replaced = ListReplacement(character, units, steps, replacement);
      if (replaced >= 0) {
        length = replaced;
        character[0] = replaced > 0 ? replacement[0] : 0;
        character[1] = replaced > 1 ? replacement[1] : 0;
      }
    }
    if (length == 0) {
      out.Append(0);
    }
    for (std::ptrdiff_t unit = 0; unit < length; ++unit) {
      out.Append(ApplyStepsAfterLists(character[unit], steps.options));
    }
    i += units;
  }
  assert(out.length <= NAME_CAPACITY);
  cleaned[out.length] = 0;
  return out;
}

// Under /8: the cleaned name in Normalization Form C, through the system's
// NormalizeString; scratch is a buffer of MAX_ARG_LEN. Composition can bring
// back a character the steps change (U+1FEF becomes a grave accent), so a
// name that composition changed passes the steps after the lists once more;
// they change nothing they made themselves. When the system cannot compose the
// name (a lone surrogate, a result too long), it stays as it was.
void ComposeName(CleanedText* name, char16_t* scratch, OptionFlags options) {
  bool mayCompose = false;
  for (std::size_t i = 0; i < name->length && !mayCompose; ++i) {
    mayCompose = !IsInertInComposition(name->text[i]);
  }
  if (!mayCompose) {
    return;
  }
  const int composed = NormalizeString(NormalizationC, name->text, static_cast<int>(name->length), scratch,
                                       static_cast<int>(NAME_CAPACITY));
  if (composed <= 0) {
    return;
  }
  const auto composedLength = static_cast<std::size_t>(composed);
  bool same = composedLength == name->length;
  for (std::size_t i = 0; same && i < composedLength; ++i) {
    same = scratch[i] == name->text[i];
  }
  if (same) {
    return;
  }
  CleanedText recleaned{name->text, 0};
  for (std::size_t i = 0; i < composedLength; ++i) {
    recleaned.Append(ApplyStepsAfterLists(ApplyStepsBeforeLists(scratch[i], options), options));
  }
  name->text[recleaned.length] = 0;
  name->length = recleaned.length;
}

// The key a name is counted by: under /W its twin key (names.twins), else the
// name as the directory compares names (names.changes). key holds MAX_ARG_LEN; returns its length.
std::size_t RecordKey(const DirectoryNames& names, OptionFlags options, const char16_t* name, std::size_t length,
                      char16_t* key) {
  if ((options & OPT_WINDOWS_NAMES) != 0) {
    return TwinKey(name, length, key);
  }
  if (names.ignoresCase) {
    return UpperCaseKey(name, length, key);
  }
  CopyText(key, name, length);
  return length;
}

// What the probe of every candidate of one entry needs, and under /W learns.
struct Probe {
  DirectoryNames* names;  // may be null
  OptionFlags options;
  const char16_t* oldName;
  std::uint64_t oldFingerprint;  // of the entry's own name's twin key, 0 until needed
};

// Whether a candidate is taken (see MakeNameUnique). probePath is the
// directory followed by the candidate, which starts at candidateStart. The
// file system is asked only when askDisk says so.
bool IsNameTaken(const char16_t* probePath, std::size_t candidateStart, std::size_t candidateLength,
                 Probe* probe, bool askDisk = true) {
  DirectoryNames* names = probe->names;
  const bool twins = names != nullptr && names->twins != nullptr;
  const bool recorded =
      !twins && names != nullptr && names->changes != nullptr && names->directory != NO_PREVIEW_DIRECTORY;
  std::int64_t count = 0;  // the names under the candidate's key, beyond what the file system says
  if (twins || recorded) {
    char16_t key[MAX_ARG_LEN];
    const std::size_t keyLength =
        RecordKey(*names, probe->options, probePath + candidateStart, candidateLength, key);
    if (twins) {
      const std::uint64_t fingerprint = TwinFingerprint(key, keyLength);
      names->newFingerprint = fingerprint;
      count += static_cast<std::int64_t>(CountTwinNames(*names->twins, fingerprint));
      if (count > 0 && probe->oldFingerprint == 0) {
        probe->oldFingerprint = TwinFingerprintOfName(probe->oldName);
      }
      count -= fingerprint == probe->oldFingerprint ? 1 : 0;  // the entry's own name
    }
    if (recorded) {
      count += CountPreviewName(names->changes, names->directory, key);
    }
  }
  if (twins) {
    // The walk read every entry: the file system is asked only in a real run,
    // for an entry made since.
    return count > 0 ||
           (askDisk && (probe->options & OPT_NOT_REALLY) == 0 && QueryIsFileOrDirectory(probePath) != 0);
  }
  if (count != 0) {
    // Taken by an earlier entry; or left by one, with no other entry there.
    return count > 0;
  }
  return askDisk && QueryIsFileOrDirectory(probePath) != 0;
}

// "-%03u": a hyphen-minus and the counter in at least three digits. Returns the length.
std::size_t FormatCounter(std::uint32_t counter, char16_t* suffix) {
  char16_t digits[10];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + counter % 10);
    counter /= 10;
  } while (counter != 0);
  while (count < 3) {
    digits[count++] = u'0';
  }
  suffix[0] = u'-';
  for (std::size_t i = 0; i < count; ++i) {
    suffix[1 + i] = digits[count - 1 - i];
  }
  return count + 1;
}

// Takes a "-digits" counter off the end of the stem. Returns the counter to go
// on from: its value when below 10000, else 0. Leaves the stem whole, and
// returns 0, when it does not end in such a suffix (digits reaching the start
// of the stem are no suffix).
//
// The digits are the decimal-digit class; a digit of that class without an
// ASCII value (a superscript two, say) makes the number unreadable, which is
// treated like a number too large to continue: the suffix goes, the count
// starts again.
std::uint32_t TakeCounterSuffix(const char16_t* stem, std::size_t* stemLength) {
  std::size_t digitsStart = *stemLength;
  while (digitsStart > 0 && IsDecimalDigit(stem[digitsStart - 1])) {
    --digitsStart;
  }
  if (digitsStart == *stemLength || digitsStart == 0 || stem[digitsStart - 1] != u'-') {
    return 0;
  }
  std::uint32_t value = 0;
  for (std::size_t i = digitsStart; i < *stemLength; ++i) {
    if (!IsAsciiDigit(stem[i]) || value > LARGEST_CONTINUED_COUNTER) {
      value = LARGEST_CONTINUED_COUNTER + 1;  // unreadable or too large; stops growth
      continue;
    }
    value = value * 10 + static_cast<std::uint32_t>(stem[i] - u'0');
  }
  *stemLength = digitsStart - 1;
  return value <= LARGEST_CONTINUED_COUNTER ? value : 0;
}

// The extensions that follow ".tar" in the names of compressed archives,
// kept whole with it: "x.tar.gz" has the extension ".tar.gz".
constexpr const char16_t* COMPRESSED_TAR_EXTENSIONS[] = {u".GZ", u".XZ", u".BZ2", u".ZST"};
constexpr char16_t TAR_EXTENSION[] = u".TAR";
constexpr std::size_t TAR_EXTENSION_LENGTH = 4;

// Where a name's extension starts, the counter suffix going before it: at its
// last full stop, unless that is the name's first character (".profile" is
// all stem, as Unix names hidden files), or at the ".tar" of a compressed
// archive's compound extension (".tar.gz", ".tar.xz", ".tar.bz2", ".tar.zst",
// in any ASCII letter case) when something comes before it. A name without
// such a full stop is all stem: the result is its length.
std::size_t StemLength(const char16_t* name, std::size_t length) {
  std::size_t stop = length;
  while (stop > 1 && name[stop - 1] != u'.') {
    --stop;
  }
  if (stop <= 1) {
    return length;
  }
  const std::size_t extensionStart = stop - 1;
  for (const char16_t* compressed : COMPRESSED_TAR_EXTENSIONS) {
    if (extensionStart > TAR_EXTENSION_LENGTH &&
        EqualsIgnoringAsciiCase(name + extensionStart, length - extensionStart, compressed) &&
        EqualsIgnoringAsciiCase(name + extensionStart - TAR_EXTENSION_LENGTH, TAR_EXTENSION_LENGTH, TAR_EXTENSION)) {
      return extensionStart - TAR_EXTENSION_LENGTH;
    }
  }
  return extensionStart;
}

// The code units below U+0080 that no step changes under any option but
// condensing and the /Q list: letters, digits, '-', '_' and '.'. A blank is
// one of them unless /B is given.
struct PlainUnits {
  bool plain[0x80];
};

constexpr PlainUnits MakePlainUnits() {
  PlainUnits units{};
  for (char16_t ch = 0; ch < 0x80; ++ch) {
    units.plain[ch] = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || IsAsciiDigit(ch) || ch == u'-' ||
                      ch == u'_' || ch == u'.';
  }
  return units;
}

constexpr PlainUnits PLAIN_UNITS = MakePlainUnits();

// Whether the name cleans to itself for want of anything the steps change: it
// is made of plain units only and ends in neither a full stop nor a blank.
// Most names are; this tells them in one quick pass, where the steps would take
// many times as long. Condensing and a /Q list can change plain units, so with
// either the steps decide.
bool IsPlainName(const char16_t* name, std::size_t length, OptionFlags options, const char16_t* qList) {
  if (length == 0 || qList != nullptr || (options & (OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT)) != 0 ||
      name[length - 1] == u'.' || name[length - 1] == u' ') {
    return false;
  }
  const bool blanksPlain = (options & OPT_BLANKS) == 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t ch = name[i];
    if (!(ch < 0x80 && PLAIN_UNITS.plain[ch]) && !(ch == u' ' && blanksPlain)) {
      return false;
    }
  }
  return true;
}

}  // namespace

char16_t ApplyStepsBeforeLists(char16_t ch, OptionFlags options) {
  if ((options & OPT_UTF8) != 0) {
    ch = ReadPrivateUseStandIn(ch);
  }
  if ((options & OPT_QUOTES) != 0 && (ch == u'"' || ch == u'\'' || ch == u'`')) {
    ch = u'_';
  }
  return ch;
}

char16_t ApplyStepsAfterLists(char16_t ch, OptionFlags options) {
  if ((options & OPT_UTF8) != 0 && IsInvisibleFormatCharacter(ch)) {
    ch = 0;
  }
  ch = TranslateChar(ch);
  // A blank that trimming takes stays one until the end has been trimmed:
  // /B makes underscores only of the blanks a name keeps.
  if ((options & OPT_BLANKS) != 0 && IsWhitespace(ch) && !IsTrimmedAtTheEnd(ch)) {
    ch = u'_';
  }
  if ((options & OPT_AMPERSANDS) != 0 && ch == u'&') {
    ch = u'_';
  }
  if ((options & OPT_PARENTHESES) != 0 && (ch == u'(' || ch == u')')) {
    ch = u'_';
  }
  return ch;
}

bool IsInList(const char16_t* text, std::size_t units, OptionFlags options, const char16_t* qList) {
  char16_t replacement[2];
  return qList != nullptr && ListReplacement(text, units, CharacterSteps{options, qList, nullptr}, replacement) >= 0;
}

std::int32_t CleanName(const char16_t* oldName, char16_t* cleaned, const OptionFlags& options, const char16_t* qList,
                       const char16_t* rList) {
  const OptionFlags flags = options;
  const std::size_t oldLength = TextLength(oldName);
  if (oldLength > NAME_CAPACITY) {
    return NEW_NAME_TOO_LONG;
  }
  if (IsPlainName(oldName, oldLength, flags, qList)) {
    CopyText(cleaned, oldName, oldLength);
    return static_cast<std::int32_t>(oldLength);
  }

  // The old name is read as text into the work copy: under /8 and /W its
  // undecoded bytes (on POSIX only does a name carry them, always as surrogates), then
  // its entities with /H, then its hex pairs; under /8 mojibake is repaired
  // in the decoded text, pairs included ("caf%C3%83%C2%A9" is "café"), and
  // before the translation, which would turn the no-break space of a
  // misread "à" into a blank. The steps that follow read the work copy.
  char16_t work[MAX_ARG_LEN];
  const bool utf8 = (flags & OPT_UTF8) != 0;
  const char16_t* source = oldName;
  if (ReadsBytesAsText(flags) && ContainsSurrogate(oldName)) {
    CopyText(work, oldName, oldLength);
    source = ReadUndecodedBytes(work) ? work : oldName;
  }
  if ((flags & OPT_ENTITIES) != 0 && Contains(oldName, u'&') && Contains(oldName, u';')) {
    if (source != work) {
      CopyText(work, oldName, oldLength);
      source = work;
    }
    DecodeEntities(work);  // on failure the work copy is as it was
  }
  const std::size_t decodedLength = DecodeHexPairs(source, work, flags);
  if (utf8) {
    RepairMojibake(work, decodedLength);  // the work copy stays terminated
  }
  // A name without surrogates is left as it is by ReplaceSurrogates, so only a
  // name with one is given to it (and costs its scratch buffer). Hex pairs
  // give no surrogate but under /8, where a character outside the BMP is as
  // much one as the old name's own.
  if ((flags & OPT_HIGH_UNICODE) != 0 && ContainsSurrogate(work)) {
    ReplaceSurrogates(work);  // on failure the work copy is as it was
  }

  const CharacterSteps steps{flags, qList, rList};
  CleanedText text = CleanCharacters(work, cleaned, steps);
  if (utf8) {
    ComposeName(&text, work, flags);  // the work copy is read no more
  }
  std::size_t length = text.length;
  if ((flags & OPT_BLANKS) != 0) {
    // The blanks the steps kept for trimming: those it leaves become underscores.
    length = TrimEnd(cleaned, length);
    for (std::size_t i = 0; i < length; ++i) {
      if (cleaned[i] == u' ' || cleaned[i] == 0x00A0) {
        cleaned[i] = u'_';
      }
    }
  }
  if (CondenseRuns(cleaned, flags) > 0) {
    length = TextLength(cleaned);
  }
  length = TrimEnd(cleaned, length);
  if (length == 0) {
    const char16_t* defaultName = DefaultName(flags);
    length = TextLength(defaultName);
    CopyText(cleaned, defaultName, length);
  } else if (utf8 && text.droppedAtStart && cleaned[0] == u'.') {
    length = KeepVisible(cleaned, length, flags);
  }
  assert(length <= NAME_CAPACITY && cleaned[length] == 0);
  return static_cast<std::int32_t>(length);
}

bool NeedsNoChange(const char16_t* oldName, const char16_t* cleaned, const OptionFlags& options) {
  // Under /W a device name always needs a change, even one that is clean.
  return CompareIgnoringAsciiCase(oldName, cleaned) == 0 &&
         ((options & OPT_WINDOWS_NAMES) == 0 || !IsDeviceName(cleaned, TextLength(cleaned)));
}

std::int32_t MakeNameUnique(const char16_t* directory, const char16_t* oldName, const char16_t* cleaned,
                            char16_t* newName, const OptionFlags& options, DirectoryNames* names) {
  const std::size_t length = TextLength(cleaned);
  // Every name handed back must also fit, with the directory, into a path
  // buffer: the rename step forms that path. A name that cannot is refused
  // rather than cut, since a cut name could be taken or mean something else.
  const std::size_t directoryLength = TextLength(directory);
  if (directoryLength + length > NAME_CAPACITY) {
    return NEW_NAME_TOO_LONG;
  }

  // The name as stem and extension (see StemLength).
  std::size_t stemLength = StemLength(cleaned, length);
  const char16_t* extension = cleaned + stemLength;  // moved below for a device name
  // Every candidate is fitted into one name's limit in the directory, where
  // one is set (platform/name_limit.h).
  const std::size_t nameLimit = NameLimitOf(directory, (options & OPT_WINDOWS_NAMES) != 0);

  // Forms the candidate stem + suffix + extension after the directory in
  // probePath. Returns its length, or -1 when it cannot be formed.
  char16_t probePath[MAX_ARG_LEN];
  CopyText(probePath, directory, directoryLength);
  char16_t* candidate = probePath + directoryLength;
  auto formCandidate = [&](std::size_t stemKept, const char16_t* suffix, std::size_t suffixLength) {
    std::size_t extensionKept = length - stemLength;
    if (nameLimit != NO_NAME_LIMIT &&
        FitNameToLimit(nameLimit, cleaned, &stemKept, suffix, suffixLength, extension, &extensionKept) != 0) {
      return static_cast<std::ptrdiff_t>(-1);
    }
    if (directoryLength + stemKept + suffixLength + extensionKept > NAME_CAPACITY) {
      return static_cast<std::ptrdiff_t>(-1);
    }
    CopyText(candidate, cleaned, stemKept);
    CopyText(candidate + stemKept, suffix, suffixLength);
    CopyText(candidate + stemKept + suffixLength, extension, extensionKept);
    return static_cast<std::ptrdiff_t>(stemKept + suffixLength + extensionKept);
  };

  Probe probe{names, options, oldName, 0};
  if (names != nullptr) {
    names->newFingerprint = 0;
  }

  const std::ptrdiff_t firstLength = formCandidate(stemLength, u"", 0);
  if (firstLength < 0) {
    return NEW_NAME_TOO_LONG;
  }
  const bool firstIsDevice = IsDeviceName(candidate, static_cast<std::size_t>(firstLength));
  if ((options & OPT_NO_SUFFIX) != 0) {
    CopyText(newName, candidate, static_cast<std::size_t>(firstLength));
    if (firstIsDevice) {
      return NEW_NAME_DEVICE;
    }
    // No other name may be had, so a taken one is a failure before any
    // rename: the entry's own name (a twin that must leave it); a twin,
    // which the rename would make; in a preview that shows refusals, what
    // the real rename would refuse.
    const bool previewRefuses = PreviewTellsFailures(options);
    const bool twinsDecide = names != nullptr && names->twins != nullptr;
    const bool taken = TextEquals(newName, oldName) ||
                       ((previewRefuses || twinsDecide) &&
                        IsNameTaken(probePath, directoryLength, static_cast<std::size_t>(firstLength), &probe,
                                    previewRefuses));
    return taken ? NEW_NAME_TAKEN : NEW_NAME_READY;
  }
  // A name Windows takes for a device counts as taken: the command never
  // gives an entry a name that reaches a device instead of a file.
  if (!firstIsDevice && !IsNameTaken(probePath, directoryLength, static_cast<std::size_t>(firstLength), &probe)) {
    CopyText(newName, candidate, static_cast<std::size_t>(firstLength));
    return NEW_NAME_READY;
  }

  // Taken: continue an existing "-NNN" counter of the stem, and try
  // stem + "-NNN" + extension until one is free. A device name is split at
  // its first full stop instead, where Windows reads the device's name
  // ("Con.tar.gz" becomes "Con-001.tar.gz"): a suffix before a later one
  // would leave it a device name.
  if (firstIsDevice) {
    stemLength = 0;
    while (stemLength < length && cleaned[stemLength] != u'.') {
      ++stemLength;
    }
    extension = cleaned + stemLength;
  }
  std::size_t counterStemLength = stemLength;
  std::uint32_t counter = TakeCounterSuffix(cleaned, &counterStemLength);
  for (;;) {
    if (counter == LARGEST_COUNTER) {
      return NEW_NAME_NO_FREE_SUFFIX;
    }
    ++counter;
    char16_t suffix[12];
    const std::size_t suffixLength = FormatCounter(counter, suffix);
    const std::ptrdiff_t candidateLength = formCandidate(counterStemLength, suffix, suffixLength);
    if (candidateLength < 0) {
      return NEW_NAME_TOO_LONG;
    }
    if (!IsDeviceName(candidate, static_cast<std::size_t>(candidateLength)) &&
        !IsNameTaken(probePath, directoryLength, static_cast<std::size_t>(candidateLength), &probe)) {
      CopyText(newName, candidate, static_cast<std::size_t>(candidateLength));
      return NEW_NAME_READY;
    }
  }
}

std::int32_t BuildNewName(const char16_t* directory, const char16_t* oldName, char16_t* newName,
                          const OptionFlags& options, const char16_t* qList, const char16_t* rList,
                          DirectoryNames* names) {
  char16_t cleaned[MAX_ARG_LEN];
  const std::int32_t length = CleanName(oldName, cleaned, options, qList, rList);
  if (length < 0) {
    return length;
  }
  if (NeedsNoChange(oldName, cleaned, options) && (names == nullptr || names->keptTwin == nullptr)) {
    return NEW_NAME_UNCHANGED;
  }
  return MakeNameUnique(directory, oldName, cleaned, newName, options, names);
}

std::int32_t RecordNewName(DirectoryNames* names, const char16_t* oldName, const char16_t* newName,
                           const OptionFlags& options) {
  if (names == nullptr) {
    return 0;
  }
  const bool windowsNames = (options & OPT_WINDOWS_NAMES) != 0;
  if (windowsNames && names->twins != nullptr) {
    const std::uint64_t given = names->newFingerprint != 0 ? names->newFingerprint : TwinFingerprintOfName(newName);
    if (AddGivenName(names->twins, given) != 0 || AddLeftName(names->twins, TwinFingerprintOfName(oldName)) != 0) {
      return -1;
    }
  }
  if (names->changes == nullptr) {
    return 0;
  }
  if (names->directory == NO_PREVIEW_DIRECTORY) {
    if (!names->identityKnown) {
      return -1;
    }
    names->directory = PreviewDirectory(names->changes, names->identity, true);
    if (names->directory == NO_PREVIEW_DIRECTORY) {
      return -1;
    }
  }
  if (names->followsEntries &&
      RecordPreviewMove(names->changes, names->directory, oldName, newName) != PREVIEW_RECORDED) {
    return -1;
  }
  if (windowsNames) {
    return 0;  // the twins given count, as in a real run
  }
  char16_t oldKey[MAX_ARG_LEN];
  char16_t newKey[MAX_ARG_LEN];
  RecordKey(*names, options, oldName, TextLength(oldName), oldKey);
  RecordKey(*names, options, newName, TextLength(newName), newKey);
  return RecordPreviewRename(names->changes, names->directory, oldKey, newKey) == PREVIEW_RECORDED ? 0 : -1;
}

bool NameOnDisk(const DirectoryNames* names, const char16_t* name, char16_t* onDisk) {
  return names != nullptr && names->changes != nullptr && names->directory != NO_PREVIEW_DIRECTORY &&
         PreviewNameOnDisk(names->changes, names->directory, name, onDisk);
}
