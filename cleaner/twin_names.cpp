#include "cleaner/twin_names.h"

#include <algorithm>
#include <cstdlib>

#include "cleaner/windows_names.h"
#include "core/shared_types.h"
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

namespace {

// Makes room in the table for one more fingerprint: doubled once three
// quarters full, so that every search ends soon at a free slot. Returns 0, or
// -1 when memory ran out (the table is then as it was).
std::int32_t ReserveSlot(std::uint64_t** table, std::size_t count, std::size_t* capacity) {
  if (4 * (count + 1) <= 3 * *capacity) {
    return 0;
  }
  const std::size_t grown = *capacity == 0 ? FIRST_GIVEN_CAPACITY : 2 * *capacity;
  auto* moved = static_cast<std::uint64_t*>(std::calloc(grown, sizeof(std::uint64_t)));
  if (moved == nullptr) {
    return -1;
  }
  const std::size_t mask = grown - 1;
  for (std::size_t i = 0; i < *capacity; ++i) {
    if ((*table)[i] != 0) {
      std::size_t index = static_cast<std::size_t>((*table)[i]) & mask;
      while (moved[index] != 0) {
        index = (index + 1) & mask;
      }
      moved[index] = (*table)[i];
    }
  }
  std::free(*table);
  *table = moved;
  *capacity = grown;
  return 0;
}

// How often the table of left names holds the fingerprint: its equal slots
// all stand before the first free one of its search.
std::size_t CountLeft(const TwinNames& names, std::uint64_t fingerprint) {
  if (names.leftCount == 0) {
    return 0;
  }
  const std::size_t mask = names.leftCapacity - 1;
  std::size_t count = 0;
  for (std::size_t index = static_cast<std::size_t>(fingerprint) & mask; names.left[index] != 0;
       index = (index + 1) & mask) {
    count += names.left[index] == fingerprint ? 1 : 0;
  }
  return count;
}

}  // namespace

std::int32_t AddGivenName(TwinNames* names, std::uint64_t fingerprint) {
  if (ReserveSlot(&names->given, names->givenCount, &names->givenCapacity) != 0) {
    return -1;
  }
  std::uint64_t* slot = GivenSlot(names->given, names->givenCapacity, fingerprint);
  if (*slot == 0) {
    *slot = fingerprint;
    ++names->givenCount;
  }
  return 0;
}

std::int32_t AddLeftName(TwinNames* names, std::uint64_t fingerprint) {
  if (ReserveSlot(&names->left, names->leftCount, &names->leftCapacity) != 0) {
    return -1;
  }
  // Each time in a slot of its own: twins may leave one name twice.
  const std::size_t mask = names->leftCapacity - 1;
  std::size_t index = static_cast<std::size_t>(fingerprint) & mask;
  while (names->left[index] != 0) {
    index = (index + 1) & mask;
  }
  names->left[index] = fingerprint;
  ++names->leftCount;
  return 0;
}

bool IsGivenName(const TwinNames& names, std::uint64_t fingerprint) {
  return names.givenCount > 0 && *GivenSlot(names.given, names.givenCapacity, fingerprint) != 0;
}

std::size_t CountTwinNames(const TwinNames& names, std::uint64_t fingerprint) {
  const std::uint64_t* const first = names.fingerprints;
  const auto range = std::equal_range(first, first + names.count, fingerprint);
  const std::size_t read = static_cast<std::size_t>(range.second - range.first);
  const std::size_t left = CountLeft(names, fingerprint);
  return (read > left ? read - left : 0) + (IsGivenName(names, fingerprint) ? 1 : 0);
}

void ClearTwinNames(TwinNames* names) {
  names->count = 0;
  if (names->givenCount > 0) {
    std::fill(names->given, names->given + names->givenCapacity, 0);
    names->givenCount = 0;
  }
  if (names->leftCount > 0) {
    std::fill(names->left, names->left + names->leftCapacity, 0);
    names->leftCount = 0;
  }
}

void ReleaseTwinNames(TwinNames* names) {
  std::free(names->fingerprints);
  std::free(names->given);
  std::free(names->left);
  *names = TwinNames{nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0};
}
