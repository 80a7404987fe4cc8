// POSIX implementation: MoveFileW, which, as on Windows, never replaces an
// existing entry. POSIX rename() silently replaces its target, so the work is
// done by renameat2 with RENAME_NOREPLACE, which the kernel performs
// atomically. Some file systems refuse that flag; for them:
//   - a non-directory is linked under the new name (link() never replaces
//     either) and then unlinked under the old one, with SIGINT, SIGTERM and
//     SIGHUP held between the two calls, so that an interrupt never leaves the
//     entry under both names;
//   - where hard links are refused too, and for directories, the target is
//     checked with lstat and then renamed. Another process that creates the
//     target between the check and the rename would be replaced: a narrow race
//     that only those file systems leave open.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/posix/posix_internal.h"

namespace {

bool FlagRefused(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// Returns 0 on success, else the errno value.
int RenameChecked(const char* from, const char* to) {
  struct stat existing;
  if (lstat(to, &existing) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  return rename(from, to) == 0 ? 0 : errno;
}

}  // namespace

int RenameWithoutFlag(const char* from, const char* to) {
  struct stat source;
  if (lstat(from, &source) != 0) return errno;
  if (S_ISDIR(source.st_mode)) return RenameChecked(from, to);
  const EndingSignalsHeld held;
  // linkat without AT_SYMLINK_FOLLOW links the symbolic link itself.
  if (linkat(AT_FDCWD, from, AT_FDCWD, to, 0) != 0) {
    const int linkError = errno;
    if (linkError == EPERM || linkError == EOPNOTSUPP || linkError == ENOSYS) return RenameChecked(from, to);
    return linkError;
  }
  if (unlink(from) != 0) {
    const int unlinkError = errno;
    unlink(to);  // leave things as they were: only the old name
    return unlinkError;
  }
  return 0;
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
  if (from == nullptr || to == nullptr || from[0] == 0 || to[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char fromBytes[PATH_MAX];
  char toBytes[PATH_MAX];
  if (!PathToBytes(from, fromBytes, sizeof fromBytes) || !PathToBytes(to, toBytes, sizeof toBytes)) return FALSE;
  // Within the kept directory, the walk's only kind of rename, both names are
  // given relative to it (see kept_directory.cpp).
  const char* fromLeaf = nullptr;
  const int directory = KeptDirectoryOf(fromBytes, &fromLeaf);
  const std::size_t directoryLength = static_cast<std::size_t>(fromLeaf - fromBytes);
  const char* toLeaf = toBytes + directoryLength;
  const bool within = directory != AT_FDCWD && std::strncmp(fromBytes, toBytes, directoryLength) == 0 &&
                      toLeaf[0] != 0 && std::strchr(toLeaf, '/') == nullptr;
  int error = 0;
  if (within ? renameat2(directory, fromLeaf, directory, toLeaf, RENAME_NOREPLACE) != 0
             : renameat2(AT_FDCWD, fromBytes, AT_FDCWD, toBytes, RENAME_NOREPLACE) != 0) {
    error = errno;
    if (FlagRefused(error)) error = RenameWithoutFlag(fromBytes, toBytes);
  }
  if (error != 0) {
    SetLastErrorFromErrno(error);
    return FALSE;
  }
  ForgetKeptDirectoryAtOrBelow(fromBytes);
  NoteRenameForStandardOutput();
  return TRUE;
}
