// Windows implementation of NameFitsOnDisk: a name is stored as UTF-16.
#include "platform/name_limit.h"

namespace {
constexpr std::size_t NAME_MAX_UNITS = 255;
}  // namespace

bool NameFitsOnDisk(const char16_t* const /*pieces*/[], const std::size_t lengths[], std::size_t count) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < count; ++i) {
    units += lengths[i];
  }
  return units <= NAME_MAX_UNITS;
}
