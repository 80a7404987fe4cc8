// How text that comes from the file system is shown on a terminal. A name may
// hold control characters (an escape sequence, a line feed), which a terminal
// would act on: change its colours or title, split a line, move the cursor.
// On a terminal each of them is shown in a visible form instead, and so is
// every invisible or bidirectional format character (platform/format_characters.h),
// which would hide or reorder what is shown:
//
//   POSIX:   a C0 control or DEL as \xHH ("\x1B"), a C1 control or a format
//            character as \uHHHH ("\u009B", "\u202E"), a byte of a name that
//            is not UTF-8 as \xHH, any other lone surrogate as \uHHHH
//            ("\uDFFF"), and a backslash as "\\", so that no name reads like
//            an escape.
//   Windows: every C0 control, DEL, C1 control, format character and lone
//            surrogate as <U+HHHH> ("<U+001B>"). A backslash is the path
//            separator there and no name holds one; '<' and '>' cannot be
//            part of any Windows path either, so the form cannot be mistaken
//            for a name.
//
// Text is read by character: a surrogate pair is one character, shown as it
// is, so what reaches a terminal is always well-formed UTF-8 (or UTF-16).
// Text written to a file or a pipe is never escaped: scripts read it exactly.
#pragma once

#include <cstddef>
#include <string>

// The most code units TerminalEscape writes for one character.
constexpr std::size_t LONGEST_TERMINAL_ESCAPE = 8;

// Writes the form in which the character is shown on a terminal into form (at
// least LONGEST_TERMINAL_ESCAPE units) and returns its length, or returns 0
// when it is shown as it is. A lone surrogate comes as its code unit.
std::size_t TerminalEscape(char32_t character, char16_t* form);

// The text as a terminal is shown it.
std::u16string TerminalForm(const char16_t* text, std::size_t length);
