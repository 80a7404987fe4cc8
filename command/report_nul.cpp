// The old and the new path of each rename made (or previewed, under /N) on
// standard output, each followed by a NUL, as find -print0 writes paths, and
// nothing else (-0, --null). On POSIX the paths are the names' exact bytes.
#include <string>

#include "command/json_lines.h"
#include "command/report.h"
#include "platform/utf16_text.h"
#include "platform/win32.h"

std::int32_t WriteNulEvent(const RunEvent& event) {
  if (event.kind != EVENT_RENAMED && event.kind != EVENT_PREVIEWED) {
    return 0;
  }
  std::string bytes;
  AppendUtf8(&bytes, event.oldPath, TextLength(event.oldPath));
  bytes.push_back('\0');
  AppendUtf8(&bytes, event.newPath, TextLength(event.newPath));
  bytes.push_back('\0');
  WriteStandardOutput(bytes);
  return 0;
}
