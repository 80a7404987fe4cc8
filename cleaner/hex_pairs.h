// Hex pairs in a name: %XX, and =XX under /E; under /8, runs of them that spell
// UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/options.h"

// The marker and its two hex digits.
constexpr std::size_t HEX_PAIR_LENGTH = 3;

// The byte (0 to 255) of the pair that starts at text[0], or -1 when none does:
// text[0] is a marker the options decode ('%' unless /N:P, '=' under /E) and
// the next two code units are hex digits with a value.
std::int32_t HexPairByte(const char16_t* text, OptionFlags options);

// The run of pairs starting at text[0] whose bytes form one well-formed UTF-8
// sequence of two to four bytes (RFC 3629). Returns the number of code units
// the run takes, and the code point in *code; 0 when the pairs form no such
// sequence (then each pair is one code point). The two markers may mix in a
// run, since each is a pair on its own.
std::size_t ReadUtf8Pairs(const char16_t* text, OptionFlags options, char32_t* code);

// Decodes every pair of source into target, which may be source itself (the
// text only shrinks), terminates it and returns its length. Each pair gives
// one code point (U+0000 none: it is dropped); under /8 a run that spells a
// UTF-8 sequence gives its character instead, in two code units outside the
// BMP. Scanning resumes after a pair, so a decoded character is never taken
// for a marker again.
std::size_t DecodeHexPairs(const char16_t* source, char16_t* target, OptionFlags options);
