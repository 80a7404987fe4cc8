// The per-character steps of the cleaning, one code unit at a time: what
// builds a new name, and what tells why a name must change.
#pragma once

#include <cstddef>

#include "core/options.h"

// The characters trimming removes from the end of a cleaned name.
constexpr bool IsTrimmedAtTheEnd(char16_t ch) { return ch == u' ' || ch == u'.' || ch == 0x00A0; }

// Whether the bytes of a name that are not UTF-8 (only a POSIX name holds
// them) are read as the Windows-1252 characters they denote: read as text
// (/8), and for names valid on Windows (/W), since no Windows name can hold
// such a byte.
constexpr bool ReadsBytesAsText(OptionFlags options) { return (options & (OPT_UTF8 | OPT_WINDOWS_NAMES)) != 0; }

// The steps before the lists for one code unit: read as text (/8), a
// private-use stand-in is first read as the character it stands for; quotes.
char16_t ApplyStepsBeforeLists(char16_t ch, OptionFlags options);

// The steps after the lists for one code unit: translation, blanks,
// ampersands and parentheses, in this order. 0 means it is dropped. Read as
// text (/8), a format character is dropped before the translation, which
// would make some of them underscores (the lists still see it).
char16_t ApplyStepsAfterLists(char16_t ch, OptionFlags options);

// Whether the character at text (units code units: two for a pair beyond the
// BMP) is in the /Q list, which may be null (no list).
bool IsInList(const char16_t* text, std::size_t units, OptionFlags options, const char16_t* qList);
