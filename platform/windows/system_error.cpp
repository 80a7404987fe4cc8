// Windows implementation of platform/system_error.h: the Windows code is the
// system's own error, and its message the system's own words.
#include "platform/system_error.h"

#include "platform/win32.h"

std::uint32_t GetLastSystemError() { return GetLastError(); }

std::uint32_t SystemErrorOf(std::uint32_t code) { return code; }

void SystemErrorWords(std::uint32_t error, char16_t* text, std::size_t capacity) {
  constexpr DWORD oneLine = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  DWORD length = ::FormatMessageW(oneLine, nullptr, error, 0, reinterpret_cast<wchar_t*>(text),
                                  static_cast<DWORD>(capacity), nullptr);
  while (length > 0 && (text[length - 1] == u' ' || text[length - 1] == u'\r' || text[length - 1] == u'\n')) {
    --length;
  }
  text[length] = 0;
}
