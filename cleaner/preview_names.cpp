#include "cleaner/preview_names.h"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <new>

#include "cleaner/packed_text.h"
#include "core/shared_types.h"

// Every key is stored once, as a record in the arena:
//   bytes 0..3  the directory's number, or DIRECTORY_RECORD for the record
//               of a directory itself
//   bytes 4..7  the count of names given minus names left (two's complement),
//               or for a directory's record its number
//   bytes 8..9  the byte length of the key that follows
//   bytes 10..  the key: a name's key packed (cleaner/packed_text.h), or a
//               directory's identity
// The record of an entry followed (RecordPreviewMove) is keyed by its name
// on the disk, packed after the byte FROM_DISK_NAME, and its number is the
// address of its last name; the record of a name given is keyed by that name
// after GIVEN_NAME, and its number is the address of the name on the disk,
// or NO_NAME once the entry has moved on. A packed key never begins with
// either byte. Such a name is kept in the arena as packed text with its
// terminator.
// All numbers least significant byte first. The arena is a list of chunks that
// are never moved, so a record is addressed by chunk number (high 8 bits) and
// offset (low 24 bits). The hash table holds that address and the key's hash,
// 8 bytes a slot.

namespace {

constexpr std::uint32_t EMPTY_SLOT = 0xFFFFFFFFu;
constexpr std::uint32_t DIRECTORY_RECORD = 0xFFFFFFFFu;
constexpr std::uint32_t FIRST_CAPACITY = 64;  // slots; always a power of two
constexpr std::size_t FIRST_CHUNK_BYTES = 4096;
constexpr std::size_t LARGEST_CHUNK_BYTES = 1u << 20;  // offsets must fit 24 bits
constexpr std::uint32_t MAX_CHUNKS = 256;               // chunk numbers must fit 8 bits
constexpr std::size_t RECORD_HEADER_BYTES = 10;
// A packed key of MAX_ARG_LEN code units, three bytes each at most.
constexpr std::size_t LONGEST_KEY_BYTES = 3 * MAX_ARG_LEN;
constexpr unsigned char FROM_DISK_NAME = 0xF0;
constexpr unsigned char GIVEN_NAME = 0xF1;
constexpr std::uint32_t NO_NAME = 0xFFFFFFFFu;

struct Slot {
  std::uint32_t record;  // chunk << 24 | offset, or EMPTY_SLOT
  std::uint32_t hash;
};

// A key as bytes, for the directory it belongs to.
struct Key {
  std::uint32_t directory;
  const unsigned char* bytes;
  std::size_t length;
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
  std::uint32_t directoryCount;
};

namespace {

void StoreNumber(unsigned char* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

std::uint32_t LoadNumber(const unsigned char* bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  }
  return value;
}

// FNV-1a over the directory's number and the key's bytes.
std::uint32_t HashKey(const Key& key) {
  std::uint32_t hash = 2166136261u;
  for (int i = 0; i < 4; ++i) {
    hash = (hash ^ ((key.directory >> (8 * i)) & 0xFF)) * 16777619u;
  }
  for (std::size_t i = 0; i < key.length; ++i) {
    hash = (hash ^ key.bytes[i]) * 16777619u;
  }
  return hash;
}

unsigned char* RecordAt(const PreviewNames* preview, std::uint32_t record) {
  assert((record >> 24) < preview->chunkCount && (record & 0xFFFFFF) < preview->chunkBytes[record >> 24]);
  return preview->chunks[record >> 24] + (record & 0xFFFFFF);
}

bool RecordHoldsKey(const unsigned char* record, const Key& key) {
  const std::size_t storedBytes = record[8] | (static_cast<std::size_t>(record[9]) << 8);
  return LoadNumber(record) == key.directory && storedBytes == key.length &&
         std::memcmp(record + RECORD_HEADER_BYTES, key.bytes, key.length) == 0;
}

// The slot that holds the key, or the empty slot where it would go.
Slot* FindSlot(const PreviewNames* preview, const Key& key, std::uint32_t hash) {
  const std::uint32_t mask = preview->capacity - 1;
  // Triangular steps (1, 2, 3, ...) visit every slot of a power-of-two table.
  for (std::uint32_t index = hash & mask, step = 1;; index = (index + step) & mask, ++step) {
    Slot* slot = &preview->slots[index];
    if (slot->record == EMPTY_SLOT) {
      return slot;
    }
    if (slot->hash == hash && RecordHoldsKey(RecordAt(preview, slot->record), key)) {
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

// The record of the key; null when there is none.
unsigned char* FindRecord(const PreviewNames* preview, const Key& key) {
  const Slot* slot = FindSlot(preview, key, HashKey(key));
  return slot->record == EMPTY_SLOT ? nullptr : RecordAt(preview, slot->record);
}

// The record of the key, made with the value when there is none yet; null
// when no memory could be had.
unsigned char* FindOrAddRecord(PreviewNames* preview, const Key& key, std::uint32_t value) {
  const std::uint32_t hash = HashKey(key);
  Slot* slot = FindSlot(preview, key, hash);
  if (slot->record != EMPTY_SLOT) {
    return RecordAt(preview, slot->record);
  }
  if (key.length > 0xFFFF || !MakeRoomForOneMore(preview)) {
    return nullptr;
  }
  const std::uint32_t record = AllocateRecord(preview, RECORD_HEADER_BYTES + key.length);
  if (record == EMPTY_SLOT) {
    return nullptr;
  }
  unsigned char* bytes = RecordAt(preview, record);
  StoreNumber(bytes, key.directory);
  StoreNumber(bytes + 4, value);
  bytes[8] = static_cast<unsigned char>(key.length & 0xFF);
  bytes[9] = static_cast<unsigned char>(key.length >> 8);
  std::memcpy(bytes + RECORD_HEADER_BYTES, key.bytes, key.length);
  // The table may have grown: look for the empty slot again.
  slot = FindSlot(preview, key, hash);
  slot->record = record;
  slot->hash = hash;
  ++preview->used;
  return bytes;
}

// Adds change to the count of a name's key.
std::int32_t CountChange(PreviewNames* preview, std::uint32_t directory, const char16_t* name, std::int32_t change) {
  unsigned char packed[LONGEST_KEY_BYTES + 1];
  const Key key{directory, packed, PackText(name, packed) - 1};
  unsigned char* record = FindOrAddRecord(preview, key, 0);
  if (record == nullptr) {
    return PREVIEW_NO_MEMORY;
  }
  const auto count = static_cast<std::int32_t>(LoadNumber(record + 4));
  StoreNumber(record + 4, static_cast<std::uint32_t>(count + change));
  return PREVIEW_RECORDED;
}

// The key of a followed entry's record: the marker, then the name packed.
struct NameKey {
  unsigned char bytes[LONGEST_KEY_BYTES + 2];
  Key key;
  NameKey(std::uint32_t directory, unsigned char marker, const char16_t* name) {
    bytes[0] = marker;
    key = Key{directory, bytes, PackText(name, bytes + 1)};  // the marker counted, the terminator not
  }
};

// Keeps name packed in the arena; its address, or NO_NAME when no memory could be had.
std::uint32_t StoreName(PreviewNames* preview, const char16_t* name) {
  unsigned char packed[LONGEST_KEY_BYTES + 1];
  const std::size_t length = PackText(name, packed);
  const std::uint32_t address = AllocateRecord(preview, length);
  if (address != EMPTY_SLOT) {
    std::memcpy(RecordAt(preview, address), packed, length);
  }
  return address;
}

// The name at the address a followed entry's record holds; false for NO_NAME
// or no record.
bool LoadName(const PreviewNames* preview, const unsigned char* record, char16_t* name) {
  if (record == nullptr || LoadNumber(record + 4) == NO_NAME) {
    return false;
  }
  UnpackText(RecordAt(preview, LoadNumber(record + 4)), name);
  return true;
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

std::uint32_t PreviewDirectory(PreviewNames* preview, const FileIdentity& identity, bool add) {
  unsigned char bytes[16];
  StoreNumber(bytes, static_cast<std::uint32_t>(identity.volume));
  StoreNumber(bytes + 4, static_cast<std::uint32_t>(identity.volume >> 32));
  StoreNumber(bytes + 8, static_cast<std::uint32_t>(identity.index));
  StoreNumber(bytes + 12, static_cast<std::uint32_t>(identity.index >> 32));
  const Key key{DIRECTORY_RECORD, bytes, sizeof bytes};
  const unsigned char* known = FindRecord(preview, key);
  if (known != nullptr) {
    return LoadNumber(known + 4);
  }
  if (!add || preview->directoryCount == NO_PREVIEW_DIRECTORY) {
    return NO_PREVIEW_DIRECTORY;  // not asked to add it, or every number is given
  }
  if (FindOrAddRecord(preview, key, preview->directoryCount) == nullptr) {
    return NO_PREVIEW_DIRECTORY;
  }
  return preview->directoryCount++;
}

std::int32_t RecordPreviewRename(PreviewNames* preview, std::uint32_t directory, const char16_t* oldKey,
                                 const char16_t* newKey) {
  const std::int32_t left = CountChange(preview, directory, oldKey, -1);
  const std::int32_t given = CountChange(preview, directory, newKey, 1);
  return (left == PREVIEW_RECORDED && given == PREVIEW_RECORDED) ? PREVIEW_RECORDED : PREVIEW_NO_MEMORY;
}

std::int32_t CountPreviewName(const PreviewNames* preview, std::uint32_t directory, const char16_t* key) {
  unsigned char packed[LONGEST_KEY_BYTES + 1];
  const Key view{directory, packed, PackText(key, packed) - 1};
  const unsigned char* record = FindRecord(preview, view);
  return record == nullptr ? 0 : static_cast<std::int32_t>(LoadNumber(record + 4));
}

std::int32_t RecordPreviewMove(PreviewNames* preview, std::uint32_t directory, const char16_t* oldName,
                               const char16_t* newName) {
  // Renamed before, the entry is on the disk under the name kept for oldName.
  const NameKey oldGiven(directory, GIVEN_NAME, oldName);
  unsigned char* given = FindRecord(preview, oldGiven.key);
  std::uint32_t onDisk = given != nullptr ? LoadNumber(given + 4) : NO_NAME;
  if (onDisk != NO_NAME) {
    StoreNumber(given + 4, NO_NAME);
  } else {
    onDisk = StoreName(preview, oldName);
  }
  const std::uint32_t last = StoreName(preview, newName);
  if (onDisk == NO_NAME || last == NO_NAME) {
    return PREVIEW_NO_MEMORY;
  }
  char16_t diskName[MAX_ARG_LEN];
  UnpackText(RecordAt(preview, onDisk), diskName);
  const NameKey from(directory, FROM_DISK_NAME, diskName);
  const NameKey to(directory, GIVEN_NAME, newName);
  unsigned char* fromRecord = FindOrAddRecord(preview, from.key, last);
  unsigned char* toRecord = fromRecord != nullptr ? FindOrAddRecord(preview, to.key, onDisk) : nullptr;
  if (toRecord == nullptr) {
    return PREVIEW_NO_MEMORY;
  }
  StoreNumber(fromRecord + 4, last);
  StoreNumber(toRecord + 4, onDisk);
  return PREVIEW_RECORDED;
}

bool PreviewNameOf(const PreviewNames* preview, std::uint32_t directory, const char16_t* onDisk, char16_t* name) {
  const NameKey from(directory, FROM_DISK_NAME, onDisk);
  return LoadName(preview, FindRecord(preview, from.key), name);
}

bool PreviewNameOnDisk(const PreviewNames* preview, std::uint32_t directory, const char16_t* given,
                       char16_t* onDisk) {
  const NameKey to(directory, GIVEN_NAME, given);
  return LoadName(preview, FindRecord(preview, to.key), onDisk);
}
