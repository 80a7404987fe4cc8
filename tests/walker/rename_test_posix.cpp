// The rename step on real files: prompts answered at a pseudo-terminal, and
// renames that fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command/diagnostics.h"
#include "core/options.h"
#include "platform/win32.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "tests/walker/walk_in_child_posix.h"
#include "walker/rename.h"

namespace {

using walker_testing::CountOf;
using walker_testing::FileContent;
using walker_testing::ListTree;
using walker_testing::MakeTree;
using walker_testing::PromptReply;
using walker_testing::WalkInChild;
using walker_testing::WalkSpec;

std::string Utf8(const char16_t* text) {
  const std::u16string wide(text);
  std::string bytes(wide.size() * 3 + 1, '\0');
  bytes.resize(EncodeUtf8(wide.data(), wide.size(), bytes.data(), bytes.size()));
  return bytes;
}

std::string ErrorTextOf(DWORD code) {
  char16_t text[1024];
  SystemErrorText(code, text);
  return Utf8(text);
}

std::string FailureReport(const std::string& name, DWORD code) {
  return "Purifile plugin: Error renaming \"" + name + "\":\n    " + ErrorTextOf(code) + "\n\n";
}

struct PromptCase {
  const char* what;
  std::vector<std::string> files;  // each needs a rename
  OptionFlags options;             // OPT_PROMPT is added
  std::vector<PromptReply> replies;
  int prompts;
  const char* consoleEnd;          // how the terminal's text ends (every echo is there)
  RenameTally tally;
  std::int32_t result;
};

const PromptCase kPromptCases[] = {
    {"Y renames; a key that answers nothing is swallowed", {"a%20b"}, 0, {{"xY", {}}}, 1,
     "(Y/N/A)? Yes \n", {1, 1, 0, 0}, 0},
    {"N skips, and its echo stays on the terminal", {"a%20b"}, 0, {{"N", {}}}, 1,
     "(Y/N/A)? No  \n", {1, 0, 1, 0}, 0},
    {"Esc answers No", {"a%20b"}, 0, {{"\x1b", {}}}, 1, "(Y/N/A)? No  \n", {1, 0, 1, 0}, 0},
    {"A renames this and every later entry without asking", {"a%20b", "c%20d", "e%20f"}, 0, {{"A", {}}}, 1,
     "(Y/N/A)? All \n", {3, 3, 0, 0}, 0},
    {"Q stops at once: the second entry is never looked at", {"a%20b", "c%20d"}, 0, {{"Q", {}}}, 1,
     "(Y/N/A)? Quit\n", {1, 0, 1, 0}, -3},
    {"Ctrl+C at the prompt stops as Quit does, with no echo", {"a%20b", "c%20d"}, 0, {{"\x03", {}}}, 1,
     "(Y/N/A)? ", {1, 0, 1, 0}, -3},
    {"a key read that fails counts as Quit, with no echo", {"a%20b", "c%20d"}, 0, {{"", {}, true}}, 1,
     "(Y/N/A)? ", {1, 0, 1, 0}, -3},
    {"/N with /P: Yes renames nothing", {"a%20b"}, OPT_NOT_REALLY, {{"Y", {}}}, 1,
     "(Y/N/A)? Yes \n", {1, 0, 1, 0}, 0},
};

class PromptCases : public testing::TestWithParam<PromptCase> {};

TEST_P(PromptCases, AnswerDecidesRenameEchoAndCount) {
  const PromptCase& c = GetParam();
  testing_support::TempDir dir;
  MakeTree(dir.path(), c.files);
  const auto run = WalkInChild(dir.engine_path(), u"*", c.options | OPT_PROMPT | OPT_NO_SUMMARY, c.replies);
  ASSERT_TRUE(run.finished) << c.what << "\nconsole: " << run.console;
  EXPECT_EQ(run.prompts, c.prompts) << c.what << "\nconsole: " << run.console;
  const std::string end = c.consoleEnd;
  EXPECT_TRUE(run.console.size() >= end.size() && run.console.compare(run.console.size() - end.size(), end.size(), end) == 0)
      << c.what << "\nconsole: " << run.console;
  EXPECT_EQ(CountOf(run.out, "No  "), 0u) << c.what << ": no echo on standard output";
  EXPECT_EQ(run.tally.found, c.tally.found) << c.what;
  EXPECT_EQ(run.tally.fixed, c.tally.fixed) << c.what;
  EXPECT_EQ(run.tally.skipped, c.tally.skipped) << c.what;
  EXPECT_EQ(run.tally.failed, c.tally.failed) << c.what;
  EXPECT_EQ(run.result, c.result) << c.what;
  std::size_t renamed = 0;
  for (const std::string& name : ListTree(dir.path())) {
    renamed += name.find("%20") == std::string::npos;
  }
  EXPECT_EQ(renamed, c.tally.fixed) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Rename, PromptCases, testing::ValuesIn(kPromptCases));

TEST(Prompt, ShowsBothFullPathsWithTheArrowAndNoLineBreak) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b"});
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_PROMPT, {{"Y", {}}});
  const std::string root = dir.path().string() + "/";
  EXPECT_EQ(run.console, "\"" + root + "a%20b\" \u2500\u25BA \"" + root + "a b\"  (Y/N/A)? Yes \n");
  EXPECT_EQ(CountOf(run.out, root + "a%20b"), 0u) << "the prompt replaces the rename line";
}

