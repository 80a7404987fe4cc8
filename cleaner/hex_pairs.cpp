#include "cleaner/hex_pairs.h"

#include "cleaner/char_classes.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"

std::int32_t HexPairByte(const char16_t* text, OptionFlags options) {
  const bool marker = (text[0] == u'%' && (options & OPT_NO_PERCENT) == 0) ||
                      (text[0] == u'=' && (options & OPT_EQUALS_HEX) != 0);
  if (!marker) {
    return -1;
  }
  // A pair needs two digits with a value ('0'-'9', 'A'-'F', 'a'-'f'). A
  // character the system merely classifies as a hex digit (a full-width
  // digit, say) has no agreed value, so the marker and it stay as they are.
  const std::int32_t high = HexDigitValue(text[1]);
  const std::int32_t low = high < 0 ? -1 : HexDigitValue(text[2]);
  return low < 0 ? -1 : high * 16 + low;
}

std::size_t ReadUtf8Pairs(const char16_t* text, OptionFlags options, char32_t* code) {
  constexpr std::size_t LONGEST_SEQUENCE = 4;
  unsigned char bytes[LONGEST_SEQUENCE];
  std::size_t count = 0;
  // The pairs that follow one another, as many as the longest sequence; the
  // terminator ends a run, as no pair starts there.
  while (count < LONGEST_SEQUENCE) {
    const std::int32_t byte = HexPairByte(text + count * HEX_PAIR_LENGTH, options);
    if (byte < 0) {
      break;
    }
    bytes[count++] = static_cast<unsigned char>(byte);
  }
  const std::size_t length = ReadUtf8Sequence(bytes, count, code);
  return length >= 2 ? length * HEX_PAIR_LENGTH : 0;
}

std::size_t DecodeHexPairs(const char16_t* source, char16_t* target, OptionFlags options) {
  const bool utf8 = (options & OPT_UTF8) != 0;
  std::size_t written = 0;
  for (std::size_t i = 0; source[i] != 0;) {
    const std::int32_t pairByte = HexPairByte(source + i, options);
    if (pairByte < 0) {
      target[written++] = source[i++];
      continue;
    }
    if (pairByte == 0) {
      i += HEX_PAIR_LENGTH;  // a decoded U+0000 is dropped, as it would be later; here it would end the text
      continue;
    }
    char32_t code = static_cast<char32_t>(pairByte);
    std::size_t runLength = utf8 && pairByte >= 0x80 ? ReadUtf8Pairs(source + i, options, &code) : 0;
    if (runLength == 0) {
      code = static_cast<char32_t>(pairByte);
      runLength = HEX_PAIR_LENGTH;
    }
    i += runLength;
    written += PutCodePoint(code, target + written);
  }
  target[written] = 0;
  return written;
}
