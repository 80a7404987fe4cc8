#include "cleaner/preview_names.h"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <new>

#include "cleaner/char_classes.h"
#include "cleaner/packed_text.h"
#include "platform/win32.h"

// Every name is stored once, as a record in the arena:
//   byte 0      its state (PREVIEW_NAME_TAKEN or PREVIEW_NAME_FREED)
//   bytes 1..2  the byte length of the key that follows, little-endian
//   bytes 3..   the key: the name packed (cleaner/packed_text.h), its ASCII
//               letters folded when file names ignore case.
// The arena is a list of chunks that are never moved, so a record is addressed
// by chunk number (high 8 bits) and offset (low 24 bits). The hash table holds
// that address and the name's hash, 8 bytes a slot.

namespace {

constexpr std::uint32_t EMPTY_SLOT = 0xFFFFFFFFu;
constexpr std::uint32_t FIRST_CAPACITY = 64;  // slots; always a power of two
constexpr std::size_t FIRST_CHUNK_BYTES = 4096;
constexpr std::size_t LARGEST_CHUNK_BYTES = 1u << 20;  // offsets must fit 24 bits
constexpr std::uint32_t MAX_CHUNKS = 256;               // chunk numbers must fit 8 bits
constexpr std::size_t RECORD_HEADER_BYTES = 3;

struct Slot {
  std::uint32_t record;  // chunk << 24 | offset, or EMPTY_SLOT
  std::uint32_t hash;
};

}  // namespace

struct PreviewNames {
  Slot* slots;
  std::uint32_t capacity;  // a power of two
  std::uint32_t used;
  unsigned char* chunks[MAX_CHUNKS];
  std::size_t chunkBytes[MAX_CHUNKS];
  std::uint32_t chunkCount;
  std::size_t lastChunkUsed;
};

