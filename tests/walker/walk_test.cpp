// The walk and the rename step through the platform's own file functions:
// natively on Linux, and through the real Win32 functions under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/options.h"
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
