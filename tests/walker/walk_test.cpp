// The walk and the rename step through the platform's own file functions:
// natively on Linux, and through the real Win32 functions under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/diagnostics.h"
#include "core/options.h"
#include "platform/win32.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "walker/rename.h"
#include "walker/walker.h"

namespace {

using testing_support::CaptureOutput;
using testing_support::ToUtf8;
using walker_testing::ListTree;
using walker_testing::MakeTree;

struct Walked {
  std::int32_t result;
  RenameTally tally;
  std::string out;
  std::string err;
};

Walked Walk(const std::u16string& directory, const char16_t* pattern, OptionFlags options) {
  Walked walked{0, {0, 0, 0, 0}, {}, {}};
  const auto captured = CaptureOutput([&] {
    walked.result = WalkDirectory(directory.c_str(), pattern, &options, nullptr, nullptr, &walked.tally);
  });
  walked.out = captured.standardOutput;
  walked.err = captured.standardError;
  return walked;
}

struct WalkCase {
  const char* what;
  std::vector<std::string> before;
  const char16_t* pattern;
  OptionFlags options;
  std::vector<std::string> after;
  RenameTally tally;  // found, fixed, skipped, failed
  std::int32_t result;
};

const WalkCase kWalkCases[] = {
    {"renames what needs it and counts the rest as skipped",
     {"a%20b.txt", "plain.txt"}, u"*", 0,
     {"a b.txt", "plain.txt"}, {2, 1, 1, 0}, 0},
    {"the pattern selects names, ignoring the case of letters",
     {"a%20b.TXT", "c%20d.log"}, u"*.TXT", 0,
     {"a b.TXT", "c%20d.log"}, {1, 1, 0, 0}, 0},
    {"a taken name gets the next free suffix",
     {"a b.txt", "a b-001.txt", "a%20b.txt"}, u"a%20b.txt", 0,
     {"a b-001.txt", "a b-002.txt", "a b.txt"}, {1, 1, 0, 0}, 0},
    {"with /N:F a taken name fails and both files stay",
     {"a b.txt", "a%20b.txt"}, u"*", OPT_NO_SUFFIX,
     {"a b.txt", "a%20b.txt"}, {2, 0, 1, 1}, 2},
    {"/N renames nothing and counts every change as skipped",
     {"a%20b.txt", "c%20d.txt"}, u"*", OPT_NOT_REALLY,
     {"a%20b.txt", "c%20d.txt"}, {2, 0, 2, 0}, 0},
    {"without /D directories are neither matched nor entered",
     {"d%20x/", "d%20x/f%20y"}, u"*", 0,
     {"d%20x/", "d%20x/f%20y"}, {0, 0, 0, 0}, 0},
    {"/S enters every directory and renames files there",
     {"top%20file", "d%20x/", "d%20x/f%20y", "d%20x/e/", "d%20x/e/f%20z"}, u"*", OPT_RECURSE,
     {"d%20x/", "d%20x/e/", "d%20x/e/f z", "d%20x/f y", "top file"}, {3, 3, 0, 0}, 0},
    {"/D renames directories only, and /S enters them under their new names",
     {"d%20x/", "d%20x/d%20y/", "d%20x/f%20z"}, u"*", OPT_DIRECTORIES | OPT_RECURSE,
     {"d x/", "d x/d y/", "d x/f%20z"}, {2, 2, 0, 0}, 0},
    // Names starting with a full stop are hidden on POSIX, and under Wine.
    {"/N:D keeps out of hidden directories, whose names still match",
     {".h%20x/", ".h%20x/f%20y", "v/", "v/f%20y"}, u"*", OPT_RECURSE | OPT_NO_HIDDEN_DIRS,
     {".h%20x/", ".h%20x/f%20y", "v/", "v/f y"}, {1, 1, 0, 0}, 0},
    {"/N:D with /D: a hidden directory is renamed, not entered",
     {".h%20x/", ".h%20x/d%20y/"}, u"*", OPT_RECURSE | OPT_NO_HIDDEN_DIRS | OPT_DIRECTORIES,
     {".h x/", ".h x/d%20y/"}, {1, 1, 0, 0}, 0},
    {"hidden directories are entered without /N:D",
     {".h/", ".h/f%20y"}, u"*", OPT_RECURSE,
     {".h/", ".h/f y"}, {1, 1, 0, 0}, 0},
    {"/S enters directories whose names the pattern does not match",
     {"sub/", "sub/a%20b.txt", "x%20y.log"}, u"*.txt", OPT_RECURSE,
     {"sub/", "sub/a b.txt", "x%20y.log"}, {1, 1, 0, 0}, 0},
    {"each directory's own subdirectories are entered, each once",
     {"a/", "a/x/", "a/x/f%20", "b/", "b/x/", "b/x/g%20", "c/"}, u"*", OPT_RECURSE,
     {"a/", "a/x/", "a/x/f", "b/", "b/x/", "b/x/g", "c/"}, {2, 2, 0, 0}, 0},
    {"an empty directory finds nothing and succeeds",
     {}, u"*", OPT_RECURSE,
     {}, {0, 0, 0, 0}, 0},
};

class WalkCases : public testing::TestWithParam<WalkCase> {};

TEST_P(WalkCases, EndsWithTheExpectedTreeAndCounts) {
  const WalkCase& c = GetParam();
  testing_support::TempDir dir;
  MakeTree(dir.path(), c.before);
  const Walked walked = Walk(dir.engine_path(), c.pattern, c.options);
  EXPECT_EQ(ListTree(dir.path()), c.after) << c.what;
  EXPECT_EQ(walked.tally.found, c.tally.found) << c.what;
  EXPECT_EQ(walked.tally.fixed, c.tally.fixed) << c.what;
  EXPECT_EQ(walked.tally.skipped, c.tally.skipped) << c.what;
  EXPECT_EQ(walked.tally.failed, c.tally.failed) << c.what;
  EXPECT_EQ(walked.result, c.result) << c.what << "\n" << walked.err;
}

INSTANTIATE_TEST_SUITE_P(Walker, WalkCases, testing::ValuesIn(kWalkCases));

TEST(WalkOutput, RenameLinesAndTallyLineNameFullPaths) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b"});
  const std::string root = ToUtf8(dir.engine_path());
  const Walked walked = Walk(dir.engine_path(), u"*", 0);
  EXPECT_NE(walked.out.find("\"" + root + "a%20b\" \u2500\u25BA \"" + root + "a b\""), std::string::npos)
      << walked.out;
  EXPECT_NE(walked.out.find("Found 1, fixed 1, failed 0, skipped 0 in \"" + root + "\""), std::string::npos)
      << walked.out;
}

