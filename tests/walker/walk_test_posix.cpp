// The walk on real directories: what is renamed, counted, reported and entered.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/host_services.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "tests/walker/walk_in_child_posix.h"
#include "walker/walker.h"

namespace {

using walker_testing::CountOf;
using walker_testing::FileContent;
using walker_testing::ListTree;
using walker_testing::MakeTree;
using walker_testing::WalkInChild;

TEST(WalkOutput, RenameLineThenTallyLineForEachDirectoryBeforeItsSubdirectories) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "sub/", "sub/c%20d"});
  const std::string root = dir.path().string() + "/";
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_RECURSE);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.out, "\"" + root + "a%20b\" \u2500\u25BA \"" + root + "a b\"\n"
                     "\nFound 1, fixed 1, failed 0, skipped 0 in \"" + root + "\"\n\n"
                     "\"" + root + "sub/c%20d\" \u2500\u25BA \"" + root + "sub/c d\"\n"
                     "\nFound 1, fixed 1, failed 0, skipped 0 in \"" + root + "sub/\"\n\n");
  EXPECT_EQ(run.err, "");
}

TEST(WalkOutput, DirectoryWithoutMatchesGetsFileNotFoundUnlessSilenced) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"keep.txt", "sub/", "sub/x%20y.log"});
  const std::string root = dir.path().string() + "/";

  const auto loud = WalkInChild(dir.engine_path(), u"*.log", OPT_RECURSE);
  EXPECT_EQ(loud.result, 0);
  EXPECT_EQ(loud.err, "Purifile plugin: File not found:  \"" + root + "*.log\"\n\n");
  EXPECT_EQ(CountOf(loud.out, "Found 1, fixed 1"), 1u);

  MakeTree(dir.path(), {"sub/z%20z.log"});
  const auto quiet = WalkInChild(dir.engine_path(), u"*.log", OPT_RECURSE | OPT_NO_ERRORS | OPT_NO_SUMMARY);
  EXPECT_EQ(quiet.result, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out, "\"" + root + "sub/z%20z.log\" \u2500\u25BA \"" + root + "sub/z z.log\"\n");
}

TEST(WalkOutput, MissingDirectoryIsADirectoryWithoutMatches) {
  testing_support::TempDir dir;
  const std::u16string missing = dir.engine_path() + u"gone/";
  const auto run = WalkInChild(missing, u"*", OPT_RECURSE);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.err, "Purifile plugin: File not found:  \"" + dir.path().string() + "/gone/*\"\n\n");
}

TEST(WalkArguments, DirectoryTooLongForASearchPathIsPassedOverWithADiagnostic) {
  testing_support::TempDir dir;
  // MAX_ARG_LEN - 1 characters fill the buffer: no room is left for the "*".
  const std::u16string tooLong = u"/" + std::u16string(MAX_ARG_LEN - 3, u'a') + u"/";
  const auto run = WalkInChild(tooLong, u"*", OPT_RECURSE);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(CountOf(run.err, "Purifile plugin: Path too long, not searched:  \"/aaaa"), 1u);
  EXPECT_EQ(run.tally.found, 0u);
}

// Two walks in one process, with another program at work between them: the
// second walk works in what its directory's path names now, not in the
// directory the first walk listed under that path.
TEST(WalkAgain, DirectoryMovedAwayAndMadeAgainBetweenTwoWalksIsTheNewOne) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a/", "a/sub/", "a/sub/old%20x"});
  const auto walk = [](const std::u16string& directory) {
    OptionFlags options = OPT_NO_ERRORS;
    RenameTally tally{0, 0, 0, 0};
    std::int32_t result = -1;
    testing_support::CaptureOutput(
        [&] { result = WalkDirectory(directory.c_str(), u"*", &options, nullptr, nullptr, &tally); });
    return result;
  };
  ASSERT_EQ(walk(dir.engine_path() + u"a/"), 0);
  std::filesystem::rename(dir.path() / "a", dir.path() / "moved");
  MakeTree(dir.path(), {"a/", "a/sub/", "a/sub/new%20y"});
  ASSERT_EQ(walk(dir.engine_path() + u"a/sub/"), 0);
  EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{"a/", "a/sub/", "a/sub/new y", "moved/", "moved/sub/",
                                                            "moved/sub/old%20x"}));
}

