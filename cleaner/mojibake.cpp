#include "cleaner/mojibake.h"

#include <algorithm>
#include <array>
#include <bitset>

#include "cleaner/translation.h"
#include "platform/ctype_table.h"
#include "core/shared_types.h"
#include "platform/format_characters.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"
#include "platform/win32.h"

// constexpr, so that the reverse lookup below is made at compile time; the
// declaration in the header gives it external linkage.
constexpr std::uint16_t Cp437Table[128] = {
    // 0x80: Ç ü é â ä à å ç
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    // 0x88: ê ë è ï î ì Ä Å
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    // 0x90: É æ Æ ô ö ò û ù
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    // 0x98: ÿ Ö Ü ¢ £ ¥ ₧ ƒ
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    // 0xA0: á í ó ú ñ Ñ ª º
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    // 0xA8: ¿ ⌐ ¬ ½ ¼ ¡ « »
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    // 0xB0: ░ ▒ ▓ │ ┤ ╡ ╢ ╖
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    // 0xB8: ╕ ╣ ║ ╗ ╝ ╜ ╛ ┐
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    // 0xC0: └ ┴ ┬ ├ ─ ┼ ╞ ╟
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    // 0xC8: ╚ ╔ ╩ ╦ ╠ ═ ╬ ╧
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    // 0xD0: ╨ ╤ ╥ ╙ ╘ ╒ ╓ ╫
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    // 0xD8: ╪ ┘ ┌ █ ▄ ▌ ▐ ▀
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    // 0xE0: α ß Γ π Σ σ µ τ
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    // 0xE8: Φ Θ Ω δ ∞ φ ε ∩
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    // 0xF0: ≡ ± ≥ ≤ ⌠ ⌡ ÷ ≈
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    // 0xF8: ° ∙ · √ ⁿ ² ■ NBSP
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

namespace {

enum CodePage { WINDOWS_1252, LATIN_1, CP437 };
constexpr CodePage CODE_PAGES[] = {WINDOWS_1252, LATIN_1, CP437};

// One mark for each unit of a name.
using UnitMarks = std::bitset<MAX_ARG_LEN>;

// The characters of code page 437's upper half in ascending order, each with
// its byte, for a binary search.
struct CharacterByte {
  char16_t character;
  std::uint8_t byte;
};

constexpr std::array<CharacterByte, 128> MakeCp437Bytes() {
  std::array<CharacterByte, 128> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = {static_cast<char16_t>(Cp437Table[i]), static_cast<std::uint8_t>(0x80 + i)};
  }
  std::sort(bytes.begin(), bytes.end(),
            [](const CharacterByte& a, const CharacterByte& b) { return a.character < b.character; });
  return bytes;
}

constexpr std::array<CharacterByte, 128> CP437_BYTES = MakeCp437Bytes();

// The byte (0x80..0xFF) that stands for the unit in the code page, or -1.
// Windows-1252's five undefined bytes stand for the C1 controls of their own
// value, as Windows reads them.
int ByteInCodePage(CodePage page, char16_t unit) {
  if (unit < 0x80) {
    return -1;
  }
  switch (page) {
    case LATIN_1:
      return unit <= 0xFF ? unit : -1;
    case WINDOWS_1252:
      if (unit >= 0xA0 && unit <= 0xFF) {
        return unit;
      }
      for (std::size_t i = 0; i < 32; ++i) {
        if (Cp1252Table[i] == unit) {
          return static_cast<int>(0x80 + i);
        }
      }
      return -1;
    case CP437: {
      const auto found = std::lower_bound(CP437_BYTES.begin(), CP437_BYTES.end(), unit,
                                          [](const CharacterByte& entry, char16_t ch) { return entry.character < ch; });
      return found != CP437_BYTES.end() && found->character == unit ? found->byte : -1;
    }
  }
  return -1;
}

bool InSomeCodePage(char16_t unit) {
  return unit >= 0x80 && (unit <= 0xFF || ByteInCodePage(WINDOWS_1252, unit) >= 0 || ByteInCodePage(CP437, unit) >= 0);
}

constexpr bool IsAsciiLetter(char16_t ch) { return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z'); }

// The guards of the header on one character of a reading.
bool IsPlausibleRepair(char32_t code, bool besideLetter) {
  if (code <= 0x9F || code == 0xFFFD) {
    return false;
  }
  if (code >= 0x0200 && code <= 0x02FF && !(code >= 0x0218 && code <= 0x021B)) {
    return false;
  }
  if (besideLetter && code >= 0x0250 && code <= 0x07FF && !(code >= 0x0300 && code <= 0x036F)) {
    return false;
  }
  if (code <= 0xFFFF) {
    const auto unit = static_cast<char16_t>(code);
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE1, &unit, 1, &type) != 0 && (type & C1_DEFINED) != 0;
  }
  return IsAssignedBeyondBmp(code);
}

constexpr bool IsCombiningMark(char32_t code) { return code >= 0x0300 && code <= 0x036F; }

// A character and the combining marks read after it so far, which the next
// mark of a reading must compose with.
struct Cluster {
  static constexpr std::size_t CAPACITY = 8;
  char16_t units[CAPACITY + 1];
  std::size_t length = 0;

  void StartWith(char32_t code) { length = IsCombiningMark(code) ? 0 : PutCodePoint(code, units); }

  // Whether Normalization Form C takes the mark into the cluster's
  // character, and if so keeps it. A decomposed accent misread as two bytes
  // ("e" then "Ì\x81") composes with the letter before it; an uppercase Ì
  // or Í before typographic punctuation ("COSÌ…", "SÍ”") reads as a mark
  // that composes with nothing.
  bool TakeMark(char16_t mark) {
    if (length == 0 || length == CAPACITY) {
      return false;
    }
    char16_t composed[CAPACITY + 1];
    const int without = NormalizeString(NormalizationC, units, static_cast<int>(length), composed, CAPACITY + 1);
    units[length] = mark;
    const int with = NormalizeString(NormalizationC, units, static_cast<int>(length + 1), composed, CAPACITY + 1);
    if (without <= 0 || with <= 0 || with > without) {
      return false;
    }
    ++length;
    return true;
  }
};

// Whether a step after the repair changes or drops the unit (a no-break
// space becomes a blank, a soft hyphen goes, a C1 control is read as
// Windows-1252): one that continues no sequence must not keep the sequences
// beside it from being read, or a second run would read them.
bool IsChangedByLaterSteps(char16_t unit) { return TranslateChar(unit) != unit || IsInvisibleFormatCharacter(unit); }

// Where a run stands in its text: the unit in front of it (0 at the start of
// the text), whether an ASCII letter stands right before it and right after
// it, and, in the second round, which of its units the first passed over
// (null in the first).
struct RunPlace {
  char16_t before;
  bool letterBefore;
  bool letterAfter;
  const UnitMarks* firstPassedOver;
  std::size_t start;  // of the run in the text, for firstPassedOver
};

// Whether a byte can begin a UTF-8 sequence of RFC 3629.
constexpr bool CanBeginSequence(int byte) { return byte >= 0xC2 && byte <= 0xF4; }

// Reads the run through the code page as UTF-8. Returns the number of units
// of the reading, written to out unless it is null (out may be the run
// itself: no unit is written before it has been read), or -1 when the page
// does not read the run. A unit that a later step changes or drops, where a
// sequence would begin and its byte cannot begin one, stays as it is between
// the sequences read, and is marked in passedOver (unless it is null) at its
// place in the text, out being the text from outStart on; a page that reads
// no sequence does not read the run. A unit the first round passed over ends
// a two-byte sequence in the second, and no longer one: a twice-misread "à"
// ("Ã" and a no-break space) is read, while "é" and two such units that
// only happen to stand after it do not make a CJK character.
std::ptrdiff_t ReadRun(CodePage page, const char16_t* run, std::size_t length, const RunPlace& place, char16_t* out,
                       UnitMarks* passedOver, std::size_t outStart) {
  const char16_t before = place.before;
  std::ptrdiff_t written = 0;
  Cluster cluster;
  if (before != 0 && !IsSurrogate(before)) {
    cluster.StartWith(before);
  }
  bool anySequence = false;
  for (std::size_t i = 0; i < length;) {
    unsigned char bytes[4];
    const int lead = ByteInCodePage(page, run[i]);
    if (lead >= 0 && !CanBeginSequence(lead) && IsChangedByLaterSteps(run[i])) {
      cluster.StartWith(run[i]);
      if (out != nullptr) {
        out[written] = run[i];
      }
      if (passedOver != nullptr) {
        passedOver->set(outStart + static_cast<std::size_t>(written));
      }
      ++written;
      ++i;
      continue;
    }
    const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0 || i + needed > length) {
      return -1;
    }
    for (std::size_t k = 0; k < needed; ++k) {
      const int byte = ByteInCodePage(page, run[i + k]);
      const bool firstPassedOver = place.firstPassedOver != nullptr && (*place.firstPassedOver)[place.start + i + k];
      if (byte < 0 || (firstPassedOver && (k == 0 || needed != 2))) {
        return -1;
      }
      bytes[k] = static_cast<unsigned char>(byte);
    }
    // The guard beside a letter holds for the characters that touch it.
    const bool besideLetter = (i == 0 && place.letterBefore) || (i + needed == length && place.letterAfter);
    char32_t code = 0;
    if (ReadUtf8Sequence(bytes, needed, &code) != needed || !IsPlausibleRepair(code, besideLetter)) {
      return -1;
    }
    if (!IsCombiningMark(code)) {
      cluster.StartWith(code);
    } else if (!cluster.TakeMark(static_cast<char16_t>(code))) {
      return -1;
    }
    char16_t units[2];
    const std::size_t unitCount = PutCodePoint(code, out != nullptr ? out + written : units);
    written += static_cast<std::ptrdiff_t>(unitCount);
    i += needed;
    anySequence = true;
  }
  return anySequence ? written : -1;
}

