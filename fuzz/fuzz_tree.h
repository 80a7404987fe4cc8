// Shared by the fuzz targets that work on a real tree: a small tree of random
// names built in a temporary directory, a record of every entry in it (inode,
// parent, name bytes, kind, content), and the check that a run lost, moved or
// changed nothing and left only clean new names.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

#include "core/options.h"
#include "fuzz/fuzz_input.h"

namespace fuzz_tree {

struct EntryState {
  ino_t parent;
  std::string name;  // the bytes on disk
  bool isDirectory;
  std::string content;
};

using TreeState = std::map<ino_t, EntryState>;

// The temporary directory of this process, made at the first call and removed
// at exit. It holds nothing but the tree's root.
const char* WorkDirectory();

// The name of the tree's root in the work directory: upper case, as a command
// tail leaves a path, so the command finds it on a case-sensitive system.
constexpr const char* ROOT_NAME = "T";

// The root of the tree for this input, "<work directory>/T/", made afresh and
// empty.
std::string FreshRoot();

// Records every entry below root; returns root's inode.
ino_t ReadWholeTree(const std::string& root, TreeState* state);

// Builds up to a dozen entries with random names in root and in one
// subdirectory of it; each file holds its own name.
void BuildTree(FuzzInput* input, const std::string& root);

// The same entries, in the same directories, of the same kind and content;
// under /N none renamed; only the chosen kind renamed; every new name clean.
void CheckNothingLost(const TreeState& before, const TreeState& after, OptionFlags options);

// A name's bytes as the engine reads them.
std::u16string Decoded(const std::string& bytes);

bool IsHidden(const std::string& name);

// A /Q or /R list of up to seven code units, upper-cased as the command would.
std::u16string TakeList(FuzzInput* input);

}  // namespace fuzz_tree
