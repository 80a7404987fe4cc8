// QueryTrueName, QueryIsDirectory and QueryIsFileOrDirectory.
#include "core/host_services.h"

extern "C" {

// The full path is formed from the current directory as text alone: links are
// not followed and the path need not exist.
int QueryTrueName(const char16_t* fileSpec, char16_t* trueName) {
  if (trueName == nullptr) {
    return -1;
  }
  trueName[0] = u'\0';
  if (fileSpec == nullptr || fileSpec[0] == u'\0') {
    return -1;
  }
  const DWORD length = GetFullPathNameW(fileSpec, MAX_ARG_LEN, trueName, nullptr);
  if (length == 0 || length >= MAX_ARG_LEN) {
    trueName[0] = u'\0';
    return -1;
  }
  return 0;
}

int QueryIsDirectory(const char16_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
}

int QueryIsFileOrDirectory(const char16_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

}  // extern "C"
