// SplitArguments over whole command tails. Besides sanitizer reports, every
// split must leave the argument table as the driver relies on it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cleaner/char_classes.h"
#include "command/arguments.h"
#include "fuzz/fuzz_input.h"

namespace {

// Longer than the pool, so that overflows are reached.
constexpr std::size_t LONGEST_TAIL = MAX_ARG_LEN + 4096;

bool IsLowerAscii(char16_t ch) { return ch >= u'a' && ch <= u'z'; }

void CheckTable(const char16_t* tail, std::size_t tailLength, std::int32_t result) {
  const ArgumentTable& table = argumentTable;
  if (result < 0) {
    Require(result == -1, "a failed split returns -1");
    Require(table.count == 0, "a failed split leaves count 0");
    // Only a full pool fails a split. Each stored character takes one place
    // and each terminator one more; a terminator not paid for by whitespace
    // (a solidus split) follows an argument of at least two characters.
    Require(tailLength * 3 / 2 + 1 >= static_cast<std::size_t>(MAX_ARG_LEN - 1), "an overflow needs a long tail");
    return;
  }
  Require(result == table.count, "the result is the count");
  Require(table.count >= 0 && table.count <= MAX_ARGUMENTS, "count within 0..1024");

  // Every argument character comes from the tail in order, upper-cased, and
  // nothing is invented: the arguments are a subsequence of the tail.
  std::size_t tailAt = 0;
  const char16_t* expectedStart = table.pool;
  for (std::int32_t j = 0; j < table.count; ++j) {
    const char16_t* start = table.starts[j];
    const std::int32_t length = table.lengths[j];
    Require(start != nullptr, "a counted argument has a start");
    Require(length >= 0, "lengths are not negative");
    Require(start >= expectedStart, "arguments are in order and do not overlap");
    for (const char16_t* gap = expectedStart; gap < start; ++gap) {
      Require(*gap == 0, "only terminators lie between two arguments");
    }
    Require(start + length < table.pool + MAX_ARG_LEN, "an argument and its terminator lie inside the pool");
    Require(start[length] == 0, "every argument is terminated");
    for (std::int32_t k = 0; k < length; ++k) {
      const char16_t ch = start[k];
      Require(ch != u'"', "no quotation mark is stored");
      Require(!IsLowerAscii(ch), "no lower-case ASCII letter is stored");
      Require(ch != 0, "no terminator inside an argument");
      while (tailAt < tailLength && ToUpperAscii(tail[tailAt]) != ch) {
        ++tailAt;
      }
      Require(tailAt < tailLength, "every stored character comes from the tail, in order");
      ++tailAt;
    }
    Require(length == 0 || !IsWhitespace(start[length - 1]), "no argument ends in whitespace");
    expectedStart = start + length + 1;
  }
  for (std::int32_t j = table.count; j < MAX_ARGUMENTS; ++j) {
    Require(table.starts[j] == nullptr && table.lengths[j] == 0, "entries past count are null and 0");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size, 0};
  // The tail in a block of its own size, so that a read past its terminator is caught.
  std::vector<char16_t> text(LONGEST_TAIL + 1);
  const std::size_t length = TakeText(&input, text.data(), text.size());
  std::vector<char16_t> tail(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length) + 1);
  const std::int32_t result = SplitArguments(tail.data());
  CheckTable(tail.data(), length, result);
  return 0;
}
