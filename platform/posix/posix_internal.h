// POSIX-only header, shared by the files of platform/posix/ (and their tests):
// the helpers behind the Windows functions declared in win32_api.h.
#pragma once

#include <signal.h>

#include <cstddef>

#include "platform/posix/win32_api.h"

// ---- Text ------------------------------------------------------------------
// UTF-8 bytes to UTF-16. Every byte that is not part of a valid UTF-8 sequence
// (stray continuation bytes, overlong forms, encoded surrogates, code points
// above U+10FFFF, cut-off sequences) becomes the lone low surrogate
// U+DC80..U+DCFF that carries it, so decoding never fails and EncodeUtf8 gives
// back exactly the same bytes. Writes at most `capacity` code units and returns
// how many the whole text needs.
std::size_t DecodeUtf8(const char* bytes, std::size_t count, char16_t* text, std::size_t capacity);

// UTF-16 to UTF-8: U+DC80..U+DCFF alone become the byte they carry, other lone
// surrogates their three-byte form, so no code unit is lost. Writes at most
// `capacity` bytes (never part of a character) and returns how many the whole
// text needs.
std::size_t EncodeUtf8(const char16_t* text, std::size_t length, char* bytes, std::size_t capacity);

// A zero-terminated UTF-16 path as the zero-terminated bytes the kernel takes.
// False, with ERROR_FILENAME_EXCED_RANGE as the last error, when the bytes and
// their terminator do not fit `capacity`.
bool PathToBytes(const char16_t* path, char* bytes, std::size_t capacity);

// ---- Errors ----------------------------------------------------------------
// The one mapping from errno values to Windows error codes.
struct ErrnoMapping {
  int errnoValue;
  DWORD windowsCode;
};
extern const ErrnoMapping kErrnoMappings[];
extern const std::size_t kErrnoMappingCount;
// The code for errno values the table does not list.
constexpr DWORD kUnmappedErrnoCode = ERROR_INVALID_FUNCTION;

DWORD WindowsErrorFromErrno(int errnoValue);
// SetLastError(WindowsErrorFromErrno(errnoValue)).
void SetLastErrorFromErrno(int errnoValue);

// ---- The kept directory (kept_directory.cpp) ---------------------------------
// Within a KeptDirectoryScope: opens the directory of the full path
// "/dir/leaf" afresh, keeps it open in place of the one kept before, and
// returns its descriptor. AT_FDCWD (keeping nothing) outside a scope, for a
// relative path, one ending in '/', or a directory that cannot be opened.
int KeepDirectoryOf(const char* path);
// For a full path "/dir/leaf" whose "/dir/" is the kept directory: its
// descriptor, and *leaf pointing at "leaf" within path. Otherwise AT_FDCWD and
// *leaf = path, so the caller works on the full path as given.
int KeptDirectoryOf(const char* path, const char** leaf);
// After a rename of path: lets the kept directory go when it is at or below it.
void ForgetKeptDirectoryAtOrBelow(const char* path);

// ---- Renaming --------------------------------------------------------------
// The rename that never replaces, for file systems that refuse
// RENAME_NOREPLACE (see move_file.cpp). Returns 0 or the errno value.
int RenameWithoutFlag(const char* from, const char* to);

// ---- Ending signals ----------------------------------------------------------
// While one of these lives, SIGINT, SIGTERM and SIGHUP wait: a signal that
// comes meanwhile is delivered when it goes. For work that must not be left
// half-done (a rename made of two calls, the write-out of the output buffer).
class EndingSignalsHeld {
 public:
  EndingSignalsHeld();
  ~EndingSignalsHeld();
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// ---- Standard output -------------------------------------------------------
// Writes out what WriteFile has gathered for standard output. Called before
// anything else reaches the terminal or the process waits for input.
void FlushStandardOutput();
// Called by MoveFileW after each rename: standard output that is a pipe is
// written out at its next line end (see console.cpp).
void NoteRenameForStandardOutput();
