// POSIX implementation of NormalizeString: Unicode Normalization Form C through
// Debian's utf8proc, with Windows' conventions for lengths and errors.
#include <utf8proc.h>

#include <vector>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace {


// Windows' result for text with a lone surrogate: the negated index of the
// first one, with ERROR_NO_UNICODE_TRANSLATION.
int RefuseLoneSurrogate(std::size_t index) {
  SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  return -static_cast<int>(index);
}

}  // namespace

int NormalizeString(NORM_FORM form, LPCWSTR source, int sourceLength, LPWSTR destination, int destinationLength) {
  if (form != NormalizationC || source == nullptr || sourceLength < 0 || destinationLength < 0 ||
      (destinationLength > 0 && destination == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto length = static_cast<std::size_t>(sourceLength);
  for (std::size_t i = 0; i < length; ++i) {
    if (IsHighSurrogate(source[i]) && i + 1 < length && IsLowSurrogate(source[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(source[i]) || IsLowSurrogate(source[i])) {
      return RefuseLoneSurrogate(i);
    }
  }
  // Without lone surrogates the UTF-8 form is well-formed, as utf8proc wants it.
  std::vector<char> bytes(length * 3 + 1);
  const std::size_t byteCount = EncodeUtf8(source, length, bytes.data(), bytes.size());
  const auto* text = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
  const auto options = static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE);
  // Decomposed into code points (canonical order), then composed in place.
  std::vector<utf8proc_int32_t> codes(length + 1);
  utf8proc_ssize_t count = 0;
  for (;;) {
    count = utf8proc_decompose(text, static_cast<utf8proc_ssize_t>(byteCount), codes.data(),
                               static_cast<utf8proc_ssize_t>(codes.size()), options);
    if (count < 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    if (static_cast<std::size_t>(count) <= codes.size()) break;
    codes.resize(static_cast<std::size_t>(count));
  }
  count = utf8proc_normalize_utf32(codes.data(), count, options);
  std::size_t needed = 0;
  for (utf8proc_ssize_t i = 0; i < count; ++i) needed += codes[static_cast<std::size_t>(i)] > 0xFFFF ? 2 : 1;
  if (destinationLength == 0) return static_cast<int>(needed);
  if (needed > static_cast<std::size_t>(destinationLength)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::size_t written = 0;
  for (utf8proc_ssize_t i = 0; i < count; ++i) {
    written += PutCodePoint(static_cast<char32_t>(codes[static_cast<std::size_t>(i)]), destination + written);
  }
  return static_cast<int>(written);
}
