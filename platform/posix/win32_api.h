// POSIX-only header. The subset of the Windows API that Purifile uses, declared
// with the Windows names, types and meanings and implemented over POSIX.
// Text is UTF-16 (char16_t); file names cross to the kernel as UTF-8, and bytes
// that are not valid UTF-8 travel as lone low surrogates U+DC80..U+DCFF so that
// every name read from a directory renames back to exactly the same bytes.
// Other lone surrogates are written in their three-byte form, so no text is
// lost on the way to the kernel either.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONGLONG = std::uint64_t;
using UINT = unsigned int;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using HANDLE = void*;
using HWND = void*;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

constexpr DWORD MAX_PATH = 260;

// The separator this platform puts between path components, and the test for
// one. A backslash is an ordinary character in a POSIX file name.
constexpr char16_t PATH_SEPARATOR = u'/';
inline bool IsPathSeparator(char16_t ch) { return ch == u'/'; }
// A name is the bytes the kernel holds, text or not (its exact record).
constexpr bool FILE_NAMES_ARE_BYTES = true;

// A byte of a file name that is not part of valid UTF-8 travels as the code
// unit UNDECODED_BYTE_BASE + byte (U+DC80..U+DCFF).
constexpr char16_t UNDECODED_BYTE_BASE = 0xDC00;
// The byte a code unit of a name read from the file system stands for when it
// could not be read as text, or -1 for a unit that is text.
inline int UndecodedNameByte(char16_t unit) {
  return unit >= UNDECODED_BYTE_BASE + 0x80 && unit <= UNDECODED_BYTE_BASE + 0xFF ? unit - UNDECODED_BYTE_BASE
                                                                                  : -1;
}

constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = static_cast<DWORD>(-1);

// Error codes the layer produces (winerror.h values).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_NO_DATA = 232;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_IO_DEVICE = 1117;
constexpr DWORD ERROR_TOO_MANY_LINKS = 1142;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0xFF;

constexpr DWORD CT_CTYPE1 = 1;
constexpr WORD C1_UPPER = 0x1;
constexpr WORD C1_LOWER = 0x2;
constexpr WORD C1_DIGIT = 0x4;
constexpr WORD C1_SPACE = 0x8;
constexpr WORD C1_PUNCT = 0x10;
constexpr WORD C1_CNTRL = 0x20;
constexpr WORD C1_BLANK = 0x40;
constexpr WORD C1_XDIGIT = 0x80;
constexpr WORD C1_ALPHA = 0x100;
constexpr WORD C1_DEFINED = 0x200;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD OPEN_EXISTING = 3;

constexpr DWORD ENABLE_PROCESSED_OUTPUT = 0x1;
constexpr DWORD ENABLE_WRAP_AT_EOL_OUTPUT = 0x2;

constexpr UINT CP_UTF8 = 65001;
constexpr UINT MB_OK = 0;
constexpr int IDOK = 1;

// The members the engine reads; sizes and times are Windows' alone.
struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  char16_t cFileName[MAX_PATH];
  char16_t cAlternateFileName[14];
};

DWORD GetLastError();
void SetLastError(DWORD code);
HANDLE GetStdHandle(DWORD which);

// The search path is a directory followed by "*": every entry, "." and ".."
// included; any other search path fails with ERROR_INVALID_PARAMETER. A name
// starting with '.' is hidden; a symbolic link is a reparse point (and a
// directory too when it points at one). The short name stays empty.
HANDLE FindFirstFileW(LPCWSTR searchPath, WIN32_FIND_DATAW* found);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* found);
BOOL FindClose(HANDLE find);
// Never replaces an existing entry (ERROR_ALREADY_EXISTS); a link is renamed
// itself, never its target.
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
// Removes a name that is not a directory (a link is removed itself).
BOOL DeleteFileW(LPCWSTR path);
// The entry itself, not what a link points at (attributes as for FindFirstFileW).
DWORD GetFileAttributesW(LPCWSTR path);
// From the text alone: links are never resolved.
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

