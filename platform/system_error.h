// Errors in the platform's own terms, for messages in its own words. The
// engine knows an error by its Windows code (GetLastError); the POSIX layer
// maps several errno values to one code (EPERM and EACCES are both
// ERROR_ACCESS_DENIED), so the text a POSIX user expects ("Operation not
// permitted") needs the errno itself, taken together with the code.
#pragma once

#include <cstddef>
#include <cstdint>

// A failure both ways: code as GetLastError() reports it (the engine's
// numbering; 0 for none) and systemError in the platform's own, for its words.
struct SystemFailure {
  std::uint32_t code;
  std::uint32_t systemError;
};

// The error GetLastError() reports, in the platform's own numbering: on POSIX
// the errno value it was mapped from, or, for a code set by SetLastError, the
// errno that stands for it (0 when none does); on Windows the code itself.
std::uint32_t GetLastSystemError();

// The same for a Windows error code that no call set: the engine's own
// failures (a name too long, no free suffix).
std::uint32_t SystemErrorOf(std::uint32_t code);

// The platform's own text of such an error, on one line: strerror's on POSIX
// ("Operation not permitted"), the system's message on Windows. capacity is
// that of text, terminator included (at least 1).
void SystemErrorWords(std::uint32_t error, char16_t* text, std::size_t capacity);
