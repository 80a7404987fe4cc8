// /8 on real POSIX names: bytes that are not UTF-8 are read as Windows-1252,
// and the entry is renamed from its exact bytes, its data kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/options.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "tests/walker/walk_in_child_posix.h"

namespace {

using walker_testing::FileContent;
using walker_testing::WalkInChild;

struct ByteNameCase {
  std::string oldName;  // raw bytes, as the file system holds them
  OptionFlags options;
  std::string newName;  // UTF-8; the old name when nothing is to be done
};

// The names of one directory, as raw bytes, sorted.
std::vector<std::string> RawNames(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().native());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Utf8Names, BytesThatAreNotUtf8AreReadAsWindows1252) {
  const ByteNameCase cases[] = {
      {"caf\xE9.txt", OPT_UTF8, "caf\xC3\xA9.txt"},
      {"it\x92s.txt", OPT_UTF8, "it\xE2\x80\x99s.txt"},
      {"\x93quoted\x94", OPT_UTF8, "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"x\x81y\x9D", OPT_UTF8, "x_y_"},                       // undefined in Windows-1252
      {"a\xA0" "b", OPT_UTF8, "a b"},                         // read as a no-break space, then translated
      {"caf\xC3\xA9\xE9", OPT_UTF8, "caf\xC3\xA9\xC3\xA9"},  // valid UTF-8 stays, the stray byte is read
      {"\xC3(", OPT_UTF8, "\xC3\x83("},
      {"caf\xE9.txt", OPT_UTF8 | OPT_HIGH_UNICODE, "caf\xC3\xA9.txt"},  // read before /U
      {"caf\xE9.txt", OPT_HIGH_UNICODE, "caf_.txt"},          // without /8 the byte is a surrogate
      {"caf\xE9.txt", 0, "caf\xE9.txt"},                      // and otherwise left alone
      {"cafe\xCC\x81", OPT_UTF8, "caf\xC3\xA9"},
      {"\xF0\x9D\x92\x89\xE9", OPT_UTF8, "\xF0\x9D\x92\x89\xC3\xA9"},  // U+1D489 is text, 0xE9 a byte
  };
  for (const ByteNameCase& c : cases) {
    testing_support::TempDir dir;
    std::ofstream(dir.path() / c.oldName, std::ios::binary) << "data";
    const auto run = WalkInChild(dir.engine_path(), u"*", c.options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(RawNames(dir.path()), std::vector<std::string>{c.newName}) << testing::PrintToString(c.oldName);
    EXPECT_EQ(FileContent(dir.path() / c.newName), "data");
  }
}

TEST(Utf8Names, ReadBytesMeetTheirComposedTwin) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "caf\xE9.txt", std::ios::binary) << "latin";
  std::ofstream(dir.path() / "caf\xC3\xA9.txt", std::ios::binary) << "utf8";
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_UTF8);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(RawNames(dir.path()), (std::vector<std::string>{"caf\xC3\xA9-001.txt", "caf\xC3\xA9.txt"}));
  EXPECT_EQ(FileContent(dir.path() / "caf\xC3\xA9-001.txt"), "latin");
  EXPECT_EQ(FileContent(dir.path() / "caf\xC3\xA9.txt"), "utf8");
}

}  // namespace
