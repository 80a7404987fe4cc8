// The benchmark tree generator: same arguments, same names; the promised share
// and variety of untidy names; valid, distinct names; trees on disk as described.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "bench/mktree.h"
#include "tests/support/temp_dir.h"

namespace {

struct GeneratedName {
  std::string name;
  std::int32_t kind;
  bool operator==(const GeneratedName&) const = default;
};

std::vector<GeneratedName> Generate(std::uint64_t variant, std::uint32_t directory, std::uint32_t percent,
                                    std::uint32_t count) {
  TreeNameStream stream;
  EXPECT_EQ(StartNameStream(&stream, variant, directory, percent), 0);
  std::vector<GeneratedName> names;
  char name[TREE_NAME_CAPACITY];
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::int32_t kind = NextTreeName(&stream, name, sizeof name);
    EXPECT_GE(kind, 0);
    names.push_back({name, kind});
  }
  return names;
}

std::set<std::string> ListNames(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::set<std::string> NameSet(const std::vector<GeneratedName>& names) {
  std::set<std::string> set;
  for (const auto& generated : names) {
    set.insert(generated.name);
  }
  return set;
}

TEST(TreeNames, SameArgumentsGiveSameNamesAndOthersDiffer) {
  const auto reference = Generate(1, 7, 30, 3000);
  EXPECT_EQ(Generate(1, 7, 30, 3000), reference);

  for (const auto& other : {Generate(2, 7, 30, 3000), Generate(1, 8, 30, 3000)}) {
    std::size_t same = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
      same += other[i].name == reference[i].name ? 1 : 0;
    }
    EXPECT_LT(same, reference.size() / 10) << "another variant or directory must give other names";
  }
}

TEST(TreeNames, EveryHundredConsecutiveNamesHoldTheUntidyShareExactly) {
  for (const std::uint32_t percent : {0u, 1u, 30u, 50u, 99u, 100u}) {
    const auto names = Generate(5, 0, percent, 1000);
    for (const std::size_t start : {0u, 1u, 37u, 450u, 900u}) {
      std::uint32_t untidy = 0;
      for (std::size_t i = start; i < start + 100; ++i) {
        untidy += names[i].kind != NAME_TIDY ? 1 : 0;
      }
      EXPECT_EQ(untidy, percent) << "percent " << percent << ", window from " << start;
    }
  }
}

TEST(TreeNames, EveryKindOccursInAnOrdinaryDirectory) {
  std::vector<std::uint32_t> byKind(TREE_NAME_KIND_COUNT, 0);
  for (const auto& generated : Generate(1, 0, 30, 1000)) {
    byKind[generated.kind]++;
  }
  for (std::int32_t kind = 0; kind < TREE_NAME_KIND_COUNT; ++kind) {
    EXPECT_GT(byKind[kind], 0u) << TreeNameKindLabel(kind);
  }
}

TEST(TreeNames, NamesAreValidAndDistinctWithinADirectory) {
  for (const std::uint32_t percent : {30u, 100u}) {
    for (const std::uint32_t directory : {0u, 1u, 299u}) {
      const auto names = Generate(1, directory, percent, 20000);
      EXPECT_EQ(NameSet(names).size(), names.size()) << "percent " << percent << ", directory " << directory;
      for (const auto& generated : names) {
        EXPECT_FALSE(generated.name.empty());
        EXPECT_LE(generated.name.size(), 255u);
        EXPECT_EQ(generated.name.find('/'), std::string::npos) << generated.name;
        EXPECT_NE(generated.name, ".");
        EXPECT_NE(generated.name, "..");
      }
    }
  }
}

TEST(TreeNames, TidyNamesHoldOnlyLettersDigitsSingleUnderscoresAndOneDot) {
  for (const auto& generated : Generate(3, 0, 30, 2000)) {
    if (generated.kind != NAME_TIDY) {
      continue;
    }
    EXPECT_EQ(generated.name.find("__"), std::string::npos) << generated.name;
    EXPECT_EQ(generated.name.find('.'), generated.name.rfind('.')) << generated.name;
    for (const char c : generated.name) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                         c == '.';
      EXPECT_TRUE(plain) << generated.name;
    }
  }
}

