// How text that comes from the file system is shown on a terminal. A name may
// hold control characters (an escape sequence, a line feed), which a terminal
// would act on: change its colours or title, split a line, move the cursor.
// On a terminal each of them is shown in a visible form instead:
//
//   POSIX:   a C0 control or DEL as \xHH ("\x1B"), a C1 control as \uHHHH
//            ("\u009B"), a byte of a name that is not UTF-8 as \xHH, and a
//            backslash as "\\", so that no name reads like an escape.
//   Windows: every C0 control, DEL and C1 control as <U+HHHH> ("<U+001B>").
//            A backslash is the path separator there and no name holds one;
//            '<' and '>' cannot be part of any Windows path either, so the
//            form cannot be mistaken for a name.
//
// Text written to a file or a pipe is never escaped: scripts read it exactly.
#pragma once

#include <cstddef>
#include <string>

// The most code units TerminalEscape writes for one code unit.
constexpr std::size_t LONGEST_TERMINAL_ESCAPE = 8;

// Writes the form in which the code unit is shown on a terminal into form (at
// least LONGEST_TERMINAL_ESCAPE units) and returns its length, or returns 0
// when the unit is shown as it is.
std::size_t TerminalEscape(char16_t unit, char16_t* form);

// The text as a terminal is shown it.
std::u16string TerminalForm(const char16_t* text, std::size_t length);
