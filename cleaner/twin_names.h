// Under /W: the names of one directory as the walk read them, for the test
// whether a new name would be the twin of an entry's (cleaner/windows_names.h,
// TwinKey).
//
// Each entry is kept as the 64-bit fingerprint of its twin key only, in one
// sorted array: 8 bytes an entry, whatever its name's length (8 MiB for a
// directory of a million entries). Two different keys share a fingerprint with
// a chance of one in 2^64 a pair; then a name counts as taken that is free, and
// a new name gets a suffix it did not need. Nothing is lost that way, and the
// preview and the real run decide alike.
#pragma once

#include <cstddef>
#include <cstdint>

struct TwinNames {
  std::uint64_t* fingerprints;
  std::size_t count;
  std::size_t capacity;
};

// The fingerprint of a twin key (TwinKey) of length code units.
std::uint64_t TwinFingerprint(const char16_t* key, std::size_t length);

// Adds one entry's fingerprint (in any order; SortTwinNames follows). Returns
// 0, or -1 when memory ran out (the names are then as they were).
std::int32_t AddTwinName(TwinNames* names, std::uint64_t fingerprint);

// Sorts the fingerprints added; returns whether any two are equal, that is,
// whether the directory may hold twins.
bool SortTwinNames(TwinNames* names);

// How many of the sorted entries have the fingerprint.
std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint);

// Empties the names, keeping their memory for the next directory.
void ClearTwinNames(TwinNames* names);

// Releases their memory.
void ReleaseTwinNames(TwinNames* names);
