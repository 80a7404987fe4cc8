// The invisible and bidirectional format characters: the ones that show
// nothing, or change how the text around them is shown, and have no place in
// a file name. A right-to-left override makes "report<U+202E>fdp.exe" look
// like "reportexe.pdf"; a zero-width space makes two different names look the
// same. Names read as text (/8) lose them, and a terminal is shown them
// escaped in every mode.
//
// The list: the bidirectional embeddings, overrides and isolates (U+202A to
// U+202E, U+2066 to U+2069), the directional marks (U+200E, U+200F, the Arabic
// letter mark U+061C), the zero-width space U+200B, the word joiner and the
// invisible operators (U+2060 to U+2064), the zero-width no-break space or
// byte order mark U+FEFF, and the soft hyphen U+00AD. The zero-width joiner
// U+200D, the non-joiner U+200C and the variation selectors are not on it:
// Persian, the Indic scripts and emoji need them.
#pragma once

constexpr bool IsInvisibleFormatCharacter(char32_t ch) {
  if (ch < 0x00AD) {
    return false;  // most names are made of these
  }
  return ch == 0x00AD || ch == 0x061C || ch == 0x200B || ch == 0x200E || ch == 0x200F ||
         (ch >= 0x202A && ch <= 0x202E) || (ch >= 0x2060 && ch <= 0x2064) || (ch >= 0x2066 && ch <= 0x2069) ||
         ch == 0xFEFF;
}
