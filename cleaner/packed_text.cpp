#include "cleaner/packed_text.h"

std::size_t PackText(const char16_t* text, unsigned char* out) {
  std::size_t written = 0;
  for (; *text != 0; ++text) {
    written += PackUnit(*text, out + written);
  }
  out[written] = 0;
  return written + 1;
}

std::size_t UnpackText(const unsigned char* packed, char16_t* text) {
  std::size_t read = 0;
  std::size_t written = 0;
  for (;;) {
    const unsigned char lead = packed[read];
    if (lead < 0x80) {
      text[written++] = lead;
      ++read;
      if (lead == 0) {
        return read;
      }
    } else if (lead < 0xE0) {
      text[written++] = static_cast<char16_t>(((lead & 0x1F) << 6) | (packed[read + 1] & 0x3F));
      read += 2;
    } else {
      text[written++] = static_cast<char16_t>(((lead & 0x0F) << 12) | ((packed[read + 1] & 0x3F) << 6) |
                                              (packed[read + 2] & 0x3F));
      read += 3;
    }
  }
}
