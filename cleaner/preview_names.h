// The names earlier entries were given and left, for the uniqueness probe of
// later ones.
//
// A real run renames entry by entry, so an entry handled later sees the names
// earlier entries took, and no longer sees the names they gave up. A preview
// (/N) renames nothing; instead it records here every rename it shows, for the
// whole command: a later walk of the same directory (another file
// specification) sees them too. For each name the record counts the names
// given minus the names left under that name's key, per directory; the
// new-name builder adds that count to what the file system says is there.
// (Under /W the walk's own reading of the directory, under the names the
// preview gave, counts instead.)
//
// Keys are the caller's (cleaner/new_name.cpp): names as the directory
// compares them. Here they compare exactly.
//
// Directories are known by their identity (platform/file_identity.h), so that
// two paths to one directory share its names.
//
// Memory: the names live packed in one growing arena (about one byte per ASCII
// character and ten bytes more) indexed by an open-addressing hash table of
// 8-byte slots; a directory of 100,000 renamed entries with names of about
// 24 characters takes about 9 MiB, and twice that where the entries are
// followed as well (below; measured peak of the whole preview of such a
// directory: 15.6 MiB, 30.6 MiB with a file specification after it).
#pragma once

#include <cstdint>

#include "platform/file_identity.h"

struct PreviewNames;

// A new, empty record, or null when no memory could be had (the run then goes
// on without one and asks the file system only).
PreviewNames* CreatePreviewNames();

// Releases the record and every name in it; null is allowed.
void DestroyPreviewNames(PreviewNames* preview);

// The number under which the record keeps the names of the directory of that
// identity, given it at the first call that asks to add it. NO_PREVIEW_DIRECTORY
// when it has none (add is false, or no memory could be had).
constexpr std::uint32_t NO_PREVIEW_DIRECTORY = 0xFFFFFFFFu;
std::uint32_t PreviewDirectory(PreviewNames* preview, const FileIdentity& identity, bool add);

// Results of RecordPreviewRename.
constexpr std::int32_t PREVIEW_RECORDED = 0;
constexpr std::int32_t PREVIEW_NO_MEMORY = -1;  // the rename is not (fully) recorded

// Records that an entry of the directory would have been renamed from the
// name of oldKey to that of newKey.
std::int32_t RecordPreviewRename(PreviewNames* preview, std::uint32_t directory, const char16_t* oldKey,
                                 const char16_t* newKey);

// The names given minus the names left under the key in the directory: 1 or
// more when earlier entries took it, -1 or less when they left it, 0 when the
// record knows nothing of it.
std::int32_t CountPreviewName(const PreviewNames* preview, std::uint32_t directory, const char16_t* key);

// Beside the counts, the record follows each entry it renamed, by its exact
// names: a later walk of the directory still reads the entry under the name
// it has on the disk, and takes it under the last name the preview gave it,
// as the real run would find it.

// Records that the entry the preview knows as oldName (the name on the disk,
// or one the preview gave it) would now carry newName.
std::int32_t RecordPreviewMove(PreviewNames* preview, std::uint32_t directory, const char16_t* oldName,
                               const char16_t* newName);

// Whether the entry that carries onDisk on the disk was renamed by the
// preview; if so its last name is written into name (MAX_ARG_LEN code units).
bool PreviewNameOf(const PreviewNames* preview, std::uint32_t directory, const char16_t* onDisk, char16_t* name);

// Whether given is a name the preview gave an entry (and it still carries);
// if so the entry's name on the disk is written into onDisk (MAX_ARG_LEN).
bool PreviewNameOnDisk(const PreviewNames* preview, std::uint32_t directory, const char16_t* given,
                       char16_t* onDisk);
