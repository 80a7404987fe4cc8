#include "platform/ctype_table.h"

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
