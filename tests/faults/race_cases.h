// Faults that strike after the new name is chosen and before the rename, as
// one table for every platform: the walk prompts, the fault is made while the
// prompt waits, and then the rename is answered Yes.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/options.h"
#include "platform/win32.h"
#include "tests/walker/tree_helpers.h"

namespace fault_testing {

struct RaceCase {
  const char* what;
  std::vector<std::string> entries;
  OptionFlags options;
  std::function<void(const std::filesystem::path& root)> fault;
  std::string failedName;
  DWORD error;
  int entriesRemoved;  // by the fault itself
  int entriesAdded;
  std::vector<std::string> namesAfter;
};

inline const RaceCase kRaceCases[] = {
    {"the entry vanishes between the scan and its rename", {"a%20b", "c d"}, 0,
     [](const std::filesystem::path& root) { std::filesystem::remove(root / "a%20b"); }, "a%20b",
     ERROR_FILE_NOT_FOUND, 1, 0, {"c d"}},
    {"a file takes the new name between the probe and the rename", {"a%20b"}, 0,
     [](const std::filesystem::path& root) { std::ofstream(root / "a b") << "someone else's"; }, "a%20b",
     ERROR_ALREADY_EXISTS, 0, 1, {"a b", "a%20b"}},
    {"a directory takes the new name between the probe and the rename", {"a%20b"}, 0,
     [](const std::filesystem::path& root) { std::filesystem::create_directory(root / "a b"); }, "a%20b",
     ERROR_ALREADY_EXISTS, 0, 1, {"a b/", "a%20b"}},
    {"/D: an empty directory takes the new name; it is not replaced", {"x%20y/", "x%20y/inner"}, OPT_DIRECTORIES,
     [](const std::filesystem::path& root) { std::filesystem::create_directory(root / "x y"); }, "x%20y",
     ERROR_ALREADY_EXISTS, 0, 1, {"x y/", "x%20y/", "x%20y/inner"}},
    {"/D: a file takes the new name; it is not replaced", {"x%20y/"}, OPT_DIRECTORIES,
     [](const std::filesystem::path& root) { std::ofstream(root / "x y") << "someone else's"; }, "x%20y",
     ERROR_ALREADY_EXISTS, 0, 1, {"x y", "x%20y/"}},
};

// Whether every file left holds what it held: an entry of the case its own
// name, a file the fault made "someone else's".
inline bool ContentsKept(const std::filesystem::path& root, const RaceCase& c) {
  for (const std::string& name : c.namesAfter) {
    const std::filesystem::path path = root / walker_testing::Utf8Path(name);
    if (!std::filesystem::is_regular_file(path)) {
      continue;
    }
    bool original = false;
    for (const std::string& entry : c.entries) {
      original = original || entry == name;
    }
    if (walker_testing::FileContent(path) != (original ? name : "someone else's")) {
      return false;
    }
  }
  return true;
}

}  // namespace fault_testing
