#include "command/tally.h"

#include <string>

#include "core/host_services.h"

namespace {

// The counters' texts and the grouped form handed back are at most this long,
// terminator included.
constexpr std::size_t numberCapacity = 1024;
constexpr char16_t groupingOpen[] = u"%@comma[";
constexpr char16_t groupingClose[] = u"]";
constexpr std::size_t groupingOpenLength = sizeof(groupingOpen) / sizeof(char16_t) - 1;
constexpr std::size_t groupingCloseLength = sizeof(groupingClose) / sizeof(char16_t) - 1;
// The longest number whose grouping request, with its terminator, fits the work buffer.
constexpr std::size_t longestNumber = MAX_ARG_LEN - groupingOpenLength - groupingCloseLength - 1;

}  // namespace

std::int32_t GroupDigits(char16_t* buffer) {
  using Traits = std::char_traits<char16_t>;
  if (buffer == nullptr) {
    return -1;
  }
  const std::size_t length = Traits::length(buffer);
  if (length > longestNumber) {
    return 1;
  }
  // Only the request and its terminator are written: clearing the whole buffer
  // for every number cost more than the grouping itself on a tally line.
  char16_t request[MAX_ARG_LEN];
  Traits::copy(request, groupingOpen, groupingOpenLength);
  Traits::copy(request + groupingOpenLength, buffer, length);
  Traits::copy(request + groupingOpenLength + length, groupingClose, groupingCloseLength);
  request[groupingOpenLength + length + groupingCloseLength] = 0;
  if (ExpandVariables(request, 1) != 0) {
    return 2;
  }
  const std::size_t groupedLength = Traits::length(request);
  if (groupedLength >= numberCapacity) {
    return 3;
  }
  Traits::copy(buffer, request, groupedLength + 1);
  return 0;
}

std::int32_t PrintTally(RenameTally tally) {
  char16_t found[numberCapacity] = {};
  char16_t fixed[numberCapacity] = {};
  char16_t failed[numberCapacity] = {};
  char16_t skipped[numberCapacity] = {};
  wsprintfW(found, u"%u", tally.found);
  wsprintfW(fixed, u"%u", tally.fixed);
  wsprintfW(failed, u"%u", tally.failed);
  wsprintfW(skipped, u"%u", tally.skipped);
  // A number the host could not group keeps its plain digits.
  GroupDigits(found);
  GroupDigits(fixed);
  GroupDigits(failed);
  GroupDigits(skipped);
  Printf(u"Found %s, fixed %s, failed %s, skipped %s", found, fixed, failed, skipped);
  return 0;
}
