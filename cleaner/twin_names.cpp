#include "cleaner/twin_names.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::size_t FIRST_CAPACITY = 1024;

}  // namespace

// FNV-1a over the key's code units, then the finalizer of splitmix64, which
// spreads keys that differ in one unit over all 64 bits.
std::uint64_t TwinFingerprint(const char16_t* key, std::size_t length) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t i = 0; i < length; ++i) {
    hash = (hash ^ key[i]) * 1099511628211ull;
  }
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
  hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
  return hash ^ (hash >> 31);
}

std::int32_t AddTwinName(TwinNames* names, std::uint64_t fingerprint) {
  if (names->count == names->capacity) {
    const std::size_t capacity = names->capacity == 0 ? FIRST_CAPACITY : names->capacity * 2;
    void* grown = std::realloc(names->fingerprints, capacity * sizeof(std::uint64_t));
    if (grown == nullptr) {
      return -1;
    }
    names->fingerprints = static_cast<std::uint64_t*>(grown);
    names->capacity = capacity;
  }
  names->fingerprints[names->count++] = fingerprint;
  return 0;
}

bool SortTwinNames(TwinNames* names) {
  std::uint64_t* const first = names->fingerprints;
  std::uint64_t* const last = first + names->count;
  std::sort(first, last);
  return std::adjacent_find(first, last) != last;
}

std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint) {
  const std::uint64_t* const first = names.fingerprints;
  const auto range = std::equal_range(first, first + names.count, fingerprint);
  return static_cast<std::size_t>(range.second - range.first);
}

void ClearTwinNames(TwinNames* names) { names->count = 0; }

void ReleaseTwinNames(TwinNames* names) {
  std::free(names->fingerprints);
  *names = TwinNames{nullptr, 0, 0};
}