TEST(Prompt, AfterAllLaterEntriesGetRenameLinesOnStandardOutput) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "c%20d"});
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_PROMPT | OPT_NO_SUMMARY, {{"A", {}}});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(CountOf(run.out, "\u25BA"), 1u);
  EXPECT_EQ(CountOf(run.console, "\u25BA"), 1u);
  EXPECT_EQ(run.optionsAfter & OPT_PROMPT, 0u);
}

TEST(Prompt, AllInOneSpecificationEndsPromptingForTheNext) {
  testing_support::TempDir first;
  testing_support::TempDir second;
  MakeTree(first.path(), {"a%20b"});
  MakeTree(second.path(), {"c%20d", "e%20f"});
  const auto run = WalkInChild({WalkSpec{first.engine_path(), u"*"}, WalkSpec{second.engine_path(), u"*"}},
                               OPT_PROMPT | OPT_NO_SUMMARY, {{"A", {}}});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.prompts, 1);
  EXPECT_EQ(run.tally.fixed, 3u);
  EXPECT_EQ(run.result, 0);
}

TEST(Prompt, QuitInASubdirectoryEndsTheWholeWalk) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "sub/", "sub/c%20d", "sub/e%20f", "sub/deeper/", "sub/deeper/g%20h"});
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_PROMPT | OPT_RECURSE, {{"Y", {}}, {"Q", {}}});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, -3);
  EXPECT_EQ(run.prompts, 2);
  EXPECT_EQ(run.tally.found, 2u) << "the entry answered Quit is counted, none after it";
  EXPECT_EQ(run.tally.fixed, 1u);
  EXPECT_EQ(run.tally.skipped, 1u);
  const std::string root = dir.path().string() + "/";
  EXPECT_EQ(run.out, "\nFound 1, fixed 1, failed 0, skipped 0 in \"" + root + "\"\n\n")
      << "the quitting directory prints no report";
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "sub/deeper/g%20h"));
}

