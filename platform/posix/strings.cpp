// POSIX implementation: character types and wsprintfW.
#include "platform/ctype_table.h"
#include "platform/posix/posix_internal.h"
#include "platform/text_format.h"
#include "platform/utf16_text.h"

BOOL GetStringTypeW(DWORD infoType, LPCWSTR text, int length, WORD* types) {
  if (infoType != CT_CTYPE1 || text == nullptr || types == nullptr || length < -1 || length == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // As on Windows, -1 means the text up to and including its terminator.
  const std::size_t count = length == -1 ? TextLength(text) + 1 : static_cast<std::size_t>(length);
  for (std::size_t i = 0; i < count; ++i) types[i] = CharType1(text[i]);
  return TRUE;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  // Windows writes at most 1024 characters, the terminator included, and
  // answers 1024 for a text it had to cut.
  constexpr std::size_t kCapacity = 1024;
  std::va_list arguments;
  va_start(arguments, format);
  const std::size_t length = FormatText(buffer, kCapacity, format, arguments);
  va_end(arguments);
  return static_cast<int>(length < kCapacity ? length : kCapacity);
}
