// Names kept in memory in a packed form: each UTF-16 code unit in one to three
// bytes, the way UTF-8 writes code points up to U+FFFF. Surrogates are packed
// as the plain code units the file system sees, so any name packs and unpacks
// unchanged; ASCII takes one byte a character, half its UTF-16 size. No code
// unit but U+0000 packs to a zero byte, so a packed name ends in one.
#pragma once

#include <cstddef>

// The bytes one code unit packs to.
inline std::size_t PackedUnitBytes(char16_t unit) { return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3; }

// Writes the bytes of one code unit; returns how many.
inline std::size_t PackUnit(char16_t unit, unsigned char* out) {
  if (unit < 0x80) {
    out[0] = static_cast<unsigned char>(unit);
    return 1;
  }
  if (unit < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (unit >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    return 2;
  }
  out[0] = static_cast<unsigned char>(0xE0 | (unit >> 12));
  out[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
  return 3;
}

// Writes text and its terminator packed; returns the bytes written, the
// terminator's included. out must hold 3 bytes a code unit and one more.
std::size_t PackText(const char16_t* text, unsigned char* out);

// Writes the zero-terminated packed text back as UTF-16 with its terminator;
// returns the bytes read, the terminator's included.
std::size_t UnpackText(const unsigned char* packed, char16_t* text);
