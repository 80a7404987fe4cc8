// One name's limit in a directory.
//
// Under /W a name must fit Windows: 255 UTF-16 code units on Windows (NTFS,
// exFAT, FAT), and on POSIX 255 bytes (what the FUSE mounts of those file
// systems, like ext4, XFS and btrfs, take). On POSIX a name must also fit the
// file system the directory is on (pathconf's _PC_NAME_MAX), with or without
// /W, since no rename to a longer one can succeed. Windows without /W sets no
// limit: a name too long is a rename that fails there, as it always was.
#pragma once

#include <cstddef>

// No limit is set: names are not fitted.
constexpr std::size_t NO_NAME_LIMIT = 0;

// The most a name in directory (a full path ending in its separator) may
// hold, in the unit NameFitsLimit counts, or NO_NAME_LIMIT.
std::size_t NameLimitOf(const char16_t* directory, bool windowsNames);

// The length of name (length code units) in the unit a limit counts: its
// UTF-16 code units on Windows; on POSIX its bytes, the UTF-8 form of the
// text, where a byte that was not UTF-8 stays one byte.
std::size_t NameLength(const char16_t* name, std::size_t length);

// Whether the pieces, one name when joined, fit limit (not NO_NAME_LIMIT),
// counted as NameLength counts.
bool NameFitsLimit(std::size_t limit, const char16_t* const pieces[], const std::size_t lengths[], std::size_t count);
