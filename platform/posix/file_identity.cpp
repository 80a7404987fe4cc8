// POSIX implementation of GetFileIdentity and GetEntryIdentity: device and
// inode from stat(), which follows symbolic links to what they point at, or
// from lstat(), which does not.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"

namespace {

int Identity(const char16_t* path, int statFlags, FileIdentity* identity) {
  char bytes[PATH_MAX];
  if (!PathToBytes(path, bytes, sizeof bytes)) {
    return 0;
  }
  // "/dir/sub/" is looked up as "sub" when "/dir/" is the kept directory.
  std::size_t length = std::strlen(bytes);
  while (length > 1 && bytes[length - 1] == '/') bytes[--length] = 0;
  const char* leaf = nullptr;
  const int directory = KeptDirectoryOf(bytes, &leaf);
  struct stat status;
  if (fstatat(directory, leaf, &status, statFlags) != 0) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->index = static_cast<std::uint64_t>(status.st_ino);
  identity->links = static_cast<std::uint32_t>(status.st_nlink);
  return 1;
}

}  // namespace

int GetFileIdentity(const char16_t* path, FileIdentity* identity) { return Identity(path, 0, identity); }

int GetEntryIdentity(const char16_t* path, FileIdentity* identity) {
  return Identity(path, AT_SYMLINK_NOFOLLOW, identity);
}
