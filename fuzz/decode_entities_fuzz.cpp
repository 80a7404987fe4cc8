// DecodeEntities over random text in a buffer of exactly MAX_ARG_LEN code
// units. The result is checked against a scan built from DecodeEntity, the
// single-entity recogniser, run over a copy of the text in a block of its own
// size (so that DecodeEntity reading past a terminator is caught as well).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cleaner/entities.h"
#include "fuzz/fuzz_input.h"
#include "core/host_services.h"

namespace {

// What DecodeEntities should make of text: each '&' that DecodeEntity accepts
// becomes its character (two code units above U+FFFF), everything else stays.
std::size_t ExpectedDecoding(const char16_t* text, std::vector<char16_t>* decoded) {
  std::size_t entities = 0;
  for (std::size_t at = 0; text[at] != 0;) {
    std::size_t length = 0;
    const std::uint32_t code = text[at] == u'&' ? DecodeEntity(text + at, &length) : 0;
    if (code == 0) {
      Require(length == 0, "no entity, no length");
      decoded->push_back(text[at]);
      ++at;
      continue;
    }
    Require(code <= 0x10FFFF, "a code point at most U+10FFFF");
    Require(length >= 3, "an entity spans '&', a name and ';'");
    Require(text[at + length - 1] == u';', "an entity ends in ';'");
    if (code > 0xFFFF) {
      decoded->push_back(static_cast<char16_t>(0xD800 | ((code - 0x10000) >> 10)));
      decoded->push_back(static_cast<char16_t>(0xDC00 | (code & 0x3FF)));
    } else {
      decoded->push_back(static_cast<char16_t>(code));
    }
    ++entities;
    at += length;
  }
  return entities;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size, 0};
  std::vector<char16_t> text(MAX_ARG_LEN);
  const std::size_t length = TakeText(&input, text.data(), text.size());
  const std::vector<char16_t> original(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length) + 1);

  std::vector<char16_t> expected;
  const std::size_t expectedEntities = ExpectedDecoding(original.data(), &expected);

  const std::int32_t result = DecodeEntities(text.data());
  if (result < 0) {
    Require(result == ENTITIES_TOO_LONG || result == ENTITIES_NO_MEMORY, "known failure codes only");
    // A text that fits the buffer always fits decoded: an entity of k >= 3
    // code units yields at most 2.
    Require(result != ENTITIES_TOO_LONG, "a text that fits never overflows");
    for (std::size_t i = 0; i <= length; ++i) {
      Require(text[i] == original[i], "a failed decoding leaves the text unchanged");
    }
    return 0;
  }
  Require(static_cast<std::size_t>(result) == expectedEntities, "the count is the number of entities decoded");
  Require(expected.size() < static_cast<std::size_t>(MAX_ARG_LEN), "the decoded text fits the buffer");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    Require(text[i] == expected[i], "the text is decoded as DecodeEntity reads it");
  }
  Require(text[expected.size()] == 0, "the decoded text is terminated where it ends");
  return 0;
}
