// Which file or directory a path reaches, beyond the path's spelling: two paths
// that lead to the same directory, one of them through a symbolic link or a
// junction, give equal identities. The walk uses it to notice a link loop; the
// journal records the identity of each entry it renames, so that undo renames
// back only the entry that was renamed.
#pragma once

#include <cstdint>

struct FileIdentity {
  std::uint64_t volume;  // the device (POSIX) or volume serial number (Windows)
  std::uint64_t index;   // the inode (POSIX) or file index (Windows) on that volume
  // How many names (hard links) the entry has; not a part of its identity.
  std::uint32_t links = 0;
  // When the entry was made, where the file system tells it (the birth time
  // of statx on POSIX; a file's creation time on Windows), in 100-nanosecond
  // ticks; 0 where it does not. A file system may give a new file the inode
  // of one just deleted (ext4 does): the two differ here.
  std::uint64_t born = 0;
};

// Follows links to what they lead to. Returns 1 and fills identity, or 0 when
// the path cannot be reached (GetLastError tells why).
int GetFileIdentity(const char16_t* path, FileIdentity* identity);
// The same for the entry the path names itself: a link is not followed.
int GetEntryIdentity(const char16_t* path, FileIdentity* identity);

inline bool SameFile(const FileIdentity& left, const FileIdentity& right) {
  return left.volume == right.volume && left.index == right.index;
}

// Whether found is the very entry recorded: the same file, made at the same
// instant where both tell it, and not another made since under its index.
inline bool SameEntry(const FileIdentity& recorded, const FileIdentity& found) {
  return SameFile(recorded, found) && (recorded.born == 0 || found.born == 0 || recorded.born == found.born);
}