// The preview shows the names the real run gives, where several entries
// clean to the same name.
TEST(WalkPreview, RenameLinesOfAPreviewEqualThoseOfTheRealRun) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a_b.txt", "a b.txt", "a%20b.txt", "a%3Fb.txt", "c%20d"});
  const OptionFlags options = OPT_BLANKS | OPT_NO_SUMMARY;
  const Walked preview = Walk(dir.engine_path(), u"*", options | OPT_NOT_REALLY);
  const Walked real = Walk(dir.engine_path(), u"*", options);
  EXPECT_EQ(preview.out, real.out);
  EXPECT_NE(real.out.find("a_b-003.txt"), std::string::npos) << real.out;
  EXPECT_EQ(real.tally.fixed, 4u);
}

TEST(WalkArguments, AbsentOrEmptyDirectoryOrPatternDoesNothing) {
  OptionFlags options = 0;
  RenameTally tally{0, 0, 0, 0};
  testing_support::TempDir dir;
  const std::u16string path = dir.engine_path();
  EXPECT_EQ(WalkDirectory(nullptr, u"*", &options, nullptr, nullptr, &tally), -1);
  EXPECT_EQ(WalkDirectory(u"", u"*", &options, nullptr, nullptr, &tally), -1);
  EXPECT_EQ(WalkDirectory(path.c_str(), nullptr, &options, nullptr, nullptr, &tally), -1);
  EXPECT_EQ(WalkDirectory(path.c_str(), u"", &options, nullptr, nullptr, &tally), -1);
  EXPECT_EQ(tally.found + tally.fixed + tally.skipped + tally.failed, 0u);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// A rename refused because the name is taken: the retries (a drive path gets
// the long-path one; a short name, where there is one, the other) fail the same
// way, and the failure is reported once, with the first attempt's error.
TEST(RenameFailure, TakenNameIsReportedOnceWithTheFirstError) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a b.txt", "a%20b.txt"});
  const Walked walked = Walk(dir.engine_path(), u"a%20b.txt", OPT_NO_SUFFIX | OPT_NO_SUMMARY);
  char16_t errorText[1024];
  SystemErrorText(ERROR_ALREADY_EXISTS, errorText);
  EXPECT_EQ(WithoutCarriageReturns(walked.err),
            "Purifile plugin: Error renaming \"a%20b.txt\":\n    " + ToUtf8(errorText) + "\n\n");
  EXPECT_EQ(walked.result, 2);
  EXPECT_EQ(walked.tally.failed, 1u);
  EXPECT_EQ(walker_testing::FileContent(dir.path() / "a b.txt"), "a b.txt");
  EXPECT_EQ(walker_testing::FileContent(dir.path() / "a%20b.txt"), "a%20b.txt");
}