// Each entry is handled once however the file system orders entries that are
// created while the directory is read: with /H, x&amp;lt;N decodes once to
// x&lt;N; a second pass would make it x<N and then x_N.
TEST(WalkOnce, TwentyThousandEntriesAreEachDecodedOnce) {
  constexpr int kCount = 20000;
  testing_support::TempDir dir;
  for (int i = 0; i < kCount; ++i) {
    std::ofstream(dir.path() / ("x&amp;lt;" + std::to_string(i))) << i;
  }
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_ENTITIES | OPT_NO_SUMMARY);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.tally.found, static_cast<unsigned>(kCount));
  EXPECT_EQ(run.tally.fixed, static_cast<unsigned>(kCount));
  int decodedOnce = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    const std::string number = name.substr(name.find(';') + 1);
    decodedOnce += name.rfind("x&lt;", 0) == 0 && FileContent(entry.path()) == number;
  }
  EXPECT_EQ(decodedOnce, kCount);
}

// A chain of directories "d/d/.../d" below root with one file at the bottom.
// Made one level at a time from inside the last, since the whole path may be
// longer than a path from the top may be.
void MakeChain(const std::filesystem::path& root, std::size_t levels, const std::string& file) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(root);
  for (std::size_t i = 0; i < levels; ++i) {
    std::filesystem::create_directory("d");
    std::filesystem::current_path("d");
  }
  std::ofstream(file) << "bottom";
  std::filesystem::current_path(previous);
}

// Taken down from the bottom up, for the same reason.
void RemoveChain(const std::filesystem::path& root, std::size_t levels) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(root);
  for (std::size_t i = 0; i < levels; ++i) {
    std::filesystem::current_path("d");
  }
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    std::filesystem::remove(entry.path());
  }
  for (std::size_t i = 0; i < levels; ++i) {
    std::filesystem::current_path("..");
    std::filesystem::remove("d");
  }
  std::filesystem::current_path(previous);
}

// Depth is bounded by the length of a path, not by the stack: about 2,000
// levels of one-letter names fill the 4,096 bytes a Linux path may have. The
// child runs with a small stack, so walking it recursively with path buffers
// on the stack would crash long before the bottom.
TEST(WalkDepth, TreeAsDeepAsPathsAllowIsWalkedToTheBottom) {
  testing_support::TempDir dir;
  const std::size_t rootLength = dir.path().string().size() + 1;
  const std::size_t levels = (4000 - rootLength - 10) / 2;
  ASSERT_GT(levels, 1900u);
  MakeChain(dir.path(), levels, "x%20y");

  rlimit saved{};
  getrlimit(RLIMIT_STACK, &saved);
  rlimit small = saved;
  small.rlim_cur = 1024 * 1024;  // what a Windows thread gets
  setrlimit(RLIMIT_STACK, &small);
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_RECURSE | OPT_NO_SUMMARY | OPT_NO_ERRORS);
  setrlimit(RLIMIT_STACK, &saved);

  ASSERT_TRUE(run.finished) << "the walk did not end normally";
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.tally.found, 1u);
  EXPECT_EQ(run.tally.fixed, 1u);
  EXPECT_EQ(CountOf(run.out, "x y\"\n"), 1u);
  RemoveChain(dir.path(), levels);
}