// FORMAT_MESSAGE_FROM_SYSTEM only, in Windows' wording, for the codes this
// layer sets; other codes fail with ERROR_MR_MID_NOT_FOUND.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPWSTR buffer, DWORD size, std::va_list* arguments);
// NormalizationC only (with Debian's utf8proc). Fails with
// ERROR_NO_UNICODE_TRANSLATION for text with a lone surrogate, and with
// ERROR_INSUFFICIENT_BUFFER when the result does not fit.
enum NORM_FORM { NormalizationC = 1 };
int NormalizeString(NORM_FORM form, LPCWSTR source, int sourceLength, LPWSTR destination, int destinationLength);
// The invariant locale and LCMAP_UPPERCASE only (with Debian's utf8proc):
// each code unit of the Basic Multilingual Plane becomes its simple upper-case
// mapping (the one of UnicodeData.txt), and a surrogate stays as it is, as in
// the up-case tables of NTFS and exFAT. The result is as long as the text; a
// sourceLength of -1 takes the text up to and including its terminator, and a
// destinationLength of 0 asks for the length only. Other flags and locales
// fail with ERROR_INVALID_PARAMETER.
constexpr const char16_t* LOCALE_NAME_INVARIANT = u"";
constexpr DWORD LCMAP_UPPERCASE = 0x200;
int LCMapStringEx(LPCWSTR localeName, DWORD mapFlags, LPCWSTR source, int sourceLength, LPWSTR destination,
                  int destinationLength, void* versionInformation, void* reserved, std::intptr_t sortHandle);
// CT_CTYPE1 only (platform/ctype_table.h).
BOOL GetStringTypeW(DWORD infoType, LPCWSTR text, int length, WORD* types);

// The console device: CreateFileW opens "CONOUT$" (and "CONIN$") as the
// controlling terminal, and fails when there is none. GetConsoleMode is TRUE
// for those handles and for a standard handle that is a terminal. WriteFile on
// standard output gathers the bytes and writes them out when the buffer is
// full, before any other handle is written or any input read, at exit, and,
// when it is a pipe or a socket, at the first line end after a rename. A write
// to a pipe whose reader has gone fails with ERROR_NO_DATA, as on Windows.
// Files: CreateFileW creates one with CREATE_NEW and GENERIC_WRITE (an
// existing file fails, ERROR_ALREADY_EXISTS), or opens one with OPEN_EXISTING
// and GENERIC_READ; the share mode and flags are ignored. WriteFile on a file
// writes at once, ReadFile reads (0 bytes at its end).
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, void* security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
BOOL GetConsoleMode(HANDLE handle, DWORD* mode);
BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved);
BOOL WriteFile(HANDLE file, const void* bytes, DWORD length, DWORD* written, void* overlapped);
BOOL ReadFile(HANDLE file, void* bytes, DWORD length, DWORD* read, void* overlapped);

// The time now, in UTC.
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
void GetSystemTime(SYSTEMTIME* time);
ULONGLONG GetTickCount64();

// Writes out what standard output has gathered (see above); FALSE with the
// error when that, or any earlier write-out, failed: some of what was
// written never arrived. A file's data is put on the disk (fdatasync). Other
// handles keep nothing back.
BOOL FlushFileBuffers(HANDLE file);

// The console's control events are the signals that ask a process to end:
// SIGINT is CTRL_C_EVENT, SIGTERM CTRL_BREAK_EVENT and SIGHUP CTRL_CLOSE_EVENT.
// One routine at a time (adding a second, or removing another, fails with
// ERROR_INVALID_PARAMETER, as does a null routine). It is called in the signal
// handler, so it may only do what a signal handler may; when it returns TRUE
// the signal ends nothing, when FALSE, or without a routine, the process ends
// as the signal ends it. A signal the process was started to ignore is never
// delivered. A control event taken while _getwch waits for a key ends the wait
// with WEOF.
#define WINAPI
constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
using PHANDLER_ROUTINE = BOOL (*)(DWORD);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add);

// Caption and text on the terminal (standard error without one); IDOK.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
HWND GetForegroundWindow();
// The conversions of platform/text_format.h; at most 1023 characters and the
// terminator (a cut text answers 1024).
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);

// Code page CP_UTF8 only; the flags are ignored (no byte sequence is invalid:
// see the top of this header).
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount, LPWSTR text,
                        int textSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int textLength, char* bytes,
                        int byteSize, const char* defaultChar, BOOL* usedDefault);

// One key from the console (the controlling terminal), read without echo and
// without waiting for Enter, as its UTF-16 code unit: Esc is 27, Ctrl+C is 3, a
// character outside the BMP comes as two calls (high then low surrogate), and a
// cursor or function key (an escape sequence) as 0xE0. WEOF when there is no
// terminal or it is closed. Standard output is flushed first.
wint_t _getwch();

// A file name read from a WIN32_FIND_DATAW as the engine's text type.
inline const char16_t* FoundName(const WIN32_FIND_DATAW& found) { return found.cFileName; }
inline const char16_t* FoundShortName(const WIN32_FIND_DATAW& found) { return found.cAlternateFileName; }
