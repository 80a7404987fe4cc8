// Opening and wording of diagnostics on standard error.
#pragma once

#include <cstdint>

// Writes "Purifile plugin: " on standard error and, inside a batch file, the
// batch file's name and line. No line break. Returns 0.
std::int32_t ErrorPrefix();

// The system's one-line text for a Windows error code, without trailing
// whitespace, in the caller's buffer of 1024 characters. Returns 0.
std::int32_t SystemErrorText(std::uint32_t code, char16_t* buffer);
