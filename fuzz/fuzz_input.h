// Reading a fuzzer's byte string as the pieces a target needs: numbers, and
// UTF-16 text in which every code unit can be reached but the ones names and
// command tails hold most often cost one byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

struct FuzzInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t used;
};

// The next byte, or 0 once the input is used up.
inline std::uint8_t TakeByte(FuzzInput* input) {
  return input->used < input->size ? input->data[input->used++] : 0;
}

inline std::uint32_t TakeWord(FuzzInput* input) {
  std::uint32_t word = 0;
  for (int i = 0; i < 4; ++i) {
    word = (word << 8) | TakeByte(input);
  }
  return word;
}

inline bool InputLeft(const FuzzInput* input) { return input->used < input->size; }

// Byte values from this one on open a code unit written in full in the next two bytes.
constexpr std::uint8_t WIDE_UNIT_ESCAPE = 0xF0;

// One code unit: a byte below WIDE_UNIT_ESCAPE stands for itself (ASCII and
// Latin-1, the C1 controls included); an escape byte is followed by the code
// unit's high and low bytes.
inline char16_t TakeUnit(FuzzInput* input) {
  const std::uint8_t first = TakeByte(input);
  if (first < WIDE_UNIT_ESCAPE) {
    return first;
  }
  const std::uint8_t high = TakeByte(input);
  return static_cast<char16_t>((high << 8) | TakeByte(input));
}

// Fills text with up to capacity - 1 code units and a terminator, stopping at
// the end of the input or at a decoded U+0000. Returns the length.
inline std::size_t TakeText(FuzzInput* input, char16_t* text, std::size_t capacity) {
  std::size_t length = 0;
  while (length + 1 < capacity && InputLeft(input)) {
    const char16_t unit = TakeUnit(input);
    if (unit == 0) {
      break;
    }
    text[length++] = unit;
  }
  text[length] = 0;
  return length;
}

// A broken invariant: says which, and aborts so that the fuzzer keeps the
// input and a replay fails.
[[noreturn]] inline void InvariantBroken(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

inline void Require(bool holds, const char* what) {
  if (!holds) {
    InvariantBroken(what);
  }
}