TEST(TreeNames, CollidingNamesCopyAnEarlierTidyNameWithOneMarker) {
  const auto names = Generate(1, 0, 30, 5000);
  std::set<std::string> tidySoFar;
  std::uint32_t colliding = 0;
  for (const auto& generated : names) {
    if (generated.kind == NAME_TIDY) {
      tidySoFar.insert(generated.name);
    }
    if (generated.kind != NAME_COLLIDING) {
      continue;
    }
    ++colliding;
    std::string restored = generated.name;
    const auto marker = restored.find_first_of("?*:|<>\\");
    ASSERT_NE(marker, std::string::npos) << generated.name;
    restored[marker] = '_';
    EXPECT_TRUE(tidySoFar.count(restored) == 1) << generated.name;
  }
  EXPECT_GT(colliding, 50u);
}

TEST(TreeNames, BadArgumentsAreRefused) {
  TreeNameStream stream;
  char name[TREE_NAME_CAPACITY];
  EXPECT_EQ(StartNameStream(nullptr, 1, 0, 30), -1);
  EXPECT_EQ(StartNameStream(&stream, 1, 0, 101), -1);
  ASSERT_EQ(StartNameStream(&stream, 1, 0, 30), 0);
  EXPECT_EQ(NextTreeName(&stream, name, TREE_NAME_CAPACITY - 1), -1);
  EXPECT_EQ(NextTreeName(&stream, nullptr, TREE_NAME_CAPACITY), -1);
  EXPECT_EQ(NextTreeName(nullptr, name, TREE_NAME_CAPACITY), -1);
}

TEST(TreeOnDisk, WideTreeHoldsTheGeneratedNamesOfEachDirectory) {
  testing_support::TempDir temp;
  const auto root = temp.path() / "wide";
  TreeCounts counts;
  ASSERT_EQ(MakeWideTree(root.c_str(), 9, 30, 3, 250, &counts), 0);
  EXPECT_EQ(counts.directories, 3u);
  EXPECT_EQ(counts.files, 750u);
  EXPECT_EQ(counts.files - counts.byKind[NAME_TIDY], 225u);
  EXPECT_EQ(ListNames(root), (std::set<std::string>{"d0000", "d0001", "d0002"}));
  for (std::uint32_t directory = 0; directory < 3; ++directory) {
    const auto path = root / ("d000" + std::to_string(directory));
    EXPECT_EQ(ListNames(path), NameSet(Generate(9, directory, 30, 250))) << path;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      EXPECT_TRUE(entry.is_regular_file()) << entry.path();
      EXPECT_EQ(entry.file_size(), 0u) << entry.path();
    }
  }
}

TEST(TreeOnDisk, DeepTreeIsOneChainWithFilesAtEveryLevel) {
  testing_support::TempDir temp;
  const auto root = temp.path() / "deep";
  TreeCounts counts;
  ASSERT_EQ(MakeDeepTree(root.c_str(), 1, 30, 40, 10, &counts), 0);
  EXPECT_EQ(counts.directories, 40u);
  EXPECT_EQ(counts.files, 400u);
  auto level = root;
  EXPECT_EQ(ListNames(level), (std::set<std::string>{"c001"}));
  for (std::uint32_t depth = 1; depth <= 40; ++depth) {
    char name[8];
    std::snprintf(name, sizeof name, "c%03u", depth);
    level /= name;
    auto expected = NameSet(Generate(1, depth, 30, 10));
    if (depth < 40) {
      char next[8];
      std::snprintf(next, sizeof next, "c%03u", depth + 1);
      expected.insert(next);
    }
    EXPECT_EQ(ListNames(level), expected) << level;
  }
}

TEST(TreeOnDisk, ExistingTargetIsRefusedAndLeftAlone) {
  testing_support::TempDir temp;
  std::filesystem::create_directory(temp.path() / "taken");
  std::filesystem::create_directory(temp.path() / "taken" / "keep");
  EXPECT_EQ(MakeWideTree((temp.path() / "taken").c_str(), 1, 30, 2, 5, nullptr), EEXIST);
  EXPECT_EQ(MakeDeepTree((temp.path() / "taken").c_str(), 1, 30, 2, 5, nullptr), EEXIST);
  EXPECT_EQ(ListNames(temp.path() / "taken"), (std::set<std::string>{"keep"}));
  EXPECT_EQ(MakeWideTree(nullptr, 1, 30, 2, 5, nullptr), -1);
  EXPECT_EQ(MakeWideTree((temp.path() / "other").c_str(), 1, 101, 2, 5, nullptr), -1);
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "other"));
}

}  // namespace
