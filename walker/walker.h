// Cleans the entries of one directory that match a pattern, and under /S every
// subdirectory below it.
#pragma once

#include <cstdint>

#include "core/options.h"
#include "core/shared_types.h"

// directory ends in its path separator; pattern is the wildcard for entry names.
// Returns 0, 2 (a rename failed here or below, or a directory here or below
// exists but could not be listed, or was passed over because its path would
// not fit MAX_ARG_LEN), -1 (directory or pattern absent or empty), -3 (the
// user answered Quit) or -4 (the run was asked to stop, core/stop.h: after
// the rename under way, nothing more). A directory that does not exist is one
// without matches: "File not found", result 0.
//
// Each directory's matching entries are read completely before the first of
// them is renamed, so every entry is handled once, whatever the file system
// yields for names created during its enumeration. Depth is limited by path
// length only; under /S a directory already on the current path (reached
// again through a link) is not entered again.
std::int32_t WalkDirectory(const char16_t* directory, const char16_t* pattern, OptionFlags* options,
                           const char16_t* qList, const char16_t* rList, RenameTally* tally);

// While one lives, a preview (/N) remembers the renames it shows in every
// directory for the whole of it, so that a later walk of the same directory
// (the next file specification) gives no name twice. The command driver
// holds one for each command; WalkDirectory holds one as well, so that a walk
// on its own is one command.
class PreviewScope {
 public:
  PreviewScope();
  ~PreviewScope();
  PreviewScope(const PreviewScope&) = delete;
  PreviewScope& operator=(const PreviewScope&) = delete;

  // Whether another walk may follow the next one in this scope (true until
  // said otherwise): only then does the preview follow each entry it renames
  // under its new name, which a directory of 100,000 renames pays for with
  // about 15 MiB.
  static void SetLaterWalksFollow(bool follow);
};
