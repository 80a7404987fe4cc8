// POSIX implementation of one name's limit: a name is stored as its bytes, the
// UTF-8 form of its text, and a byte that was not UTF-8 stays one byte. The
// file system's own limit comes from pathconf, asked once for a run of calls
// on the same directory.
#include "platform/name_limit.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/posix/posix_internal.h"

namespace {

// What a name on Windows' file systems takes as bytes here, and what most
// POSIX file systems take.
constexpr std::size_t USUAL_NAME_MAX_BYTES = 255;

// The directory asked last, and its answer.
struct AskedDirectory {
  char path[PATH_MAX];
  std::size_t limit;
};
AskedDirectory lastAsked{{0}, NO_NAME_LIMIT};

// The file system's limit for names in the directory; NO_NAME_LIMIT when it
// sets none. A directory that cannot be asked (it is gone, its path too long)
// is taken to hold the usual limit.
std::size_t FileSystemNameLimit(const char16_t* directory) {
  char bytes[PATH_MAX];
  if (!PathToBytes(directory, bytes, sizeof bytes)) {
    return USUAL_NAME_MAX_BYTES;
  }
  if (std::strcmp(bytes, lastAsked.path) == 0) {
    return lastAsked.limit;
  }
  errno = 0;
  const long answer = pathconf(bytes, _PC_NAME_MAX);
  std::size_t limit = USUAL_NAME_MAX_BYTES;
  if (answer > 0) {
    limit = static_cast<std::size_t>(answer);
  } else if (answer < 0 && errno == 0) {
    limit = NO_NAME_LIMIT;
  }
  std::memcpy(lastAsked.path, bytes, std::strlen(bytes) + 1);
  lastAsked.limit = limit;
  return limit;
}

}  // namespace

std::size_t NameLimitOf(const char16_t* directory, bool windowsNames) {
  const std::size_t limit = FileSystemNameLimit(directory);
  if (!windowsNames) {
    return limit;
  }
  return limit == NO_NAME_LIMIT || limit > USUAL_NAME_MAX_BYTES ? USUAL_NAME_MAX_BYTES : limit;
}

std::size_t NameLength(const char16_t* name, std::size_t length) { return EncodeUtf8(name, length, nullptr, 0); }

bool NameFitsLimit(std::size_t limit, const char16_t* const pieces[], const std::size_t lengths[],
                   std::size_t count) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    bytes += NameLength(pieces[i], lengths[i]);
  }
  return bytes <= limit;
}