// The loop test of the walk rests on this: one directory reached by two
// spellings is the same, its sibling is not.
TEST(FileIdentityOfDirectories, SameDirectoryThroughTwoSpellingsSiblingDiffers) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a/", "a/b/", "c/"});
  const std::u16string root = dir.engine_path();
  const std::u16string separator(1, PATH_SEPARATOR);
  FileIdentity direct{0, 0};
  FileIdentity roundabout{0, 0};
  FileIdentity sibling{0, 0};
  FileIdentity missing{0, 0};
  ASSERT_EQ(GetFileIdentity((root + u"a" + separator).c_str(), &direct), 1);
  ASSERT_EQ(GetFileIdentity((root + u"a" + separator + u"b" + separator + u".." + separator).c_str(), &roundabout), 1);
  ASSERT_EQ(GetFileIdentity((root + u"c" + separator).c_str(), &sibling), 1);
  EXPECT_TRUE(SameFile(direct, roundabout));
  EXPECT_FALSE(SameFile(direct, sibling));
  EXPECT_EQ(GetFileIdentity((root + u"gone" + separator).c_str(), &missing), 0);
}

struct RetryCase {
  const char* what;
  const char16_t* first;   // old path, or directory for the short-name retry
  const char16_t* second;  // new path, or short name
  const char16_t* third;   // new path of the short-name retry
  std::int32_t longPath;
  std::int32_t shortName;
};

// Arguments that stop a retry before it touches anything.
const RetryCase kRetryCases[] = {
    {"absent first argument", nullptr, u"x", u"x", -1, -1},
    {"absent second argument", u"x", nullptr, u"x", -1, -1},
    {"empty new path of the long-path retry", u"C:\\dir\\old", u"", u"C:\\dir\\new", -1, 1},
    {"empty short name", u"C:\\dir\\", u"", u"C:\\dir\\new", -1, 1},
    {"a path without drive letter, colon and backslash gets no long-path retry",
     u"\\\\server\\share\\old", u"\\\\server\\share\\new", nullptr, 1, -1},
    {"a drive letter alone is no path to retry", u"C:\\", u"C:\\new", nullptr, 1, -1},
};

class RetryCases : public testing::TestWithParam<RetryCase> {};

TEST_P(RetryCases, RefuseWithoutRenaming) {
  const RetryCase& c = GetParam();
  EXPECT_EQ(RenameByLongPath(c.first, c.second), c.longPath) << c.what;
  EXPECT_EQ(RenameByShortName(c.first, c.second, c.third), c.shortName) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Rename, RetryCases, testing::ValuesIn(kRetryCases));

}  // namespace
