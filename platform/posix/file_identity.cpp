// POSIX implementation of GetFileIdentity: device and inode from stat(), which
// follows symbolic links to what they point at.
#include <sys/stat.h>

#include <cerrno>
#include <climits>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"

int GetFileIdentity(const char16_t* path, FileIdentity* identity) {
  char bytes[PATH_MAX];
  if (!PathToBytes(path, bytes, sizeof bytes)) {
    return 0;
  }
  struct stat status;
  if (stat(bytes, &status) != 0) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->index = static_cast<std::uint64_t>(status.st_ino);
  return 1;
}
