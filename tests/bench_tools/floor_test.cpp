// The benchmark floor: its transform changes exactly the names the generator
// calls untidy, and its walk renames those and nothing else, overwriting nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/floor.h"
#include "bench/mktree.h"
#include "tests/support/temp_dir.h"

namespace {

struct TidyCase {
  const char* name;
  const char* tidy;
  std::int32_t result;
};

const TidyCase kTidyCases[] = {
    {"plain_name.txt", "plain_name.txt", 0},
    {"caf\xC3\xA9 (1) & more.txt", "caf\xC3\xA9 (1) & more.txt", 0},  // not C1; blanks etc. stay
    {"no\xC2\xA0" "break", "no\xC2\xA0" "break", 0},                  // U+00A0 is no C1 control
    {"a%20b.txt", "a_20b.txt", 1},
    {"a<b>c:d|e?f*g\\h^i.txt", "a_b_c_d_e_f_g_h_i.txt", 1},
    {"say \"hi\" `now`", "say 'hi' 'now'", 1},
    {"dash\xC2\x96quote\xC2\x92", "dash_quote_", 1},
    {"tab\there", "tab_here", 1},
    {"name. .", "name", 1},
    {"spaces  ", "spaces", 1},
    {"...", "File", 1},
    {"end\xC2", "end\xC2", 0},  // a lead byte at the very end stays
};

TEST(FloorTransform, TableOfNames) {
  for (const auto& row : kTidyCases) {
    char tidy[NAME_MAX + 1];
    EXPECT_EQ(TidyTreeName(row.name, tidy, sizeof tidy), row.result) << row.name;
    EXPECT_STREQ(tidy, row.tidy) << row.name;
  }
}

TEST(FloorTransform, RefusesWhatDoesNotFit) {
  char tidy[4];
  EXPECT_EQ(TidyTreeName("abcd", tidy, sizeof tidy), -1);
  EXPECT_EQ(TidyTreeName("abc", tidy, sizeof tidy), 0);
  EXPECT_EQ(TidyTreeName("...", tidy, sizeof tidy), -1);  // "File" needs 5 bytes
  EXPECT_EQ(TidyTreeName(nullptr, tidy, sizeof tidy), -1);
}

// The floor must rename the same entries as the command does; the generator
// promises that untidy names are exactly those that need cleaning.
TEST(FloorTransform, ChangesExactlyTheGeneratedUntidyNames) {
  for (const std::uint32_t percent : {30u, 100u}) {
    for (const std::uint32_t directory : {0u, 1u, 2u}) {
      TreeNameStream stream;
      ASSERT_EQ(StartNameStream(&stream, 1, directory, percent), 0);
      char name[TREE_NAME_CAPACITY];
      char tidy[TREE_NAME_CAPACITY];
      for (int i = 0; i < 5000; ++i) {
        const std::int32_t kind = NextTreeName(&stream, name, sizeof name);
        ASSERT_GE(kind, 0);
        EXPECT_EQ(TidyTreeName(name, tidy, sizeof tidy), kind == NAME_TIDY ? 0 : 1)
            << TreeNameKindLabel(kind) << ": " << name;
      }
    }
  }
}

std::set<std::string> ListTree(const std::filesystem::path& root) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    names.insert(std::filesystem::relative(entry.path(), root).string());
  }
  return names;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

struct FloorRun {
  std::int32_t result;
  FloorCounts counts;
  std::vector<std::string> lines;
};

FloorRun RunFloor(const testing_support::TempDir& temp, const std::filesystem::path& root, std::uint32_t flags) {
  const auto outputPath = temp.path() / "output.txt";
  const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(output, 0);
  FloorRun run{};
  run.result = FloorWalk(root.c_str(), flags, output, &run.counts);
  close(output);
  run.lines = ReadLines(outputPath);
  return run;
}

