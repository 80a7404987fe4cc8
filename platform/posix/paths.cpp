// POSIX implementation: GetFullPathNameW and GetEnvironmentVariableW.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace {

// The longest path Windows functions handle, in UTF-16 code units.
constexpr std::size_t kLongestPath = 32767;

// Copies text of `length` code units to the caller's buffer the Windows way:
// when it fits with its terminator, the result is the length; otherwise the
// buffer is left alone and the result is the size needed, terminator included.
DWORD CopyOut(const char16_t* text, std::size_t length, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || size <= length) return static_cast<DWORD>(length + 1);
  std::memcpy(buffer, text, length * sizeof(char16_t));
  buffer[length] = 0;
  return static_cast<DWORD>(length);
}

}  // namespace

// The absolute form of a path, worked out from the text alone: a relative path
// is taken from the current directory, "." components and repeated separators
// are dropped, ".." removes the component before it (never above the root).
// Symbolic links are not resolved (".." after a link removes the link's name,
// as on Windows), wildcards and trailing dots or blanks are kept, and a
// separator at the end stays.
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (filePart != nullptr) *filePart = nullptr;
  if (path == nullptr || path[0] == 0) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  static_assert(kLongestPath > PATH_MAX, "the current directory must fit the work buffer");
  // The result is built component by component; it never grows longer than
  // the current directory and the path together.
  char16_t result[kLongestPath + 1];
  std::size_t resultLength = 0;
  if (!IsPathSeparator(path[0])) {
    char directory[PATH_MAX];
    if (getcwd(directory, sizeof directory) == nullptr) {
      SetLastErrorFromErrno(errno);
      return 0;
    }
    // getcwd gives a path without "." or ".." components; the root is "/",
    // which the loop below spells as nothing before the first separator.
    resultLength = DecodeUtf8(directory, std::strlen(directory), result, kLongestPath);
    if (resultLength == 1) resultLength = 0;
  }
  const std::size_t pathLength = TextLength(path);
  if (resultLength + pathLength + 2 > kLongestPath) {  // a leading and a trailing separator
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  std::size_t at = 0;
  while (at < pathLength) {
    while (at < pathLength && IsPathSeparator(path[at])) ++at;
    const std::size_t start = at;
    while (at < pathLength && !IsPathSeparator(path[at])) ++at;
    const std::size_t componentLength = at - start;
    if (componentLength == 0 || (componentLength == 1 && path[start] == u'.')) continue;
    if (componentLength == 2 && path[start] == u'.' && path[start + 1] == u'.') {
      while (resultLength > 0 && result[resultLength - 1] != PATH_SEPARATOR) --resultLength;
      if (resultLength > 0) --resultLength;
      continue;
    }
    result[resultLength++] = PATH_SEPARATOR;
    std::memcpy(result + resultLength, path + start, componentLength * sizeof(char16_t));
    resultLength += componentLength;
  }
  const bool trailingSeparator = IsPathSeparator(path[pathLength - 1]);
  if (resultLength == 0 || trailingSeparator) result[resultLength++] = PATH_SEPARATOR;

  const DWORD copied = CopyOut(result, resultLength, buffer, size);
  if (copied == resultLength && filePart != nullptr && result[resultLength - 1] != PATH_SEPARATOR) {
    std::size_t leaf = resultLength;
    while (leaf > 0 && result[leaf - 1] != PATH_SEPARATOR) --leaf;
    *filePart = buffer + leaf;
  }
  return copied;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  char nameBytes[1024];
  if (name == nullptr || !PathToBytes(name, nameBytes, sizeof nameBytes)) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const char* value = nameBytes[0] == 0 || std::strchr(nameBytes, '=') != nullptr ? nullptr : std::getenv(nameBytes);
  if (value == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::size_t valueBytes = std::strlen(value);
  const std::size_t length = DecodeUtf8(value, valueBytes, nullptr, 0);
  if (buffer == nullptr || size <= length) return static_cast<DWORD>(length + 1);
  DecodeUtf8(value, valueBytes, buffer, length);
  buffer[length] = 0;
  return static_cast<DWORD>(length);
}
