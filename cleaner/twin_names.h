// Under /W: the names of one directory as the walk read them, and the names a
// real run has given there since, for the test whether a new name would be
// the twin of an entry's (cleaner/windows_names.h, TwinKey).
//
// Each name is kept as the 64-bit fingerprint of its twin key only: the names
// read in one sorted array, 8 bytes an entry whatever its name's length
// (8 MiB for a directory of a million entries), the names given in a small
// open-addressing table. Two different keys share a fingerprint with a chance
// of one in 2^64 a pair; then a name counts as taken that is free, and a new
// name gets a suffix it did not need. Nothing is lost that way.
//
// A name an entry leaves is free again: the names read, less the names left,
// plus the names given, are the directory's names. ("nul-001.txt" renamed to
// "nul001.txt" leaves "nul-001.txt" to "nul.txt", which needs a suffix.)
#pragma once

#include <cstddef>
#include <cstdint>

struct TwinNames {
  std::uint64_t* fingerprints;  // of the names read; sorted once they all are
  std::size_t count;
  std::size_t capacity;
  std::uint64_t* given;  // of the names given; 0 marks a free slot
  std::size_t givenCount;
  std::size_t givenCapacity;  // a power of two, or 0
  std::uint64_t* left;  // of the names read that entries have left, once each time; 0 marks a free slot
  std::size_t leftCount;
  std::size_t leftCapacity;  // a power of two, or 0
};

// The fingerprint of a twin key (TwinKey) of length code units; never 0.
std::uint64_t TwinFingerprint(const char16_t* key, std::size_t length);

// The fingerprint of a name's twin key, without a buffer for the key when
// the name is ASCII, as most names are.
std::uint64_t TwinFingerprintOfName(const char16_t* name);

// Adds one entry's fingerprint (in any order; SortTwinNames follows). Returns
// 0, or -1 when memory ran out (the names are then as they were).
std::int32_t AddTwinName(TwinNames* names, std::uint64_t fingerprint);

// Sorts the fingerprints added; returns whether any two are equal, that is,
// whether the directory may hold twins.
bool SortTwinNames(TwinNames* names);

// Adds the fingerprint of a name a rename has given. Returns 0, or -1 when
// memory ran out.
std::int32_t AddGivenName(TwinNames* names, std::uint64_t fingerprint);

// Adds the fingerprint of a name read that an entry has left. Returns 0, or
// -1 when memory ran out.
std::int32_t AddLeftName(TwinNames* names, std::uint64_t fingerprint);

// Whether a name given has the fingerprint.
bool IsGivenName(const TwinNames& names, std::uint64_t fingerprint);

// How many of the names read and not left, and of those given, have the fingerprint.
std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint);

// Empties the names, keeping their memory for the next directory.
void ClearTwinNames(TwinNames* names);

// Releases their memory.
void ReleaseTwinNames(TwinNames* names);
