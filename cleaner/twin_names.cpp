#include "cleaner/twin_names.h"

#include <algorithm>
#include <cstdlib>

#include "cleaner/windows_names.h"
#include "command/shared_types.h"
#include "platform/utf16_text.h"

namespace {

constexpr std::size_t FIRST_CAPACITY = 1024;

// The fingerprint folds the key in words of four code units, each with a
// rotation and a multiply (so that every bit reaches every other), then its
// length, then splitmix64's finalizer.
constexpr std::uint64_t SEED = 0x243F6A8885A308D3ull;
constexpr std::uint64_t MULTIPLIER = 0x9E3779B97F4A7C15ull;

std::uint64_t Fold(std::uint64_t hash, std::uint64_t word) {
  return (((hash << 23) | (hash >> 41)) ^ word) * MULTIPLIER;
}

// 0 is kept for the free slots of the table of given names.
std::uint64_t Finish(std::uint64_t hash, std::size_t length) {
  hash = Fold(hash, length);
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
  hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
  hash ^= hash >> 31;
  return hash != 0 ? hash : 1;
}

constexpr std::size_t FIRST_GIVEN_CAPACITY = 256;

// The slot of the table that holds the fingerprint, or the free one where it would go.
std::uint64_t* GivenSlot(std::uint64_t* table, std::size_t capacity, std::uint64_t fingerprint) {
  const std::size_t mask = capacity - 1;
  std::size_t index = static_cast<std::size_t>(fingerprint) & mask;
  while (table[index] != 0 && table[index] != fingerprint) {
    index = (index + 1) & mask;
  }
  return &table[index];
}

}  // namespace

std::uint64_t TwinFingerprint(const char16_t* key, std::size_t length) {
  std::uint64_t hash = SEED;
  for (std::size_t i = 0; i < length; i += 4) {
    // Four code units in one word; those past the end are 0.
    std::uint64_t word = 0;
    for (std::size_t k = 0; k < 4 && i + k < length; ++k) {
      word |= std::uint64_t{key[i + k]} << (16 * k);
    }
    hash = Fold(hash, word);
  }
  return Finish(hash, length);
}

std::uint64_t TwinFingerprintOfName(const char16_t* name) {
  // An ASCII name's key is the name upper-cased, formed on the way.
  std::uint64_t hash = SEED;
  std::size_t length = 0;
  for (;; length += 4) {
    std::uint64_t word = 0;
    std::size_t k = 0;
    for (; k < 4 && name[length + k] != 0; ++k) {
      if (name[length + k] >= 0x80) {
        char16_t key[MAX_ARG_LEN];
        const std::size_t whole = TextLength(name);
        return TwinFingerprint(key, TwinKey(name, whole < MAX_ARG_LEN ? whole : MAX_ARG_LEN - 1, key));
      }
      word |= std::uint64_t{ToUpperAscii(name[length + k])} << (16 * k);
    }
    if (k > 0) {
      hash = Fold(hash, word);
    }
    if (k < 4) {
      return Finish(hash, length + k);
    }
  }
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

std::int32_t AddGivenName(TwinNames* names, std::uint64_t fingerprint) {
  // Doubled once three quarters full, so that every search ends soon at a free slot.
  if (4 * (names->givenCount + 1) > 3 * names->givenCapacity) {
    const std::size_t capacity = names->givenCapacity == 0 ? FIRST_GIVEN_CAPACITY : 2 * names->givenCapacity;
    auto* table = static_cast<std::uint64_t*>(std::calloc(capacity, sizeof(std::uint64_t)));
    if (table == nullptr) {
      return -1;
    }
    for (std::size_t i = 0; i < names->givenCapacity; ++i) {
      if (names->given[i] != 0) {
        *GivenSlot(table, capacity, names->given[i]) = names->given[i];
      }
    }
    std::free(names->given);
    names->given = table;
    names->givenCapacity = capacity;
  }
  std::uint64_t* slot = GivenSlot(names->given, names->givenCapacity, fingerprint);
  if (*slot == 0) {
    *slot = fingerprint;
    ++names->givenCount;
  }
  return 0;
}

std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint) {
  const std::uint64_t* const first = names.fingerprints;
  const auto range = std::equal_range(first, first + names.count, fingerprint);
  const bool given = names.givenCount > 0 && *GivenSlot(names.given, names.givenCapacity, fingerprint) != 0;
  return static_cast<std::size_t>(range.second - range.first) + (given ? 1 : 0);
}

void ClearTwinNames(TwinNames* names) {
  names->count = 0;
  if (names->givenCount > 0) {
    std::fill(names->given, names->given + names->givenCapacity, 0);
    names->givenCount = 0;
  }
}

void ReleaseTwinNames(TwinNames* names) {
  std::free(names->fingerprints);
  std::free(names->given);
  *names = TwinNames{nullptr, 0, 0, nullptr, 0, 0};
}
