// Windows-only header: the one place that includes <windows.h>.
// The engine's text is char16_t; Windows spells UTF-16 as wchar_t. The inline
// overloads below take char16_t and forward to the real functions, so engine
// code reads the same on every platform.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// CommandLineToArgvW: the standalone program splits its own command line.
#include <shellapi.h>
// _getwch: one key from the console, without echo.
#include <conio.h>

#include <cstdarg>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected on Windows");

// The separator Windows puts between path components; '/' is accepted too.
constexpr char16_t PATH_SEPARATOR = u'\\';
inline bool IsPathSeparator(char16_t ch) { return ch == u'\\' || ch == u'/'; }
// A name is UTF-16 code units, text or not (its exact record).
constexpr bool FILE_NAMES_ARE_BYTES = false;
// Names are UTF-16 here: every code unit of a name read from the file system
// is text, none stands for a byte that could not be read.
inline int UndecodedNameByte(char16_t) { return -1; }

namespace platform_detail {
inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
}  // namespace platform_detail

inline HANDLE FindFirstFileW(const char16_t* searchPath, WIN32_FIND_DATAW* found) {
  return ::FindFirstFileW(platform_detail::W(searchPath), found);
}
inline BOOL MoveFileW(const char16_t* from, const char16_t* to) {
  return ::MoveFileW(platform_detail::W(from), platform_detail::W(to));
}
inline BOOL DeleteFileW(const char16_t* path) { return ::DeleteFileW(platform_detail::W(path)); }
inline DWORD GetFileAttributesW(const char16_t* path) {
  return ::GetFileAttributesW(platform_detail::W(path));
}
inline DWORD GetFullPathNameW(const char16_t* path, DWORD size, char16_t* buffer, char16_t** filePart) {
  return ::GetFullPathNameW(platform_detail::W(path), size, platform_detail::W(buffer),
                            reinterpret_cast<wchar_t**>(filePart));
}
inline DWORD GetEnvironmentVariableW(const char16_t* name, char16_t* buffer, DWORD size) {
  return ::GetEnvironmentVariableW(platform_detail::W(name), platform_detail::W(buffer), size);
}
inline DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                            char16_t* buffer, DWORD size, va_list* arguments) {
  return ::FormatMessageW(flags, source, messageId, languageId, platform_detail::W(buffer), size,
                          arguments);
}
inline BOOL GetStringTypeW(DWORD infoType, const char16_t* text, int length, WORD* types) {
  return ::GetStringTypeW(infoType, platform_detail::W(text), length, types);
}
inline int NormalizeString(NORM_FORM form, const char16_t* source, int sourceLength, char16_t* destination,
                           int destinationLength) {
  return ::NormalizeString(form, platform_detail::W(source), sourceLength, platform_detail::W(destination),
                           destinationLength);
}
inline int LCMapStringEx(LPCWSTR localeName, DWORD mapFlags, const char16_t* source, int sourceLength,
                         char16_t* destination, int destinationLength, LPNLSVERSIONINFO versionInformation,
                         LPVOID reserved, LPARAM sortHandle) {
  return ::LCMapStringEx(localeName, mapFlags, platform_detail::W(source), sourceLength,
                         platform_detail::W(destination), destinationLength, versionInformation, reserved,
                         sortHandle);
}
inline HANDLE CreateFileW(const char16_t* name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags, HANDLE templateFile) {
  return ::CreateFileW(platform_detail::W(name), access, share, security, disposition, flags,
                       templateFile);
}
inline int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption, UINT type) {
  return ::MessageBoxW(owner, platform_detail::W(text), platform_detail::W(caption), type);
}
inline int wsprintfW(char16_t* buffer, const char16_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = ::wvsprintfW(platform_detail::W(buffer), platform_detail::W(format), arguments);
  va_end(arguments);
  return written;
}
inline int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount,
                               char16_t* text, int textSize) {
  return ::MultiByteToWideChar(codePage, flags, bytes, byteCount, platform_detail::W(text), textSize);
}
inline int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* text, int textLength,
                               char* bytes, int byteSize, const char* defaultChar, BOOL* usedDefault) {
  return ::WideCharToMultiByte(codePage, flags, platform_detail::W(text), textLength, bytes, byteSize,
                               defaultChar, usedDefault);
}

// A file name read from a WIN32_FIND_DATAW as the engine's text type.
inline const char16_t* FoundName(const WIN32_FIND_DATAW& found) {
  return reinterpret_cast<const char16_t*>(found.cFileName);
}
inline const char16_t* FoundShortName(const WIN32_FIND_DATAW& found) {
  return reinterpret_cast<const char16_t*>(found.cAlternateFileName);
}

// The program's command line split into arguments, as Windows programs split
// it; released with LocalFree.
inline char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) {
  return reinterpret_cast<char16_t**>(::CommandLineToArgvW(platform_detail::W(commandLine), count));
}
