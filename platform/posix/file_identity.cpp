// POSIX implementation of GetFileIdentity and GetEntryIdentity: device,
// inode and birth time from statx(), which follows symbolic links to what
// they point at unless told not to; from fstatat(), without a birth time,
// where the system has no statx.
#include <sys/stat.h>
#include <sys/sysmacros.h>

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
  struct statx extended;
  if (statx(directory, leaf, statFlags, STATX_INO | STATX_NLINK | STATX_BTIME, &extended) == 0) {
    identity->volume = static_cast<std::uint64_t>(makedev(extended.stx_dev_major, extended.stx_dev_minor));
    identity->index = extended.stx_ino;
    identity->links = extended.stx_nlink;
    identity->born = (extended.stx_mask & STATX_BTIME) == 0
                         ? 0
                         : static_cast<std::uint64_t>(extended.stx_btime.tv_sec) * 10000000u +
                               extended.stx_btime.tv_nsec / 100u + 1u;  // never 0 when known
    return 1;
  }
  if (errno != ENOSYS) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  struct stat status;
  if (fstatat(directory, leaf, &status, statFlags) != 0) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->index = static_cast<std::uint64_t>(status.st_ino);
  identity->links = static_cast<std::uint32_t>(status.st_nlink);
  identity->born = 0;
  return 1;
}

}  // namespace

int GetFileIdentity(const char16_t* path, FileIdentity* identity) { return Identity(path, 0, identity); }

int GetEntryIdentity(const char16_t* path, FileIdentity* identity) {
  return Identity(path, AT_SYMLINK_NOFOLLOW, identity);
}
