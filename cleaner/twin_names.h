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
// A name an entry leaves still counts as read: no new name is its twin in
// the same walk. That costs little: cleaning mostly keeps a name's twin key
// or gives it one no new name has. Under /8 it may not ("\u00C3\u00BC.txt"
// becomes "\u00FC.txt", and "%C3%A3%C2%BC.txt" would become its twin
// "\u00E3\u00BC.txt"); then the later entry gets a suffix it did not need,
// in a preview as in the real run. A later walk reads the directory again,
// and finds the name free.
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

// How many of the names read, and of those given, have the fingerprint.
std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint);

// Empties the names, keeping their memory for the next directory.
void ClearTwinNames(TwinNames* names);

// Releases their memory.
void ReleaseTwinNames(TwinNames* names);
