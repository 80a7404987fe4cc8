// Bounded assembly of paths in MAX_ARG_LEN buffers, shared by the walk and the
// rename step.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/utf16_text.h"  // TextLength

// Appends text at buffer[*length], keeping room for the terminator within
// MAX_ARG_LEN characters, and advances *length. Returns 0, or -1 when the text
// does not fit: the buffer then ends at *length, unchanged before it.
std::int32_t AppendText(char16_t* buffer, std::size_t* length, const char16_t* text);

// The path to hand the file system for a path as it is shown. Win32 path
// rules drop the dots and blanks at the end of a component ("bar " names
// "bar", "dir.\x" names "dir\x"), and take a last component that is a device
// name for the device ("dir\con", "dir\nul.txt"), yet NTFS holds such names.
// When a component of a drive path ("X:\...") or a UNC path
// ("\\server\share\...") ends in a dot or a blank, or the last one is a device
// name (platform/device_names.h), the path is formed in its long-path form ("\\?\X:\...",
// "\\?\UNC\server\share\..."), which the system takes as it stands, in buffer
// (MAX_ARG_LEN characters), and buffer is returned; otherwise the path itself.
// Returns nullptr when the long-path form does not fit. Paths as the walk forms
// them hold no "." or ".." components, which the long-path form would not
// resolve. Paths of other forms (POSIX ones, paths with a prefix already) are
// returned as they are.
const char16_t* FileSystemPath(const char16_t* path, char16_t* buffer);

// The longest path, without its terminator, that a Windows without long-path
// support takes in the plain form.
constexpr std::size_t PLAIN_PATH_LIMIT = 259;

// FileSystemPath for the paths the walk searches and opens: the long-path
// form also when the path is longer than PLAIN_PATH_LIMIT. A rename that fails
// is retried in the long-path form; a directory that cannot be searched would
// only be taken for one that is not there.
const char16_t* SearchedPath(const char16_t* path, char16_t* buffer);

// Forms prefix and path in buffer (MAX_ARG_LEN characters). Returns 0, or -1
// when they do not fit.
std::int32_t FormPrefixedPath(char16_t* buffer, const char16_t* prefix, const char16_t* path);

// Whether the path starts "X:\" with an ASCII letter X: a Windows drive path.
bool IsDrivePath(const char16_t* path);