namespace {

char16_t KeyUnit(char16_t ch) { return FILE_NAMES_IGNORE_CASE ? ToUpperAscii(ch) : ch; }

// FNV-1a over the key's code units; also measures the key.
std::uint32_t HashName(const char16_t* name, std::size_t* keyBytes) {
  std::uint32_t hash = 2166136261u;
  std::size_t bytes = 0;
  for (; *name != 0; ++name) {
    const char16_t unit = KeyUnit(*name);
    hash = (hash ^ (unit & 0xFF)) * 16777619u;
    hash = (hash ^ (unit >> 8)) * 16777619u;
    bytes += PackedUnitBytes(unit);
  }
  *keyBytes = bytes;
  return hash;
}

unsigned char* RecordAt(const PreviewNames* preview, std::uint32_t record) {
  assert((record >> 24) < preview->chunkCount && (record & 0xFFFFFF) < preview->chunkBytes[record >> 24]);
  return preview->chunks[record >> 24] + (record & 0xFFFFFF);
}

bool RecordHoldsName(const unsigned char* record, std::size_t keyBytes, const char16_t* name) {
  const std::size_t storedBytes = record[1] | (static_cast<std::size_t>(record[2]) << 8);
  if (storedBytes != keyBytes) {
    return false;
  }
  const unsigned char* key = record + RECORD_HEADER_BYTES;
  unsigned char encoded[3];
  for (; *name != 0; ++name) {
    const std::size_t count = PackUnit(KeyUnit(*name), encoded);
    if (std::memcmp(key, encoded, count) != 0) {
      return false;
    }
    key += count;
  }
  return true;
}

// The slot that holds the name, or the empty slot where it would go.
Slot* FindSlot(const PreviewNames* preview, const char16_t* name, std::uint32_t hash, std::size_t keyBytes) {
  const std::uint32_t mask = preview->capacity - 1;
  // Triangular steps (1, 2, 3, ...) visit every slot of a power-of-two table.
  for (std::uint32_t index = hash & mask, step = 1;; index = (index + step) & mask, ++step) {
    Slot* slot = &preview->slots[index];
    if (slot->record == EMPTY_SLOT) {
      return slot;
    }
    if (slot->hash == hash && RecordHoldsName(RecordAt(preview, slot->record), keyBytes, name)) {
      return slot;
    }
  }
}

Slot* NewSlots(std::uint32_t capacity) {
  Slot* slots = new (std::nothrow) Slot[capacity];
  if (slots != nullptr) {
    std::memset(slots, 0xFF, sizeof(Slot) * capacity);  // every slot EMPTY_SLOT
  }
  return slots;
}

// Doubles the table once it is four fifths full.
bool MakeRoomForOneMore(PreviewNames* preview) {
  if (static_cast<std::uint64_t>(preview->used + 1) * 5 <= static_cast<std::uint64_t>(preview->capacity) * 4) {
    return true;
  }
  const std::uint32_t capacity = preview->capacity * 2;
  Slot* slots = NewSlots(capacity);
  if (slots == nullptr) {
    return false;
  }
  const std::uint32_t mask = capacity - 1;
  for (std::uint32_t i = 0; i < preview->capacity; ++i) {
    const Slot& old = preview->slots[i];
    if (old.record == EMPTY_SLOT) {
      continue;
    }
    std::uint32_t index = old.hash & mask;
    for (std::uint32_t step = 1; slots[index].record != EMPTY_SLOT; ++step) {
      index = (index + step) & mask;
    }
    slots[index] = old;
  }
  delete[] preview->slots;
  preview->slots = slots;
  preview->capacity = capacity;
  return true;
}

// Room for bytes in the arena; EMPTY_SLOT when none can be had.
std::uint32_t AllocateRecord(PreviewNames* preview, std::size_t bytes) {
  const std::uint32_t last = preview->chunkCount - 1;
  if (preview->chunkCount > 0 && preview->chunkBytes[last] - preview->lastChunkUsed >= bytes) {
    const std::uint32_t record = (last << 24) | static_cast<std::uint32_t>(preview->lastChunkUsed);
    preview->lastChunkUsed += bytes;
    return record;
  }
  if (preview->chunkCount == MAX_CHUNKS) {
    return EMPTY_SLOT;
  }
  std::size_t chunkBytes = preview->chunkCount == 0 ? FIRST_CHUNK_BYTES : preview->chunkBytes[last] * 2;
  if (chunkBytes > LARGEST_CHUNK_BYTES) {
    chunkBytes = LARGEST_CHUNK_BYTES;
  }
  if (chunkBytes < bytes) {
    chunkBytes = bytes;  // a record is at most about 48 KiB, far below the offset limit
  }
  unsigned char* chunk = new (std::nothrow) unsigned char[chunkBytes];
  if (chunk == nullptr) {
    return EMPTY_SLOT;
  }
  assert(chunkBytes <= (1u << 24));  // every offset in the chunk fits its 24 bits
  const std::uint32_t index = preview->chunkCount++;
  preview->chunks[index] = chunk;
  preview->chunkBytes[index] = chunkBytes;
  preview->lastChunkUsed = bytes;
  return index << 24;
}

std::int32_t SetNameState(PreviewNames* preview, const char16_t* name, std::int32_t state) {
  std::size_t keyBytes = 0;
  const std::uint32_t hash = HashName(name, &keyBytes);
  if (keyBytes > 0xFFFF) {
    return PREVIEW_NO_MEMORY;  // longer than any name a file system holds
  }
  Slot* slot = FindSlot(preview, name, hash, keyBytes);
  if (slot->record != EMPTY_SLOT) {
    RecordAt(preview, slot->record)[0] = static_cast<unsigned char>(state);
    return PREVIEW_RECORDED;
  }
  if (!MakeRoomForOneMore(preview)) {
    return PREVIEW_NO_MEMORY;
  }
  const std::uint32_t record = AllocateRecord(preview, RECORD_HEADER_BYTES + keyBytes);
  if (record == EMPTY_SLOT) {
    return PREVIEW_NO_MEMORY;
  }
  unsigned char* bytes = RecordAt(preview, record);
  bytes[0] = static_cast<unsigned char>(state);
  bytes[1] = static_cast<unsigned char>(keyBytes & 0xFF);
  bytes[2] = static_cast<unsigned char>(keyBytes >> 8);
  unsigned char* key = bytes + RECORD_HEADER_BYTES;
  for (const char16_t* unit = name; *unit != 0; ++unit) {
    key += PackUnit(KeyUnit(*unit), key);
  }
  // The table may have grown: look for the empty slot again.
  slot = FindSlot(preview, name, hash, keyBytes);
  slot->record = record;
  slot->hash = hash;
  ++preview->used;
  return PREVIEW_RECORDED;
}

}  // namespace

PreviewNames* CreatePreviewNames() {
  PreviewNames* preview = new (std::nothrow) PreviewNames{};
  if (preview == nullptr) {
    return nullptr;
  }
  preview->slots = NewSlots(FIRST_CAPACITY);
  if (preview->slots == nullptr) {
    delete preview;
    return nullptr;
  }
  preview->capacity = FIRST_CAPACITY;
  return preview;
}

void DestroyPreviewNames(PreviewNames* preview) {
  if (preview == nullptr) {
    return;
  }
  for (std::uint32_t i = 0; i < preview->chunkCount; ++i) {
    delete[] preview->chunks[i];
  }
  delete[] preview->slots;
  delete preview;
}

std::int32_t RecordPreviewRename(PreviewNames* preview, const char16_t* oldName, const char16_t* newName) {
  const std::int32_t freed = SetNameState(preview, oldName, PREVIEW_NAME_FREED);
  const std::int32_t taken = SetNameState(preview, newName, PREVIEW_NAME_TAKEN);
  return (freed == PREVIEW_RECORDED && taken == PREVIEW_RECORDED) ? PREVIEW_RECORDED : PREVIEW_NO_MEMORY;
}

std::int32_t LookUpPreviewName(const PreviewNames* preview, const char16_t* name) {
  std::size_t keyBytes = 0;
  const std::uint32_t hash = HashName(name, &keyBytes);
  const Slot* slot = FindSlot(preview, name, hash, keyBytes);
  if (slot->record == EMPTY_SLOT) {
    return PREVIEW_NAME_UNKNOWN;
  }
  return RecordAt(preview, slot->record)[0];
}
