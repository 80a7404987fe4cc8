// POSIX implementation: the directory the layer keeps open while a walk holds
// a KeptDirectoryScope (platform/kept_directory.h).
//
// The kernel resolves a full path one component at a time, on every call.
// Deep in a tree that lookup costs more than the work itself: a rename 300
// directories down walks 600 components before it renames anything. The walk
// names every entry by its full path, but it works in one directory at a time
// and enumerates each directory before it works in it. So, within a walk,
// FindFirstFileW keeps the directory it enumerates open, and the calls that
// follow on entries of that directory (GetFileAttributesW, MoveFileW,
// GetFileIdentity) name the entry relative to it. A directory below the kept
// one is opened relative to it, so descending costs one component.
//
// What the kept descriptor reaches is the directory that was enumerated,
// wherever it goes:
//  - every enumeration opens its directory afresh, so a walk never works in a
//    directory that was removed or replaced before the walk listed it;
//  - a rename made through this layer of the kept directory, or of one above
//    it, lets it go;
//  - so does the end of the walk: the next walk resolves its paths afresh.
// A change that another program makes while a directory is being worked in is
// that program's race: the entries are then renamed in the directory that was
// listed.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/kept_directory.h"
#include "platform/posix/posix_internal.h"

namespace {

struct KeptDirectory {
  int fd;              // O_PATH descriptor, or -1
  std::size_t length;  // of path, its final '/' included
  char path[PATH_MAX];
};

KeptDirectory kept{-1, 0, {}};
// The number of KeptDirectoryScope objects alive: a directory is kept only
// while there is one.
int scopes = 0;

// The length of path's directory part, its final '/' included, or 0 when path
// is relative or ends in '/' (no entry name to split off).
std::size_t DirectoryLength(const char* path) {
  const char* slash = std::strrchr(path, '/');
  if (path[0] != '/' || slash == nullptr || slash[1] == 0) return 0;
  return static_cast<std::size_t>(slash - path) + 1;
}

void ForgetKeptDirectory() {
  if (kept.fd >= 0) close(kept.fd);
  kept.fd = -1;
  kept.length = 0;
}

}  // namespace

KeptDirectoryScope::KeptDirectoryScope() { ++scopes; }

KeptDirectoryScope::~KeptDirectoryScope() {
  if (--scopes == 0) ForgetKeptDirectory();
}

void ForgetKeptDirectoryAtOrBelow(const char* path) {
  const std::size_t length = std::strlen(path);
  if (kept.fd >= 0 && kept.length > length && std::memcmp(kept.path, path, length) == 0 &&
      kept.path[length] == '/') {
    ForgetKeptDirectory();
  }
}

int KeptDirectoryOf(const char* path, const char** leaf) {
  *leaf = path;
  const std::size_t length = DirectoryLength(path);
  if (length == 0 || kept.fd < 0 || length != kept.length || std::memcmp(path, kept.path, length) != 0) {
    return AT_FDCWD;
  }
  *leaf = path + length;
  return kept.fd;
}

int KeepDirectoryOf(const char* path) {
  const std::size_t length = DirectoryLength(path);
  if (scopes == 0 || length == 0) {
    ForgetKeptDirectory();
    return AT_FDCWD;
  }
  char directory[PATH_MAX];
  std::memcpy(directory, path, length);
  directory[length] = 0;
  int fd = -1;
  if (kept.fd >= 0 && length > kept.length && std::memcmp(path, kept.path, kept.length) == 0) {
    fd = openat(kept.fd, directory + kept.length, O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (fd < 0) fd = open(directory, O_PATH | O_DIRECTORY | O_CLOEXEC);
  ForgetKeptDirectory();
  if (fd < 0) return AT_FDCWD;
  kept.fd = fd;
  kept.length = length;
  std::memcpy(kept.path, directory, length + 1);
  return fd;
}