// Two code pages that read a run read it alike exactly when they give its
// units the same bytes.
bool SameBytes(CodePage first, CodePage second, const char16_t* run, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (ByteInCodePage(first, run[i]) != ByteInCodePage(second, run[i])) {
      return false;
    }
  }
  return true;
}

// The code page whose reading the run takes, or -1 for none; *conflict is
// set when two pages read it differently.
int ChooseReading(const char16_t* run, std::size_t length, const RunPlace& place, bool* conflict) {
  int chosen = -1;
  for (const CodePage page : CODE_PAGES) {
    // A page with the chosen one's bytes reads the run alike (Latin-1 and
    // Windows-1252 share U+00A0..U+00FF): no need to read it again.
    if (chosen >= 0 && SameBytes(static_cast<CodePage>(chosen), page, run, length)) {
      continue;
    }
    if (ReadRun(page, run, length, place, nullptr, nullptr, 0) < 0) {
      continue;
    }
    if (chosen < 0) {
      chosen = page;
    } else {
      *conflict = true;
    }
  }
  return chosen;
}

// Calls visit(start, length, place) for every run of at least two units (one
// byte of 0x80 or above is never UTF-8 on its own); place.firstPassedOver is
// the marks given.
template <typename Visit>
void ForEachRun(const char16_t* text, std::size_t length, const UnitMarks* firstPassedOver, Visit visit) {
  std::size_t i = 0;
  while (i < length) {
    if (!InSomeCodePage(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < length && InSomeCodePage(text[end])) {
      ++end;
    }
    if (end - i >= 2) {
      const RunPlace place{i > 0 ? text[i - 1] : u'\0', i > 0 && IsAsciiLetter(text[i - 1]),
                           end < length && IsAsciiLetter(text[end]), firstPassedOver, i};
      visit(i, end - i, place);
    }
    i = end;
  }
}

// One round: whether any run was read anew (the text rewritten in place).
// firstPassedOver, in the second round, holds the units the first passed
// over; passedOver, in the first, takes them (see ReadRun). Each may be null.
bool RepairRound(char16_t* text, std::size_t* length, const UnitMarks* firstPassedOver, UnitMarks* passedOver) {
  bool anyReading = false;
  bool conflict = false;
  ForEachRun(text, *length, firstPassedOver, [&](std::size_t start, std::size_t runLength, const RunPlace& place) {
    anyReading = ChooseReading(text + start, runLength, place, &conflict) >= 0 || anyReading;
  });
  if (!anyReading || conflict) {
    return false;
  }
  // Every run's reading is no longer than the run, so the text is rewritten
  // from its start, never ahead of what is still to be read.
  std::size_t read = 0;
  std::size_t written = 0;
  ForEachRun(text, *length, firstPassedOver, [&](std::size_t start, std::size_t runLength, const RunPlace& place) {
    while (read < start) {
      text[written++] = text[read++];
    }
    bool unused = false;
    const int page = ChooseReading(text + start, runLength, place, &unused);
    if (page >= 0) {
      written += static_cast<std::size_t>(ReadRun(static_cast<CodePage>(page), text + start, runLength, place,
                                                  text + written, passedOver, written));
      read = start + runLength;
    }
  });
  while (read < *length) {
    text[written++] = text[read++];
  }
  text[written] = 0;
  *length = written;
  return true;
}

// Whether the unit may stand for a UTF-8 lead byte (0xC2..0xF4) in one of the
// code pages: Latin-1's and Windows-1252's U+00C2..U+00F4, and code page 437's
// box drawing, Greek and mathematical characters there (with its µ and ±).
// More units than that pass; ChooseReading decides.
constexpr bool MayBeLeadByte(char16_t unit) {
  return (unit >= 0x00C2 && unit <= 0x00F4) || (unit >= 0x0393 && unit <= 0x25A0) || unit == 0x00B1 ||
         unit == 0x00B5;
}

// Whether some unit that may be a lead byte has a unit at 0x80 or above after
// it: every run a code page reads starts so. Most names fail at once.
bool MayHoldMojibake(const char16_t* text, std::size_t length) {
  for (std::size_t i = 1; i < length; ++i) {
    if (text[i] >= 0x80 && MayBeLeadByte(text[i - 1])) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::size_t RepairMojibake(char16_t* text, std::size_t length) {
  if (!MayHoldMojibake(text, length)) {
    return length;
  }
  UnitMarks passedOver;
  if (RepairRound(text, &length, nullptr, &passedOver)) {
    RepairRound(text, &length, &passedOver, nullptr);
  }
  return length;
}
