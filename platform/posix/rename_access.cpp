// POSIX implementation of the directory's refusal of renames: one faccessat.
#include "platform/rename_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/posix/posix_internal.h"

SystemFailure RenamesRefusedIn(const char16_t* directory) {
  char bytes[PATH_MAX];
  if (!PathToBytes(directory, bytes, sizeof bytes) ||
      faccessat(AT_FDCWD, bytes, W_OK | X_OK, AT_EACCESS) == 0) {
    return {0, 0};
  }
  const int error = errno;
  if (error != EACCES && error != EROFS && error != EPERM) {
    return {0, 0};
  }
  return {WindowsErrorFromErrno(error), static_cast<std::uint32_t>(error)};
}
