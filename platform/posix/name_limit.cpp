// POSIX implementation of NameFitsOnDisk: a name is stored as its bytes, the
// UTF-8 form of its text, and a byte that was not UTF-8 stays one byte.
#include "platform/name_limit.h"

#include "platform/posix/posix_internal.h"

namespace {
constexpr std::size_t NAME_MAX_BYTES = 255;
}  // namespace

bool NameFitsOnDisk(const char16_t* const pieces[], const std::size_t lengths[], std::size_t count) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    bytes += EncodeUtf8(pieces[i], lengths[i], nullptr, 0);
  }
  return bytes <= NAME_MAX_BYTES;
}
