// POSIX implementation: directory enumeration (FindFirstFileW, FindNextFileW,
// FindClose) and GetFileAttributesW.
//
// The one search the engine makes is every entry of a directory: the walk
// searches "dir/*" and selects names itself, through the host's
// WildcardComparison. So that is the one search supported here: a search path
// whose final component is "*" alone, the directory before it ending in '/'
// (none means the current directory). Any other search path, a pattern or a
// plain name, is refused with ERROR_INVALID_PARAMETER. Whether one entry
// exists is GetFileAttributesW's question.
//
// Attributes as Windows would show a POSIX entry: a name starting with '.' is
// hidden; a symbolic link is a reparse point, and also a directory when it
// points at one (so that a walker that skips reparse points never follows it,
// and the link itself is what gets renamed); anything else that is neither a
// directory nor a link is a normal file. The short name is left empty. Sizes
// and times, which nothing asks for, are not in the find record at all, which
// saves a stat per entry: most entries cost one readdir and no system call of
// their own.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace {

constexpr std::uint32_t kFindMagic = 0x46494E44;  // "FIND": guards against foreign handles

struct FindSearch {
  std::uint32_t magic;
  DIR* directory;
};

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// The attributes of `name` inside the directory `directoryFd`, or
// INVALID_FILE_ATTRIBUTES with errno set. `type` is the entry's d_type when
// readdir knew it, which spares the lstat.
DWORD AttributesOf(int directoryFd, const char* name, const char* leafName, unsigned char type) {
  if (type == DT_UNKNOWN) {
    struct stat status;
    if (fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return INVALID_FILE_ATTRIBUTES;
    type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_REG;
  }
  DWORD attributes = 0;
  if (type == DT_DIR) {
    attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else if (type == DT_LNK) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target;
    if (fstatat(directoryFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
      attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
  }
  if (leafName[0] == '.' && !IsDotOrDotDot(leafName)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// The next entry of the directory, or false with the last error set
// (ERROR_NO_MORE_FILES at the end).
bool ReadNextEntry(FindSearch* search, WIN32_FIND_DATAW* found) {
  const int directoryFd = dirfd(search->directory);
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(search->directory);
    if (entry == nullptr) {
      if (errno != 0) {
        SetLastErrorFromErrno(errno);
      } else {
        SetLastError(ERROR_NO_MORE_FILES);
      }
      return false;
    }
    std::memset(found, 0, sizeof *found);
    // A name has at most NAME_MAX (255) bytes, and no byte needs more than one
    // UTF-16 code unit on its own, so every name fits in MAX_PATH.
    const std::size_t length = DecodeUtf8(entry->d_name, std::strlen(entry->d_name), found->cFileName, MAX_PATH - 1);
    found->cFileName[length < MAX_PATH ? length : MAX_PATH - 1] = 0;
    const DWORD attributes = AttributesOf(directoryFd, entry->d_name, entry->d_name, entry->d_type);
    // An entry that vanished between readdir and its stat is passed over.
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    found->dwFileAttributes = attributes;
    return true;
  }
}

// The final component of a byte path, ignoring separators at its end ("dir/"
// names "dir").
const char* FinalComponentBytes(char* path) {
  std::size_t length = std::strlen(path);
  while (length > 1 && path[length - 1] == '/') path[--length] = 0;
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr && slash[1] != 0 ? slash + 1 : path;
}

}  // namespace

// Every entry of the directory before the final "*", "." and ".." included,
// in directory order.
HANDLE FindFirstFileW(LPCWSTR searchPath, WIN32_FIND_DATAW* found) {
  if (searchPath == nullptr || found == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::size_t length = TextLength(searchPath);
  if (length == 0 || searchPath[length - 1] != u'*' || (length > 1 && !IsPathSeparator(searchPath[length - 2]))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }

  // Within a walk the directory is opened and kept for the calls on its
  // entries that follow (see kept_directory.cpp). Otherwise it is opened by
  // the bytes before the "*".
  char path[PATH_MAX];
  if (!PathToBytes(searchPath, path, sizeof path)) return INVALID_HANDLE_VALUE;
  const int kept = KeepDirectoryOf(path);
  int fd = -1;
  if (kept != AT_FDCWD) {
    fd = openat(kept, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } else {
    path[std::strlen(path) - 1] = 0;
    fd = open(path[0] != 0 ? path : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  DIR* directory = fd >= 0 ? fdopendir(fd) : nullptr;
  if (directory == nullptr) {
    SetLastErrorFromErrno(errno);
    if (fd >= 0) close(fd);
    return INVALID_HANDLE_VALUE;
  }
  auto* search = new (std::nothrow) FindSearch{kFindMagic, directory};
  if (search == nullptr) {
    closedir(directory);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  if (!ReadNextEntry(search, found)) {
    // FindClose keeps the last error (and the errno behind it) as it is.
    const bool empty = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    if (empty) SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* found) {
  auto* search = static_cast<FindSearch*>(find);
  if (find == nullptr || find == INVALID_HANDLE_VALUE || search->magic != kFindMagic || found == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return ReadNextEntry(search, found) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE find) {
  auto* search = static_cast<FindSearch*>(find);
  if (find == nullptr || find == INVALID_HANDLE_VALUE || search->magic != kFindMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  closedir(search->directory);
  search->magic = 0;
  delete search;
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path) {
  if (path == nullptr || path[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  char bytes[PATH_MAX];
  if (!PathToBytes(path, bytes, sizeof bytes)) return INVALID_FILE_ATTRIBUTES;
  // An entry of the kept directory is named relative to it (see
  // kept_directory.cpp), and then its name is the final component already.
  const char* leaf = nullptr;
  const int directory = KeptDirectoryOf(bytes, &leaf);
  char leafBuffer[PATH_MAX];
  const char* leafName = leaf;
  if (directory == AT_FDCWD) {
    std::memcpy(leafBuffer, bytes, std::strlen(bytes) + 1);
    leafName = FinalComponentBytes(leafBuffer);
  }
  const DWORD attributes = AttributesOf(directory, leaf, leafName, DT_UNKNOWN);
  if (attributes == INVALID_FILE_ATTRIBUTES) SetLastErrorFromErrno(errno);
  return attributes;
}
