// Printf, Qprintf, QPuts, Sprintf and CrLf: formatted text on the standard
// handles, written as UTF-16 to a console and as UTF-8 everywhere else.
//
// The program's own text ends its lines in "\r\n", written as the platform's
// line end. The text of arguments (names, paths, what the user typed) is
// written exactly to files and pipes, where scripts read it, and is escaped on
// a console or terminal, which would act on its control characters
// (platform/terminal_text.h says how).
#include <cstdarg>
#include <string>

#include "host/host_output.h"
#include "platform/utf16_text.h"
#include "platform/text_format.h"
#include "core/host_services.h"

namespace {

// Code units converted and written per system call.
constexpr std::size_t chunkCapacity = 1024;
// UTF-8 needs at most three bytes for each UTF-16 code unit.
constexpr std::size_t chunkBytes = 3 * chunkCapacity;
// Most formatted texts fit here; longer ones (two long paths on one line) are
// formatted a second time into a buffer of their exact size.
constexpr std::size_t formatCapacity = 2048;
// Sprintf's callers pass buffers of this many characters.
constexpr std::size_t sprintfCapacity = 1024;


bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

std::int32_t WriteChunk(HANDLE handle, const char16_t* chunk, std::size_t length, bool console) {
  DWORD written = 0;
  if (console && WriteConsoleW(handle, chunk, static_cast<DWORD>(length), &written, nullptr)) {
    return 0;
  }
  // Not a console, or one that refused wide text: send UTF-8 bytes instead.
  char bytes[chunkBytes];
  const int byteCount = WideCharToMultiByte(CP_UTF8, 0, chunk, static_cast<int>(length), bytes,
                                            static_cast<int>(chunkBytes), nullptr, nullptr);
  if (byteCount <= 0) {
    return -1;
  }
  return WriteFile(handle, bytes, static_cast<DWORD>(byteCount), &written, nullptr) ? 0 : -1;
}

// Writes length code units of text to the handle, with each carriage return and
// line feed as a bare line feed when bareLineFeeds is set. Returns the number
// of code units taken from text, or -1 when the handle refused them.
std::int32_t WriteToHandle(HANDLE handle, bool console, const char16_t* text, std::size_t length,
                           bool bareLineFeeds) {
  char16_t chunk[chunkCapacity];
  std::size_t taken = 0;
  bool refused = false;
  while (taken < length) {
    std::size_t filled = 0;
    while (taken < length && filled < chunkCapacity) {
      const char16_t unit = text[taken];
      if (bareLineFeeds && unit == u'\r' && taken + 1 < length && text[taken + 1] == u'\n') {
        ++taken;
        continue;
      }
      // A surrogate pair is converted as one character, so it never straddles two chunks.
      if (IsHighSurrogate(unit) && filled == chunkCapacity - 1 && taken + 1 < length) {
        break;
      }
      chunk[filled++] = unit;
      ++taken;
    }
    if (filled > 0 && WriteChunk(handle, chunk, filled, console) != 0) {
      refused = true;
    }
  }
  return refused ? -1 : static_cast<std::int32_t>(length);
}

// Program text: the lines end as the platform's do.
std::int32_t WriteProgramText(HANDLE handle, const char16_t* text, std::size_t length) {
  return WriteToHandle(handle, IsConsole(handle), text, length, unixLineEnds);
}

std::int32_t WriteFormatted(HANDLE handle, const char16_t* format, std::va_list arguments) {
  std::va_list second;
  va_copy(second, arguments);
  const bool console = IsConsole(handle);
  const TextForm form{unixLineEnds, console};
  char16_t text[formatCapacity];
  const std::size_t length = FormatText(text, formatCapacity, format, arguments, form);
  std::int32_t result = 0;
  if (length < formatCapacity) {
    result = WriteToHandle(handle, console, text, length, false);
  } else {
    std::u16string longText(length + 1, u'\0');
    FormatText(longText.data(), longText.size(), format, second, form);
    result = WriteToHandle(handle, console, longText.data(), length, false);
  }
  va_end(second);
  return result;
}

}  // namespace

extern "C" {

int Printf(const char16_t* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::int32_t result = WriteFormatted(GetStdHandle(STD_OUTPUT_HANDLE), format, arguments);
  va_end(arguments);
  return result;
}

int Qprintf(HANDLE handle, const char16_t* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::int32_t result = WriteFormatted(handle, format, arguments);
  va_end(arguments);
  return result;
}

int QPuts(const char16_t* text) {
  return WriteProgramText(GetStdHandle(STD_OUTPUT_HANDLE), text, std::char_traits<char16_t>::length(text));
}

int Sprintf(char16_t* buffer, const char16_t* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::size_t length = FormatText(buffer, sprintfCapacity, format, arguments);
  va_end(arguments);
  // A cut text holds as many characters as the buffer could take.
  return static_cast<int>(length < sprintfCapacity ? length : sprintfCapacity - 1);
}

int CrLf() { return WriteProgramText(GetStdHandle(STD_OUTPUT_HANDLE), u"\r\n", 2); }

}  // extern "C"