// Below the depth a path can reach, directories cannot be listed: the walk
// says so and its result tells the caller that part of the tree was left,
// even with the diagnostics silenced.
TEST(WalkDepth, DirectoriesPastTheLongestPathAreReportedAsFailures) {
  testing_support::TempDir dir;
  const std::size_t rootLength = dir.path().string().size() + 1;
  const std::size_t levels = (4200 - rootLength) / 2;
  MakeChain(dir.path(), levels, "x%20y");

  const auto reported = WalkInChild(dir.engine_path(), u"*", OPT_RECURSE | OPT_NO_SUMMARY);
  const auto silent = WalkInChild(dir.engine_path(), u"*", OPT_RECURSE | OPT_NO_SUMMARY | OPT_NO_ERRORS);
  RemoveChain(dir.path(), levels);

  ASSERT_TRUE(reported.finished);
  EXPECT_EQ(reported.result, 2);
  EXPECT_EQ(reported.tally.found, 0u);
  EXPECT_EQ(CountOf(reported.err, "Purifile plugin: Error reading directory \""), 1u) << reported.err;
  EXPECT_EQ(CountOf(reported.err, "\":\n    The filename or extension is too long.\n\n"), 1u) << reported.err;
  ASSERT_TRUE(silent.finished);
  EXPECT_EQ(silent.result, 2);
  EXPECT_EQ(silent.err, "");
}

// With links followed, a link back to an ancestor must not make the walk go
// round for ever; a link elsewhere is followed like any directory.
TEST(WalkLinks, LinkToAnAncestorIsNotEnteredAgain) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a/", "a/f%20x", "a/b/", "a/b/g%20y", "outside/", "outside/h%20z"});
  std::filesystem::create_directory_symlink("..", dir.path() / "a/b/up");  // back to a/
  std::filesystem::create_directory_symlink("../outside", dir.path() / "a/elsewhere");
  const auto run = WalkInChild(dir.engine_path() + u"a/", u"*", OPT_RECURSE | OPT_FOLLOW_LINKS | OPT_NO_SUMMARY);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.tally.found, 3u);
  EXPECT_EQ(run.tally.fixed, 3u);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "outside/h z"));
  EXPECT_EQ(run.err, "Purifile plugin: Link loop, not searched again:  \"" + dir.path().string() +
                         "/a/b/up/\"\n\n");
}

// The option word of a walk that follows symbolic links to directories.
constexpr OptionFlags kFollowingLinks = OPT_RECURSE | OPT_FOLLOW_LINKS;

struct LinkLoopCase {
  const char* what;
  const char* link;    // below the top of the walk
  const char* target;  // what the link holds
};

// A directory reached again through a link is on the current path at some
// level, the deepest one (the link's own directory) included: each file is
// handled once, the notice names the link once, and the counts hold every file
// once, with the notice shown or silenced.
const LinkLoopCase kLinkLoopCases[] = {
    {"the top of the walk, to itself", "self", "."},
    {"a subdirectory, to itself", "sub/self", "."},
    {"a subdirectory, to its parent", "sub/up", ".."},
    {"two levels down, to the top of the walk", "sub/deeper/top", "../.."},
};

class LinkLoopCases : public testing::TestWithParam<LinkLoopCase> {};

TEST_P(LinkLoopCases, FollowedLinksHandleEachFileOnceAndNameTheLoop) {
  const LinkLoopCase& c = GetParam();
  const std::vector<std::string> files = {"f%20x", "sub/g%20y", "sub/deeper/h%20z"};
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"sub/deeper/"});
  MakeTree(dir.path(), files);
  std::filesystem::create_directory_symlink(c.target, dir.path() / c.link);
  const std::string notice = "Purifile plugin: Link loop, not searched again:  \"" + dir.path().string() + "/" +
                             c.link + "/\"\n\n";

  for (const OptionFlags quiet : {OptionFlags{0}, OPT_NO_ERRORS}) {
    const auto preview = WalkInChild(dir.engine_path(), u"*", kFollowingLinks | OPT_NOT_REALLY | quiet);
    ASSERT_TRUE(preview.finished) << c.what;
    EXPECT_EQ(preview.result, 0) << c.what;
    EXPECT_EQ(preview.err, quiet != 0 ? "" : notice) << c.what;
    EXPECT_EQ(preview.tally.found, files.size()) << c.what;
    EXPECT_EQ(preview.tally.skipped, files.size()) << c.what;
    for (const char* file : {"f%20x\" ", "g%20y\" ", "h%20z\" "}) {
      EXPECT_EQ(CountOf(preview.out, file), 1u) << c.what << ": " << file << "\n" << preview.out;
    }
    EXPECT_EQ(CountOf(preview.out, "Found 1, fixed 0, failed 0, skipped 1 in"), files.size()) << c.what;
  }

  const auto real = WalkInChild(dir.engine_path(), u"*", kFollowingLinks | OPT_NO_SUMMARY);
  ASSERT_TRUE(real.finished) << c.what;
  EXPECT_EQ(real.result, 0) << c.what;
  EXPECT_EQ(real.err, notice) << c.what;
  EXPECT_EQ(real.tally.found, files.size()) << c.what;
  EXPECT_EQ(real.tally.fixed, files.size()) << c.what;
  EXPECT_EQ(CountOf(real.out, "\u25BA"), files.size()) << c.what << "\n" << real.out;
  for (const char* renamed : {"f x", "sub/g y", "sub/deeper/h z"}) {
    EXPECT_TRUE(std::filesystem::exists(dir.path() / renamed)) << c.what << ": " << renamed;
  }
}

