// The fault scenarios that Wine can produce, through the real Win32 calls: a
// directory gone or not a directory, an entry that vanishes and names taken
// between the probe and the rename, and a name that grows past the limit of
// the file system below. Each is reported, counted, and loses nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "command/diagnostics.h"
#include "core/options.h"
#include "tests/faults/race_cases.h"
#include "platform/win32.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "walker/walker.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CaptureOutput;
using walker_testing::FileContent;
using walker_testing::ListTree;
using walker_testing::MakeTree;

struct Walked {
  std::int32_t result = -9;
  RenameTally tally{0, 0, 0, 0};
  std::string err;
};

Walked Walk(const std::u16string& directory, OptionFlags options) {
  Walked walked;
  walked.err = CaptureOutput([&] {
                 walked.result = WalkDirectory(directory.c_str(), u"*", &options, nullptr, nullptr, &walked.tally);
               }).standardError;
  return walked;
}

// The walk with its keys on a pipe: the prompt waits for a key, which comes
// only after the fault is made, so the fault falls between the probe that
// chose the new name and the rename.
Walked WalkWithFaultAtPrompt(const std::u16string& directory, OptionFlags options, const std::function<void()>& fault) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  Walked walked;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) {
    return walked;
  }
  const HANDLE previous = GetStdHandle(STD_INPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, readEnd);
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    fault();
    DWORD written = 0;
    WriteFile(writeEnd, "y", 1, &written, nullptr);
    CloseHandle(writeEnd);
  });
  walked = Walk(directory, options | OPT_PROMPT);
  typist.join();
  SetStdHandle(STD_INPUT_HANDLE, previous);
  CloseHandle(readEnd);
  return walked;
}

std::string ErrorText(DWORD code) {
  char16_t text[1024];
  SystemErrorText(code, text);
  return testing_support::ToUtf8(text);
}

TEST(UnreadableDirectory, GoneOrNotADirectoryIsReportedAsNotFound) {
  testing_support::TempDir dir;
  MakeTree(dir.path(), {"gone/", "gone/a%20b", "plain"});
  fs::remove_all(dir.path() / "gone");
  for (const char16_t* walked : {u"gone\\", u"plain\\"}) {
    const Walked run = Walk(dir.engine_path() + walked, OPT_NO_SUMMARY);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.tally.found + run.tally.fixed + run.tally.failed + run.tally.skipped, 0u);
    EXPECT_NE(run.err.find("File not found:"), std::string::npos) << run.err;
  }
  EXPECT_EQ(ListTree(dir.path()), std::vector<std::string>{"plain"});
}

class RenameRaces : public testing::TestWithParam<fault_testing::RaceCase> {};

TEST_P(RenameRaces, ReportedCountedAndNothingReplaced) {
  const fault_testing::RaceCase& c = GetParam();
  testing_support::TempDir dir;
  MakeTree(dir.path(), c.entries);
  const Walked run = WalkWithFaultAtPrompt(dir.engine_path(), c.options | OPT_NO_SUMMARY, [&] { c.fault(dir.path()); });
  EXPECT_EQ(run.result, 2) << c.what;
  EXPECT_EQ(run.tally.failed, 1u) << c.what;
  EXPECT_EQ(run.tally.fixed, 0u) << c.what;
  EXPECT_NE(run.err.find("Error renaming \"" + c.failedName + "\":\r\n    " + ErrorText(c.error)), std::string::npos)
      << c.what << "\n" << run.err;
  EXPECT_EQ(ListTree(dir.path()), c.namesAfter) << c.what;
  EXPECT_TRUE(fault_testing::ContentsKept(dir.path(), c)) << c.what << ": a file lost its content or was replaced";
}

INSTANTIATE_TEST_SUITE_P(Faults, RenameRaces, testing::ValuesIn(fault_testing::kRaceCases));

// Under Wine a name is stored in UTF-8 on the Linux file system below, whose
// names have at most 255 bytes: U+0085 (two bytes) becomes U+2026 (three).
// Wine may refuse the longer name or shorten it (it has been seen to keep 85
// of the 86 characters); either way the entry must still be there once, with
// its content, and a refusal must be reported.
TEST(NameTooLong, ANameThatGrowsPastTheLimitLosesNothing) {
  testing_support::TempDir dir;
  std::string name;
  for (int i = 0; i < 86; ++i) {
    name += "\xC2\x85";
  }
  MakeTree(dir.path(), {name});
  const Walked run = Walk(dir.engine_path(), OPT_NO_SUMMARY);
  EXPECT_EQ(run.tally.found, 1u);
  EXPECT_EQ(run.tally.fixed + run.tally.failed, 1u);
  EXPECT_EQ(run.tally.failed != 0, run.err.find("Error renaming") != std::string::npos) << run.err;
  const std::vector<std::string> names = ListTree(dir.path());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(FileContent(dir.path() / walker_testing::Utf8Path(names.front())), name);
}

}  // namespace
