// One name's limit on this system's file systems: 255 UTF-16 code units on
// Windows (NTFS, exFAT, FAT), 255 bytes of the name's bytes on POSIX (ext4,
// XFS, btrfs and the FUSE mounts of Windows file systems).
#pragma once

#include <cstddef>

// Whether the pieces, one name when joined, fit that limit.
bool NameFitsOnDisk(const char16_t* const pieces[], const std::size_t lengths[], std::size_t count);