// Entries with nothing to do print nothing, so which of them were counted is
// seen only in the tally: after Quit it holds those enumerated up to the Quit
// entry, and none enumerated after it, wherever they stand.
TEST(Prompt, QuitCountsTheEntriesWithNothingToDoUpToItsEntryOnly) {
  testing_support::TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    files.push_back(i % 10 == 3 ? "x%20" + std::to_string(i) : "tidy" + std::to_string(i));
  }
  MakeTree(dir.path(), files);
  // The walk sees the entries in the order the directory yields them.
  std::vector<bool> untidyInOrder;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    untidyInOrder.push_back(entry.path().filename().string().find("%20") != std::string::npos);
  }
  unsigned foundUpToQuit = 0;
  for (int untidySeen = 0; untidySeen < 2; ++foundUpToQuit) {
    untidySeen += untidyInOrder[foundUpToQuit];
  }

  // The preview first: it leaves the directory, and so its order, as it was.
  for (const OptionFlags preview : {OPT_NOT_REALLY, OptionFlags{0}}) {
    const auto run = WalkInChild(dir.engine_path(), u"*", OPT_PROMPT | preview, {{"Y", {}}, {"Q", {}}});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.result, -3);
    EXPECT_EQ(run.prompts, 2);
    EXPECT_EQ(run.tally.found, foundUpToQuit);
    EXPECT_EQ(run.tally.fixed, preview != 0 ? 0u : 1u);
    EXPECT_EQ(run.tally.skipped, foundUpToQuit - run.tally.fixed);
    EXPECT_EQ(run.tally.failed, 0u);
    EXPECT_EQ(run.out, "") << "the quitting directory prints no report";
  }
}

// A name taken by someone else between the probe and the rename: the rename
// refuses to replace it, says why once, and both files keep their data.
TEST(RenameFailure, TargetCreatedAfterTheProbeIsNeverReplaced) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b"});
  const auto createTarget = [&] { std::ofstream(dir.path() / "a b") << "someone else's"; };
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_PROMPT | OPT_NO_SUMMARY, {{"Y", createTarget}});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(run.tally.failed, 1u);
  EXPECT_EQ(run.tally.fixed + run.tally.skipped, 0u);
  EXPECT_EQ(run.err, FailureReport("a%20b", ERROR_ALREADY_EXISTS));
  EXPECT_EQ(FileContent(dir.path() / "a%20b"), "a%20b");
  EXPECT_EQ(FileContent(dir.path() / "a b"), "someone else's");
}

TEST(RenameFailure, NoFailureForANewNameTooLongForTheFileSystem) {
  testing_support::TempDir dir;
  const std::string tail(251, 'b');
  // The clean name is taken, and its suffixed form would have 257 bytes: more
  // than a name may have here, so its stem is shortened.
  MakeTree(dir.path(), {"a " + tail, "a%20" + tail});
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_NO_SUMMARY);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.tally.found, 2u);
  EXPECT_EQ(run.tally.skipped, 1u);
  EXPECT_EQ(run.tally.fixed, 1u);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{"a " + tail.substr(2) + "-001", "a " + tail}));
  EXPECT_EQ(FileContent(dir.path() / ("a " + tail.substr(2) + "-001")), "a%20" + tail);
}

TEST(RenameFailure, ImmutableEntryIsReportedOnceAndTheWalkGoesOn) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"a%20b", "c%20d"});
  const std::string locked = (dir.path() / "a%20b").string();
  if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr +i does not work here";
  }
  const auto run = WalkInChild(dir.engine_path(), u"*", OPT_NO_SUMMARY);
  const auto quiet = WalkInChild(dir.engine_path(), u"*", OPT_NO_SUMMARY | OPT_NO_ERRORS);
  std::system(("chattr -i '" + locked + "'").c_str());
  ASSERT_TRUE(run.finished && quiet.finished);
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(run.tally.fixed, 1u);
  EXPECT_EQ(run.tally.failed, 1u);
  EXPECT_EQ(run.err, FailureReport("a%20b", ERROR_ACCESS_DENIED));
  EXPECT_EQ(ListTree(dir.path()), (std::vector<std::string>{"a%20b", "c d"}));
  EXPECT_EQ(FileContent(dir.path() / "a%20b"), "a%20b");

  EXPECT_EQ(quiet.err, "") << "/N:E silences the report";
  EXPECT_EQ(quiet.tally.failed, 1u) << "and the failure still counts";
  EXPECT_EQ(quiet.result, 2);
}

}  // namespace
