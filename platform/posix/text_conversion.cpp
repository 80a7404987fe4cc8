// POSIX implementation: UTF-8 <-> UTF-16 with the byte-escaping scheme that lets
// any file name, valid UTF-8 or not, cross into UTF-16 and back unchanged.
#include <cstring>
#include <string>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"

std::size_t DecodeUtf8(const char* bytes, std::size_t count, char16_t* text, std::size_t capacity) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t needed = 0;
  auto put = [&](char16_t unit) {
    if (needed < capacity) text[needed] = unit;
    ++needed;
  };
  std::size_t at = 0;
  while (at < count) {
    char32_t code = 0;
    const std::size_t length = ReadUtf8Sequence(in + at, count - at, &code);
    if (length == 0) {
      put(static_cast<char16_t>(UNDECODED_BYTE_BASE + in[at]));
      ++at;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      put(static_cast<char16_t>(0xD800 + (code >> 10)));
      put(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      put(static_cast<char16_t>(code));
    }
    at += length;
  }
  return needed;
}

std::size_t EncodeUtf8(const char16_t* text, std::size_t length, char* bytes, std::size_t capacity) {
  std::size_t needed = 0;
  unsigned char sequence[4];
  for (std::size_t i = 0; i < length; ++i) {
    const char32_t unit = text[i];
    if (unit < 0x80) {
      // A run of ASCII, most of every path: one byte each, copied in one loop.
      std::size_t end = i + 1;
      while (end < length && text[end] < 0x80) ++end;
      const std::size_t room = needed < capacity ? capacity - needed : 0;
      const std::size_t copied = end - i < room ? end - i : room;
      for (std::size_t k = 0; k < copied; ++k) bytes[needed + k] = static_cast<char>(text[i + k]);
      needed += end - i;
      i = end - 1;
      continue;
    }
    std::size_t size = 0;
    if (unit < 0x800) {
      sequence[size++] = static_cast<unsigned char>(0xC0 | (unit >> 6));
      sequence[size++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    } else if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
      const char32_t code = CodePointOfPair(unit, text[i + 1]);
      ++i;
      sequence[size++] = static_cast<unsigned char>(0xF0 | (code >> 18));
      sequence[size++] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
      sequence[size++] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
      sequence[size++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    } else if (unit >= UNDECODED_BYTE_BASE + 0x80 && unit <= UNDECODED_BYTE_BASE + 0xFF) {
      sequence[size++] = static_cast<unsigned char>(unit - UNDECODED_BYTE_BASE);
    } else {
      // Everything else, lone surrogates included, in the three-byte form.
      sequence[size++] = static_cast<unsigned char>(0xE0 | (unit >> 12));
      sequence[size++] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
      sequence[size++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    }
    if (needed + size <= capacity) std::memcpy(bytes + needed, sequence, size);
    needed += size;
  }
  return needed;
}

bool PathToBytes(const char16_t* path, char* bytes, std::size_t capacity) {
  const std::size_t needed = EncodeUtf8(path, TextLength(path), bytes, capacity);
  if (needed >= capacity) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  bytes[needed] = 0;
  return true;
}

namespace {

// The Windows conventions shared by both directions: a length of -1 means "up
// to and including the terminator", a capacity of 0 asks for the size needed,
// and a result that does not fit fails with ERROR_INSUFFICIENT_BUFFER.
template <typename In, typename Out, typename Convert>
int ConvertLikeWindows(UINT codePage, const In* input, int inputLength, Out* output, int outputSize,
                       Convert convert) {
  if (codePage != CP_UTF8 || input == nullptr || inputLength < -1 || outputSize < 0 ||
      (outputSize > 0 && output == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = inputLength == -1 ? std::char_traits<In>::length(input) + 1
                                               : static_cast<std::size_t>(inputLength);
  if (length == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t needed = convert(input, length, output, static_cast<std::size_t>(outputSize));
  if (outputSize > 0 && needed > static_cast<std::size_t>(outputSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return static_cast<int>(needed);
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, const char* bytes, int byteCount, LPWSTR text,
                        int textSize) {
  return ConvertLikeWindows(codePage, bytes, byteCount, text, textSize, DecodeUtf8);
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, LPCWSTR text, int textLength, char* bytes,
                        int byteSize, const char* /*defaultChar*/, BOOL* usedDefault) {
  if (usedDefault != nullptr) *usedDefault = FALSE;
  return ConvertLikeWindows(codePage, text, textLength, bytes, byteSize, EncodeUtf8);
}
