#include "walker/path_text.h"

#include "platform/device_names.h"
#include "core/host_services.h"

std::int32_t AppendText(char16_t* buffer, std::size_t* length, const char16_t* text) {
  std::size_t end = *length;
  for (std::size_t i = 0; text[i] != u'\0'; ++i) {
    if (end + 1 >= static_cast<std::size_t>(MAX_ARG_LEN)) {
      buffer[*length] = u'\0';
      return -1;
    }
    buffer[end++] = text[i];
  }
  buffer[end] = u'\0';
  *length = end;
  return 0;
}

namespace {

constexpr char16_t LONG_PATH_PREFIX[] = u"\\\\?\\";
constexpr char16_t LONG_UNC_PREFIX[] = u"\\\\?\\UNC\\";

bool IsUncPath(const char16_t* path) {
  return path[0] == u'\\' && path[1] == u'\\' && path[2] != u'\0' && path[2] != u'?' && path[2] != u'.' &&
         path[2] != u'\\';
}

bool IsComponentEnd(char16_t ch) { return ch == u'\0' || ch == u'\\' || ch == u'/'; }

// Whether Win32 path rules would rewrite a component: one that ends in a dot
// or a blank, other than "." and "..", or a last one that is a device name,
// which a plain path reaches the device by.
bool HasRewrittenComponent(const char16_t* path) {
  std::size_t start = 0;
  for (std::size_t i = 0;; ++i) {
    if (!IsComponentEnd(path[i])) {
      continue;
    }
    const std::size_t length = i - start;
    const bool isDotName = (length == 1 && path[start] == u'.') ||
                           (length == 2 && path[start] == u'.' && path[start + 1] == u'.');
    if (length > 0 && !isDotName && (path[i - 1] == u'.' || path[i - 1] == u' ')) {
      return true;
    }
    if (path[i] == u'\0') {
      return IsDeviceName(path + start, length);
    }
    start = i + 1;
  }
}

}  // namespace

bool IsDrivePath(const char16_t* path) {
  const char16_t drive = static_cast<char16_t>(path[0] | 0x20);
  return drive >= u'a' && drive <= u'z' && path[1] == u':' && path[2] == u'\\';
}

std::int32_t FormPrefixedPath(char16_t* buffer, const char16_t* prefix, const char16_t* path) {
  std::size_t length = 0;
  buffer[0] = u'\0';
  return AppendText(buffer, &length, prefix) == 0 && AppendText(buffer, &length, path) == 0 ? 0 : -1;
}

namespace {

// The long-path form of a drive or UNC path in buffer, or nullptr when it does
// not fit. A UNC path keeps its server and share after "\\?\UNC\", without
// its own two leading separators.
const char16_t* LongPathForm(const char16_t* path, char16_t* buffer) {
  const std::int32_t formed = IsDrivePath(path) ? FormPrefixedPath(buffer, LONG_PATH_PREFIX, path)
                                                : FormPrefixedPath(buffer, LONG_UNC_PREFIX, path + 2);
  return formed == 0 ? buffer : nullptr;
}

}  // namespace

const char16_t* FileSystemPath(const char16_t* path, char16_t* buffer) {
  if ((!IsDrivePath(path) && !IsUncPath(path)) || !HasRewrittenComponent(path)) {
    return path;
  }
  return LongPathForm(path, buffer);
}

const char16_t* SearchedPath(const char16_t* path, char16_t* buffer) {
  if ((IsDrivePath(path) || IsUncPath(path)) && TextLength(path) > PLAIN_PATH_LIMIT) {
    return LongPathForm(path, buffer);
  }
  return FileSystemPath(path, buffer);
}
