// printf-style formatting of UTF-16 text, the same on every platform.
// Used by the host's Printf family and by the POSIX wsprintfW.
//
// Conversions: %s (const char16_t*, null prints "(null)"), %c (a UTF-16 code unit
// passed as int), %d and %i (int), %u (unsigned), %x and %X (unsigned, hex), %%.
// Flags '-' (left-justify) and '0' (zero-pad), a width (digits or '*') and a
// precision ('.' and digits or '*': the most characters of %s, the fewest digits
// of a number). An unknown conversion is copied as it stands.
#pragma once

#include <cstdarg>
#include <cstddef>

// How the text is put together for where it goes. The format is the program's
// own text; the text of %s and %c arguments (file names, paths, what the user
// typed) is kept apart from it, so that a name's own line ends are never taken
// for the program's.
struct TextForm {
  // A carriage return and line feed of the format become a bare line feed.
  bool bareLineFeeds = false;
  // Argument text is shown as a terminal should show it (TerminalEscape); a
  // width then counts the shown form, a precision the argument's characters.
  bool escapeArguments = false;
};

// Writes at most capacity - 1 characters and a terminator (nothing when capacity
// is 0). Returns the length of the complete text, terminator not counted, so a
// result >= capacity means the text was cut.
std::size_t FormatText(char16_t* out, std::size_t capacity, const char16_t* format, std::va_list arguments,
                       TextForm form = {});
