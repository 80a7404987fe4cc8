// Windows implementation of one name's limit: a name is stored as UTF-16.
#include "platform/name_limit.h"

namespace {
constexpr std::size_t NAME_MAX_UNITS = 255;
}  // namespace

std::size_t NameLimitOf(const char16_t* /*directory*/, bool windowsNames) {
  return windowsNames ? NAME_MAX_UNITS : NO_NAME_LIMIT;
}

std::size_t NameLength(const char16_t* /*name*/, std::size_t length) { return length; }

bool NameFitsLimit(std::size_t limit, const char16_t* const /*pieces*/[], const std::size_t lengths[],
                   std::size_t count) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < count; ++i) {
    units += lengths[i];
  }
  return units <= limit;
}
