// The CT_CTYPE1 character type of every UTF-16 code unit, as Windows reports it
// through GetStringTypeW, and which code points beyond U+FFFF are assigned,
// which no Windows function tells of a surrogate pair. The data
// (ctype_table.cpp) is generated from the
// Unicode Character Database by tools/generate_ctype_table.py and is built on
// every platform: the POSIX GetStringTypeW answers from it, and on Windows a
// test compares it with the system's own answers.
#pragma once

#include <cstddef>
#include <cstdint>

// Code units from `first` up to the next run's first share `type` (C1_* bits).
struct CharTypeRun {
  char16_t first;
  std::uint16_t type;
};

// Sorted by `first`; the first run starts at U+0000 and the last one reaches U+FFFF.
extern const CharTypeRun kCharTypeRuns[];
extern const std::size_t kCharTypeRunCount;

// The C1_* bits of one code unit.
std::uint16_t CharType1(char16_t unit);

// Code points from `first` to `last`, both included.
struct CodePointRange {
  char32_t first;
  char32_t last;
};

// Sorted, apart from each other: the assigned code points above U+FFFF of any
// category but private use.
extern const CodePointRange kAssignedBeyondBmp[];
extern const std::size_t kAssignedBeyondBmpCount;

// Whether the code point, above U+FFFF, is assigned and not private use.
bool IsAssignedBeyondBmp(char32_t code);
