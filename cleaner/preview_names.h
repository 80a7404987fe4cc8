// What a preview run (/N) remembers about one directory, so that the names it
// shows are the names a real run would give.
//
// A real run renames entry by entry, so an entry handled later sees the names
// earlier entries took, and no longer sees the names they gave up. A preview
// renames nothing; instead it records here every rename it shows, and the
// new-name builder consults the record before asking the file system whether a
// candidate name is taken:
//   - a name some earlier entry would have been renamed to counts as taken;
//   - a name some earlier entry would have been renamed away from counts as free;
//   - any other name is for the file system to answer.
// The later of the two events wins for a name that has both.
//
// Use: one record per directory, made with CreatePreviewNames before the
// directory's first entry, handed to BuildNewName for each entry, told of each
// rename shown with RecordPreviewRename, and destroyed when the directory is
// done. Names are bare names (no directory). They compare exactly where file
// names are case-sensitive, and with ASCII letters folded where the platform's
// file names ignore case (FILE_NAMES_IGNORE_CASE).
//
// Memory: the names live packed in one growing arena (about one byte per ASCII
// character) indexed by an open-addressing hash table of 8-byte slots; a
// directory of 100,000 renamed entries with names of about 24 characters takes
// about 8 MiB.
#pragma once

#include <cstdint>

struct PreviewNames;

// A new, empty record, or null when no memory could be had (the preview then
// goes on without one and asks the file system only).
PreviewNames* CreatePreviewNames();

// Releases the record and every name in it; null is allowed.
void DestroyPreviewNames(PreviewNames* preview);

// Results of RecordPreviewRename.
constexpr std::int32_t PREVIEW_RECORDED = 0;
constexpr std::int32_t PREVIEW_NO_MEMORY = -1;  // the rename is not (fully) recorded

// Records that the entry oldName would have been renamed to newName: newName
// counts as taken from now on, oldName as free.
std::int32_t RecordPreviewRename(PreviewNames* preview, const char16_t* oldName, const char16_t* newName);

// What the record says about a bare name.
constexpr std::int32_t PREVIEW_NAME_UNKNOWN = 0;  // ask the file system
constexpr std::int32_t PREVIEW_NAME_TAKEN = 1;    // an earlier entry would have taken it
constexpr std::int32_t PREVIEW_NAME_FREED = 2;    // an earlier entry would have left it

std::int32_t LookUpPreviewName(const PreviewNames* preview, const char16_t* name);
