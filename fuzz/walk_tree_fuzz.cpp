// The walk of one file specification over a small tree with random names:
// valid and invalid UTF-8, control characters, names near the 255-byte limit,
// and random options and lists. Checked after every walk: the tally adds up
// (found = fixed + failed + skipped) and found is the number of matching
// entries in the directories walked; no entry is lost, duplicated, moved to
// another directory or given other content; under /N nothing is renamed; and
// every renamed entry's new name holds only characters translation leaves alone.
#include <cstdint>
#include <string>
#include <vector>

#include "core/options.h"
#include "command/tally.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_tree.h"
#include "platform/posix/posix_internal.h"
#include "core/host_services.h"
#include "walker/walker.h"

namespace {

using fuzz_tree::Decoded;
using fuzz_tree::IsHidden;
using fuzz_tree::TreeState;

// Every option but /P, which would wait for keys.
constexpr OptionFlags WALK_OPTIONS = 0x7FFFF & ~OPT_PROMPT;

// How many entries the walk must have found: in root, and under /S in every
// directory below it that is entered. Whether a directory is entered depends
// on its name when the parent's second scan sees it, after the renames: the
// name it has after the walk.
std::uint32_t ExpectedFound(const TreeState& before, const TreeState& after, ino_t rootInode, OptionFlags options,
                            const char16_t* pattern) {
  std::vector<ino_t> walked{rootInode};
  if ((options & OPT_RECURSE) != 0) {
    for (std::size_t i = 0; i < walked.size(); ++i) {
      for (const auto& [inode, entry] : after) {
        if (entry.parent == walked[i] && entry.isDirectory &&
            !((options & OPT_NO_HIDDEN_DIRS) != 0 && IsHidden(entry.name))) {
          walked.push_back(inode);
        }
      }
    }
  }
  const bool wantsDirectories = (options & OPT_DIRECTORIES) != 0;
  std::uint32_t found = 0;
  for (const ino_t directory : walked) {
    for (const auto& [inode, entry] : before) {
      if (entry.parent == directory && entry.isDirectory == wantsDirectories &&
          WildcardComparison(pattern, Decoded(entry.name).c_str(), 1, 1) == 0) {
        ++found;
      }
    }
  }
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input{data, size, 0};
  OptionFlags options = TakeWord(&input) & WALK_OPTIONS;
  static const char16_t* const patterns[] = {u"*", u"*", u"*", u"*.*", u"?*", u"*A*", u"*%*", u"*.TXT"};
  const char16_t* pattern = patterns[TakeByte(&input) % 8];
  const std::u16string qList = fuzz_tree::TakeList(&input);
  const std::u16string rList = fuzz_tree::TakeList(&input);

  const std::string root = fuzz_tree::FreshRoot();
  fuzz_tree::BuildTree(&input, root);
  TreeState before;
  const ino_t rootInode = fuzz_tree::ReadWholeTree(root, &before);

  std::u16string directory = Decoded(root);
  RenameTally tally{0, 0, 0, 0};
  const std::int32_t result = WalkDirectory(directory.c_str(), pattern, &options, qList.empty() ? nullptr : qList.c_str(),
                                            rList.empty() ? nullptr : rList.c_str(), &tally);
  FlushStandardOutput();

  TreeState after;
  fuzz_tree::ReadWholeTree(root, &after);
  Require(result == 0 || result == 2, "a walk without prompts ends with 0 or 2");
  Require(tally.found == tally.fixed + tally.failed + tally.skipped, "found = fixed + failed + skipped");
  Require(tally.found == ExpectedFound(before, after, rootInode, options, pattern),
          "found counts every matching entry of the directories walked");
  Require((tally.failed == 0) == (result == 0), "a failed rename, and only one, makes the result 2");
  fuzz_tree::CheckNothingLost(before, after, options);
  std::uint32_t renamed = 0;
  for (const auto& [inode, old] : before) {
    renamed += after.at(inode).name != old.name ? 1 : 0;
  }
  Require(renamed == tally.fixed, "fixed counts the entries renamed");
  return 0;
}
