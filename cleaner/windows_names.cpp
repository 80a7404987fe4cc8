#include "cleaner/windows_names.h"

#include "cleaner/char_classes.h"
#include "core/shared_types.h"
#include "platform/name_limit.h"
#include "platform/utf16_text.h"
#include "platform/win32.h"

namespace {

bool IsCharacterStart(const char16_t* text, std::size_t at) {
  return at == 0 || !(IsLowSurrogate(text[at]) && IsHighSurrogate(text[at - 1]));
}

bool Fits(std::size_t limit, const char16_t* stem, std::size_t stemLength, const char16_t* suffix,
          std::size_t suffixLength, const char16_t* extension, std::size_t extensionLength) {
  const char16_t* const pieces[] = {stem, suffix, extension};
  const std::size_t lengths[] = {stemLength, suffixLength, extensionLength};
  return NameFitsLimit(limit, pieces, lengths, 3);
}

// Takes whole characters off the end of text until fits(length) holds or
// nothing is left. Returns the length kept. A shorter piece never takes more
// room than a longer one, so the longest length that fits is searched for by
// halves: each test measures the whole name, and a name of thousands of
// units cut one character at a time would be measured thousands of times.
template <typename FitsLength>
std::size_t CutToFit(const char16_t* text, std::size_t length, FitsLength fits) {
  if (fits(length)) {
    return length;
  }
  std::size_t fitting = 0;  // fits, unless nothing does
  std::size_t tooLong = length;
  while (tooLong - fitting > 1) {
    const std::size_t middle = fitting + (tooLong - fitting) / 2;
    (fits(middle) ? fitting : tooLong) = middle;
  }
  while (fitting > 0 && !IsCharacterStart(text, fitting)) {
    --fitting;
  }
  return fitting;
}

std::size_t TrimBlanksAndStops(const char16_t* text, std::size_t length) {
  while (length > 0 && (text[length - 1] == u' ' || text[length - 1] == u'.')) {
    --length;
  }
  return length;
}

}  // namespace

std::int32_t FitNameToLimit(std::size_t limit, const char16_t* stem, std::size_t* stemLength, const char16_t* suffix,
                           std::size_t suffixLength, const char16_t* extension, std::size_t* extensionLength) {
  // No code unit takes more than three bytes, or one UTF-16 unit: most names
  // fit without being measured, and then nothing is cut that could end them.
  if (3 * (*stemLength + suffixLength + *extensionLength) <= limit && *stemLength + suffixLength + *extensionLength > 0) {
    return 0;
  }
  if (!Fits(limit, stem, 0, suffix, suffixLength, extension, *extensionLength)) {
    // No stem leaves room for this extension: the name is cut from its end
    // instead, so that it keeps its beginning and never starts with the
    // extension's full stop. The stem stays whole before the suffix (a
    // device's name stays parted from the rest) when some of the extension
    // fits after them; else the extension goes and the stem is shortened.
    if (Fits(limit, stem, *stemLength, suffix, suffixLength, extension, 0)) {
      *extensionLength = CutToFit(extension, *extensionLength, [&](std::size_t length) {
        return Fits(limit, stem, *stemLength, suffix, suffixLength, extension, length);
      });
    } else {
      *extensionLength = 0;
      *stemLength = CutToFit(stem, *stemLength, [&](std::size_t length) {
        return Fits(limit, stem, length, suffix, suffixLength, extension, 0);
      });
    }
  } else {
    const std::size_t wholeStem = *stemLength;
    *stemLength = CutToFit(stem, *stemLength, [&](std::size_t length) {
      return Fits(limit, stem, length, suffix, suffixLength, extension, *extensionLength);
    });
    if (*stemLength == 0 && wholeStem > 0) {
      // With no stem the name would begin with the extension's full stop, a
      // hidden name, or with the suffix (a device's name gone): it keeps its
      // first character, and the extension is cut from its end instead.
      *stemLength = IsCharacterStart(stem, 1) || wholeStem < 2 ? 1 : 2;
      *extensionLength = CutToFit(extension, *extensionLength, [&](std::size_t length) {
        return Fits(limit, stem, *stemLength, suffix, suffixLength, extension, length);
      });
    }
  }
  // A cut piece may now end the name, and Windows would drop a blank or a
  // full stop there: the extension when one is left, else the stem unless the
  // suffix ends the name (it ends in a digit).
  *extensionLength = TrimBlanksAndStops(extension, *extensionLength);
  if (*extensionLength == 0 && suffixLength == 0) {
    *stemLength = TrimBlanksAndStops(stem, *stemLength);
  }
  const bool fits = Fits(limit, stem, *stemLength, suffix, suffixLength, extension, *extensionLength);
  return fits && *stemLength + suffixLength + *extensionLength > 0 ? 0 : -1;
}

namespace {

// The system's upper-casing of a name that is not all ASCII, written over key.
void UpperCaseBeyondAscii(const char16_t* name, std::size_t length, char16_t* key) {
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, static_cast<int>(length), key, static_cast<int>(length),
                nullptr, nullptr, 0);
}

}  // namespace

std::size_t UpperCaseKey(const char16_t* name, std::size_t length, char16_t* key) {
  bool ascii = true;
  for (std::size_t i = 0; i < length; ++i) {
    key[i] = ToUpperAscii(name[i]);
    ascii = ascii && name[i] < 0x80;
  }
  if (!ascii) {
    UpperCaseBeyondAscii(name, length, key);
  }
  key[length] = 0;
  return length;
}

std::size_t TwinKey(const char16_t* name, std::size_t length, char16_t* key) {
  // One pass for the names that composing leaves alone, most of all ASCII ones.
  bool ascii = true;
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t unit = name[i];
    if (unit >= 0x80) {
      ascii = false;
      if (!IsInertInComposition(unit)) {
        char16_t composed[MAX_ARG_LEN];
        const int composedLength = NormalizeString(NormalizationC, name, static_cast<int>(length), composed,
                                                   static_cast<int>(MAX_ARG_LEN - 1));
        // A name the system cannot compose is upper-cased as it stands.
        return composedLength > 0 ? UpperCaseKey(composed, static_cast<std::size_t>(composedLength), key)
                                  : UpperCaseKey(name, length, key);
      }
    }
    key[i] = ToUpperAscii(unit);
  }
  if (!ascii) {
    UpperCaseBeyondAscii(name, length, key);
  }
  key[length] = 0;
  return length;
}
