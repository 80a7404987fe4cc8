// POSIX implementation of LCMapStringEx: upper-casing in the invariant locale
// through Debian's utf8proc, one code unit at a time.
#include <utf8proc.h>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace {

constexpr char16_t SHARP_S = 0x00DF;


// The simple upper-case mapping of a code unit of the Basic Multilingual
// Plane; the unit itself when it has none there.
char16_t UpperCaseUnit(char16_t unit) {
  if (unit < 0x80) {
    return ToUpperAscii(unit);
  }
  // utf8proc upper-cases the sharp s to U+1E9E, which the Unicode data (and
  // Windows) leave alone: it has no simple upper-case mapping.
  if (IsSurrogate(unit) || unit == SHARP_S) {
    return unit;
  }
  const utf8proc_int32_t upper = utf8proc_toupper(unit);
  return upper >= 0 && upper <= 0xFFFF && !IsSurrogate(static_cast<char16_t>(upper)) ? static_cast<char16_t>(upper)
                                                                                       : unit;
}

}  // namespace

int LCMapStringEx(LPCWSTR localeName, DWORD mapFlags, LPCWSTR source, int sourceLength, LPWSTR destination,
                  int destinationLength, void* /*versionInformation*/, void* /*reserved*/,
                  std::intptr_t /*sortHandle*/) {
  if (mapFlags != LCMAP_UPPERCASE || localeName == nullptr || localeName[0] != 0 || source == nullptr || sourceLength < -1 ||
      sourceLength == 0 || destinationLength < 0 || (destinationLength > 0 && destination == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = sourceLength == -1 ? TextLength(source) + 1 : static_cast<std::size_t>(sourceLength);
  if (destinationLength == 0) {
    return static_cast<int>(length);
  }
  if (length > static_cast<std::size_t>(destinationLength)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (std::size_t i = 0; i < length; ++i) {
    destination[i] = UpperCaseUnit(source[i]);
  }
  return static_cast<int>(length);
}