// A generated tree of 3 directories x 200 files, 30% untidy, and its listing.
class FloorWalkTree : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(MakeWideTree(root.c_str(), 4, 30, 3, 200, &made), 0);
    before = ListTree(root);
  }

  testing_support::TempDir temp;
  const std::filesystem::path root = temp.path() / "tree";
  TreeCounts made{};
  std::set<std::string> before;
};

TEST_F(FloorWalkTree, DryRunShowsEveryRenameAndChangesNothing) {
  const FloorRun run = RunFloor(temp, root, FLOOR_DRY_RUN);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.counts.directories, 4u);
  EXPECT_EQ(run.counts.files, 600u);
  EXPECT_EQ(run.counts.changed, made.files - made.byKind[NAME_TIDY]);
  EXPECT_EQ(run.counts.renamed, 0u);
  EXPECT_EQ(run.lines.size(), run.counts.changed);
  for (const auto& line : run.lines) {
    EXPECT_EQ(line.rfind(root.string() + "/d000", 0), 0u) << line;
    EXPECT_NE(line.find(" -> " + root.string() + "/d000"), std::string::npos) << line;
  }
  EXPECT_EQ(ListTree(root), before);
}

TEST_F(FloorWalkTree, RenamesTheUntidyNamesAndOverwritesNothing) {
  const FloorRun run = RunFloor(temp, root, 0);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.counts.changed, made.files - made.byKind[NAME_TIDY]);
  EXPECT_EQ(run.counts.renamed, run.counts.changed);
  EXPECT_EQ(run.counts.failed, 0u);
  EXPECT_EQ(run.lines.size(), run.counts.renamed);

  const auto after = ListTree(root);
  EXPECT_EQ(after.size(), before.size()) << "no entry may be lost";
  std::size_t kept = 0;
  for (const auto& path : after) {
    char tidy[NAME_MAX + 1];
    EXPECT_EQ(TidyTreeName(std::filesystem::path(path).filename().c_str(), tidy, sizeof tidy), 0) << path;
    kept += before.count(path);
  }
  EXPECT_EQ(kept, before.size() - run.counts.renamed) << "every tidy name stays where it was";
}

TEST(FloorWalk, TakenNamesGetANumberBeforeTheExtension) {
  testing_support::TempDir temp;
  const auto root = temp.path() / "tree";
  std::filesystem::create_directories(root);
  for (const char* name : {"a_.txt", "a?.txt", "a*.txt", "b|"}) {
    std::ofstream(root / name).put('x');
  }
  std::ofstream(root / "b_").put('y');

  const FloorRun dry = RunFloor(temp, root, FLOOR_DRY_RUN);
  EXPECT_EQ(dry.counts.changed, 3u);
  const FloorRun run = RunFloor(temp, root, 0);
  EXPECT_EQ(run.counts.renamed, 3u);
  EXPECT_EQ(ListTree(root), (std::set<std::string>{"a_.txt", "a_-001.txt", "a_-002.txt", "b_", "b_-001"}));
  std::ifstream original(root / "b_");
  EXPECT_EQ(original.get(), 'y') << "the taken name keeps its own content";
}

TEST(FloorWalk, WalksAChainToTheBottom) {
  testing_support::TempDir temp;
  const auto root = temp.path() / "deep";
  TreeCounts made;
  ASSERT_EQ(MakeDeepTree(root.c_str(), 2, 30, 60, 10, &made), 0);
  const FloorRun run = RunFloor(temp, root, 0);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.counts.directories, 61u);
  EXPECT_EQ(run.counts.files, 600u);
  EXPECT_EQ(run.counts.renamed, made.files - made.byKind[NAME_TIDY]);
}

TEST(FloorWalk, MissingRootFailsWithoutCounting) {
  testing_support::TempDir temp;
  const FloorRun run = RunFloor(temp, temp.path() / "missing", 0);
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(run.counts.directories, 0u);
  EXPECT_EQ(FloorWalk("", 0, -1, nullptr), -1);
}

}  // namespace
