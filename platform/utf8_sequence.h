// One UTF-8 sequence, well-formed as RFC 3629 defines it: no overlong form, no
// encoded surrogate, nothing above U+10FFFF. File names cross to the kernel in
// UTF-8 on POSIX, and /8 reads runs of hex pairs as UTF-8 on every platform;
// both read a sequence here.
#pragma once

#include <cstddef>

// The length (1 to 4) of the well-formed sequence that starts at bytes[0], and
// in *code the code point it encodes; 0 when bytes[0] starts none within the
// `available` bytes (a stray continuation byte, a lead byte that is never
// valid, a continuation missing or out of range, a cut-off sequence).
std::size_t ReadUtf8Sequence(const unsigned char* bytes, std::size_t available, char32_t* code);
