// The capacity and the records that the subsystems pass to one another. Plain
// C++ only, no platform header, so that every part of the engine can use them.
#pragma once

#include <cstdint>

#include "core/options.h"

// Capacity, in UTF-16 code units, of the argument pool and of every path and
// name buffer. Every copy and append into such a buffer is bounded by it.
constexpr int MAX_ARG_LEN = 16384;

// The counts of one directory, or of a whole command: found, fixed, skipped,
// failed, in that order in memory. The tally line prints failed before skipped.
struct RenameTally {
  std::uint32_t found;
  std::uint32_t fixed;
  std::uint32_t skipped;
  std::uint32_t failed;
};
