// Opening and wording of diagnostics on standard error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/host_services.h"

// Capacity, in characters, of the buffer SystemErrorText fills.
constexpr std::size_t ERROR_TEXT_LEN = 1024;

// Writes "Purifile plugin: " on standard error and, inside a batch file, the
// batch file's name and line; in the POSIX style (command/report.h) only
// "purifile: ". No line break. Returns 0.
std::int32_t ErrorPrefix();

// A diagnostic: ErrorPrefix, then format with its arguments on standard error.
// Returns 0.
template <typename... Arguments>
std::int32_t Diagnose(const char16_t* format, Arguments... arguments) {
  ErrorPrefix();
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), format, arguments...);
  return 0;
}

// The system's one-line text for a Windows error code, without trailing
// whitespace, in the caller's buffer of ERROR_TEXT_LEN characters. Returns 0.
std::int32_t SystemErrorText(std::uint32_t code, char16_t* buffer);

// The report of a failed system call on standard error: ErrorPrefix, heading
// (a format with one %s, for subject), the system's text for code indented by
// four blanks, and an empty line. Returns 0.
std::int32_t ReportSystemError(const char16_t* heading, const char16_t* subject, std::uint32_t code);
