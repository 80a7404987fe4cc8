// The floor of the tree benchmark: the least work that cleaning a tree of names
// takes on Linux, against which the command's own time is measured.
//
// It walks the tree with descriptor-relative calls only (openat, getdents64),
// reads each directory whole before renaming in it, gives every name a fixed
// byte transform, and for each name that changes makes one existence probe
// (fstatat on the directory's descriptor) and one renameat2 with
// RENAME_NOREPLACE, showing each rename as a line "old -> new" of full paths
// through a buffer. It has none of the command's options.
#pragma once

#include <cstddef>
#include <cstdint>

// Flags of FloorWalk.
constexpr std::uint32_t FLOOR_DRY_RUN = 0x1;  // probe and show, but rename nothing

struct FloorCounts {
  std::uint32_t directories;  // walked, the root included
  std::uint32_t files;        // entries that are not directories
  std::uint32_t changed;      // files whose name the transform changes
  std::uint32_t renamed;      // renames done (0 in a dry run)
  std::uint32_t failed;       // directories that could not be read, renames that failed
};

// The transform, byte by byte: every byte a Windows file name may not hold, the
// percent sign, the circumflex and the C0 controls become '_'; the double quote
// and the grave accent become an apostrophe; a C1 control written as UTF-8
// (C2 80..C2 9F) becomes '_'; trailing spaces and full stops are cut; a name
// left empty becomes "File". Writes the result into tidy (capacity bytes) and
// returns 1 when it differs from name, 0 when it is the same, -1 when an argument
// is null or the result does not fit.
std::int32_t TidyTreeName(const char* name, char* tidy, std::size_t capacity);

// Cleans every file name in root and below. Rename lines go to outputFd. Returns
// 0, 2 when a directory could not be read or a rename failed, -1 on a bad
// argument. counts may be null.
std::int32_t FloorWalk(const char* root, std::uint32_t flags, int outputFd, FloorCounts* counts);
