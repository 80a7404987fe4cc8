// The services the host shell exports from TakeCmd.dll, as the plug-in calls them.
// Strings are zero-terminated UTF-16; every result is a 32-bit integer.
//
// The plug-in links against an import library made from host/TakeCmd.def; the
// standalone program and the unit tests link host/ directly, which implements
// the same functions.
#pragma once

#include "core/shared_types.h"
#include "platform/win32.h"

extern "C" {

// Standard output: format with %s (UTF-16 string), %u, %d, %c and their widths.
int Printf(const char16_t* format, ...);
// Formatted text on the given handle (always the standard-error handle here).
int Qprintf(HANDLE handle, const char16_t* format, ...);
// The string on standard output as passed, no line break added.
int QPuts(const char16_t* text);
// Formats into a buffer of 1024 characters.
int Sprintf(char16_t* buffer, const char16_t* format, ...);
// A line break on standard output.
int CrLf();
// Replaces variable references in the buffer in place; 0 on success. The host
// may fill the buffer up to MAX_ARG_LEN characters, so every buffer passed holds
// that many. On failure (a result too long, a malformed reference) the buffer
// is left as it was.
int ExpandVariables(char16_t* buffer, int flag);
// The fully qualified path of a file specification (links not followed) in a
// buffer of MAX_ARG_LEN characters; empty when none can be formed.
int QueryTrueName(const char16_t* fileSpec, char16_t* trueName);
// Non-zero for an existing directory.
int QueryIsDirectory(const char16_t* path);
// Non-zero when a file or directory of that path exists.
int QueryIsFileOrDirectory(const char16_t* path);
// 0 when the name matches the pattern (ASCII letters compared without case).
int WildcardComparison(const char16_t* pattern, const char16_t* name, int flag1, int flag2);
// Waits for one key: letters upper-cased, Esc as 27. Throws when no key can be read.
int GetKeystroke(int flags);

}  // extern "C"
