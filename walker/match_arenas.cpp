// The arenas of the walk: growing blocks of packed names and match records.
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "cleaner/packed_text.h"
#include "platform/utf16_text.h"
#include "walker/walk_state.h"

namespace walking {

// Makes room in *block, of *capacity elements of elementSize bytes each, for
// needed elements. Returns 0, or -1 when memory ran out (the block is then as
// it was).
std::int32_t Reserve(void** block, std::size_t* capacity, std::size_t needed, std::size_t elementSize) {
  if (needed <= *capacity) {
    return 0;
  }
  std::size_t grown = *capacity == 0 ? ARENA_FIRST_BYTES / elementSize : *capacity * 2;
  while (grown < needed) {
    grown *= 2;
  }
  void* moved = std::realloc(*block, grown * elementSize);
  if (moved == nullptr) {
    return -1;
  }
  *block = moved;
  *capacity = grown;
  return 0;
}

// Appends name and its terminator. Returns 0, or -1 when memory ran out.
std::int32_t PushName(NameArena* arena, const char16_t* name) {
  const std::size_t length = TextLength(name) + 1;
  void* block = arena->text;
  if (Reserve(&block, &arena->capacity, arena->used + length, sizeof(char16_t)) != 0) {
    return -1;
  }
  arena->text = static_cast<char16_t*>(block);
  for (std::size_t i = 0; i < length; ++i) {
    arena->text[arena->used + i] = name[i];
  }
  arena->used += length;
  return 0;
}

std::int32_t PushMatch(MatchArena* arena, std::uint32_t unchangedBefore, unsigned char flags, const char16_t* name,
                       const char16_t* shortName, const char16_t* keptTwin) {
  const bool twin = (flags & MATCH_LEAVES_ITS_NAME) != 0;
  assert(twin == (keptTwin != nullptr));
  const std::size_t most =
      NAME_OFFSET + 3 * (TextLength(name) + TextLength(shortName) + (twin ? TextLength(keptTwin) : 0)) + 3;
  void* block = arena->bytes;
  if (Reserve(&block, &arena->capacity, arena->used + most, 1) != 0) {
    return -1;
  }
  arena->bytes = static_cast<unsigned char*>(block);
  unsigned char* record = arena->bytes + arena->used;
  for (std::size_t i = 0; i < COUNT_BYTES; ++i) {
    record[i] = static_cast<unsigned char>(unchangedBefore >> (8 * i));
  }
  record[COUNT_BYTES] = flags;
  std::size_t length = NAME_OFFSET;
  length += PackText(name, record + length);
  length += PackText(shortName, record + length);
  if (twin) {
    length += PackText(keptTwin, record + length);
  }
  assert(length <= most);
  arena->used += length;
  return 0;
}

std::size_t TakeMatch(const MatchArena& arena, std::size_t offset, std::uint32_t* unchangedBefore,
                      unsigned char* flags, char16_t* name, char16_t* shortName, char16_t* keptTwin) {
  assert(offset + NAME_OFFSET < arena.used);
  const unsigned char* record = arena.bytes + offset;
  *unchangedBefore = 0;
  for (std::size_t i = 0; i < COUNT_BYTES; ++i) {
    *unchangedBefore |= static_cast<std::uint32_t>(record[i]) << (8 * i);
  }
  *flags = record[COUNT_BYTES];
  std::size_t length = NAME_OFFSET;
  length += UnpackText(record + length, name);
  length += UnpackText(record + length, shortName);
  keptTwin[0] = 0;
  if ((*flags & MATCH_LEAVES_ITS_NAME) != 0) {
    length += UnpackText(record + length, keptTwin);
  }
  assert(offset + length <= arena.used);
  return offset + length;
}

std::size_t NextMatch(const MatchArena& arena, std::size_t offset) {
  const unsigned char* record = arena.bytes + offset;
  const std::size_t texts = (record[COUNT_BYTES] & MATCH_LEAVES_ITS_NAME) != 0 ? 3 : 2;
  std::size_t length = NAME_OFFSET;
  for (std::size_t i = 0; i < texts; ++i) {
    length += std::strlen(reinterpret_cast<const char*>(record + length)) + 1;
  }
  return offset + length;
}

// Whether the packed names at left and right are in the order of their code
// units (packing keeps that order, and a terminator sorts first).
bool PackedNameBefore(const unsigned char* left, const unsigned char* right) {
  return std::strcmp(reinterpret_cast<const char*>(left), reinterpret_cast<const char*>(right)) < 0;
}

}  // namespace walking
