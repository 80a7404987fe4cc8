#include "platform/ctype_table.h"

#include <algorithm>

// Binary search for the run holding the code unit: the last run whose first
// code unit is not above it. About a dozen steps over the table's runs.
std::uint16_t CharType1(char16_t unit) {
  std::size_t low = 0;
  std::size_t high = kCharTypeRunCount;
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    if (kCharTypeRuns[middle].first <= unit) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return kCharTypeRuns[low].type;
}

bool IsAssignedBeyondBmp(char32_t code) {
  const CodePointRange* const end = kAssignedBeyondBmp + kAssignedBeyondBmpCount;
  const CodePointRange* range = std::upper_bound(
      kAssignedBeyondBmp, end, code, [](char32_t sought, const CodePointRange& entry) { return sought < entry.first; });
  return range != kAssignedBeyondBmp && code <= (range - 1)->last;
}
