// The walk's hold on the directory it works in.
//
// On POSIX the kernel resolves a full path one component at a time on every
// call, so deep in a tree the lookups cost more than the work. While a walk
// holds a KeptDirectoryScope, the POSIX layer keeps the directory that
// FindFirstFileW last listed open: the calls on that directory's entries that
// follow (GetFileAttributesW, MoveFileW, GetFileIdentity) name them relative
// to it, and a directory below it is opened relative to it. When the scope
// ends, the directory is let go; outside a scope every call resolves its path
// in full, so a later walk works in what its paths name then.
//
// Windows resolves paths itself; there the scope keeps nothing.
#pragma once

class KeptDirectoryScope {
 public:
  KeptDirectoryScope();
  ~KeptDirectoryScope();
  KeptDirectoryScope(const KeptDirectoryScope&) = delete;
  KeptDirectoryScope& operator=(const KeptDirectoryScope&) = delete;
};
