// The tally line of one directory or of a whole command (RenameTally).
#pragma once

#include <cstdint>

#include "core/shared_types.h"

// Writes "Found %s, fixed %s, failed %s, skipped %s" on standard output, each
// number grouped by the host; no line break. Returns 0.
std::int32_t PrintTally(RenameTally tally);

// Replaces the decimal number in the buffer (at least 1024 characters) by the
// host's grouped form. 0 done; 1 text too long; 2 expansion failed; 3 grouped
// form too long; -1 no buffer. On every non-zero result the buffer is unchanged.
std::int32_t GroupDigits(char16_t* buffer);