INSTANTIATE_TEST_SUITE_P(WalkLinks, LinkLoopCases, testing::ValuesIn(kLinkLoopCases));

TEST(WalkLinks, LinkToItsOwnDirectoryEndsTooAndNoJunctionsWinsOverFollowing) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"f%20x", "outside/", "outside/h%20z"});
  std::filesystem::create_directory_symlink(".", dir.path() / "self");
  std::filesystem::create_directory_symlink("outside", dir.path() / "there");

  const auto skipping =
      WalkInChild(dir.engine_path(), u"*", OPT_RECURSE | OPT_FOLLOW_LINKS | OPT_NO_JUNCTIONS | OPT_NO_SUMMARY);
  ASSERT_TRUE(skipping.finished);
  EXPECT_EQ(skipping.err, "");
  EXPECT_EQ(skipping.tally.fixed, 2u) << "f%20x and outside/h%20z, not through the link";

  MakeTree(dir.path(), {"outside/k%20l"});
  const auto following =
      WalkInChild(dir.engine_path(), u"*", OPT_RECURSE | OPT_FOLLOW_LINKS | OPT_NO_SUMMARY | OPT_NO_ERRORS);
  ASSERT_TRUE(following.finished);
  EXPECT_EQ(following.result, 0);
  EXPECT_EQ(following.tally.fixed, 1u) << "k%20l, once: through outside/ or there/, whichever comes first";
  EXPECT_EQ(following.err, "") << "/N:E silences the loop notice";
}

// As chmod -R and find do, the walk does not enter symbolic links unless asked:
// nothing outside the tree is renamed, and a directory linked from inside the
// tree is walked once. The links themselves are still matched (directories
// under /D) and renamed, without being entered.
TEST(WalkLinks, LinksAreNotEnteredUnlessFollowed) {
  struct Case {
    const char* what;
    OptionFlags options;
    std::vector<std::string> after;
    std::uint32_t found;
  };
  const Case cases[] = {
      {"files", OPT_RECURSE | OPT_NO_SUMMARY | OPT_NO_ERRORS,
       {"outside/", "outside/precious%20file", "tree/", "tree/away", "tree/l%20ink", "tree/real/", "tree/real/a b"},
       1},
      {"directories", OPT_RECURSE | OPT_DIRECTORIES | OPT_NO_SUMMARY | OPT_NO_ERRORS,
       {"outside/", "outside/precious%20file", "tree/", "tree/away", "tree/l ink", "tree/real/", "tree/real/a%20b"},
       3},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    testing_support::TempDir dir;
    MakeTree(dir.path(), {"outside/", "outside/precious%20file", "tree/", "tree/real/", "tree/real/a%20b"});
    std::filesystem::create_directory_symlink("../outside", dir.path() / "tree/away");
    std::filesystem::create_directory_symlink("real", dir.path() / "tree/l%20ink");
    const auto run = WalkInChild(dir.engine_path() + u"tree/", u"*", row.options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.tally.found, row.found);
    EXPECT_EQ(ListTree(dir.path()), row.after);
  }
}

}  // namespace
