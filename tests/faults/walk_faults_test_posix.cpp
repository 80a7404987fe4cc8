// Faults met during a walk on Linux: directories that cannot be read or
// written, entries that vanish or names that are taken between the scan and
// the rename, and names that grow past the file system's limit. Each must be
// reported with a clear message, counted, and lose or overwrite nothing.
//
// The tests run as root in CI, and permissions do not stop root: cases that
// need them run the walk in a child process that has become "nobody" first.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "command/report.h"
#include "tests/faults/fault_helpers_posix.h"
#include "tests/faults/race_cases.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "tests/walker/walk_in_child_posix.h"

namespace {

namespace fs = std::filesystem;
using fault_testing::BecomeNobody;
using fault_testing::FailureReport;
using fault_testing::Inventory;
using walker_testing::ListTree;
using walker_testing::MakeTree;

// A name of count C1 controls U+0085, two bytes each in UTF-8. Cleaning turns
// each into U+2026 (horizontal ellipsis), three bytes: the name grows by half.
std::string NextLines(std::size_t count) {
  std::string name;
  for (std::size_t i = 0; i < count; ++i) {
    name += "\xC2\x85";
  }
  return name;
}

std::string Ellipses(std::size_t count) {
  std::string name;
  for (std::size_t i = 0; i < count; ++i) {
    name += "\xE2\x80\xA6";
  }
  return name;
}

struct WalkFaultCase {
  const char* what;
  std::vector<std::string> entries;
  // Prepares the fault below root and returns the directory to walk, relative
  // to root ("" for root itself).
  std::function<std::string(const fs::path& root)> arrange;
  OptionFlags options;
  bool asNobody;
  std::int32_t result;
  RenameTally tally;
  // Standard error, with "{root}" standing for the tree's path.
  std::string err;
  std::vector<std::string> namesAfter;
};

std::string WithRoot(std::string text, const std::string& root) {
  for (std::size_t at = text.find("{root}"); at != std::string::npos; at = text.find("{root}", at + root.size())) {
    text.replace(at, 6, root);
  }
  return text;
}

const WalkFaultCase kWalkFaultCases[] = {
    {"a directory removed after the command resolved it: reported as not found, nothing counted",
     {"gone/", "gone/a%20b", "keep"},
     [](const fs::path& root) {
       fs::remove_all(root / "gone");
       return std::string("gone/");
     },
     0, false, 0, {0, 0, 0, 0},
     "Purifile plugin: File not found:  \"{root}/gone/*\"\n\n",
     {"keep"}},
    {"a file where the directory should be (ENOTDIR): reported as not found",
     {"plain"},
     [](const fs::path&) { return std::string("plain/"); },
     0, false, 0, {0, 0, 0, 0},
     "Purifile plugin: File not found:  \"{root}/plain/*\"\n\n",
     {"plain"}},
    {"a directory without read permission: reported with the system's reason, a failure, its entries untouched",
     {"locked/", "locked/a%20b"},
     [](const fs::path& root) {
       fs::permissions(root / "locked", fs::perms::owner_write | fs::perms::owner_exec | fs::perms::group_write |
                                            fs::perms::group_exec | fs::perms::others_write | fs::perms::others_exec);
       return std::string("locked/");
     },
     0, true, 2, {0, 0, 0, 0},
     fault_testing::ReadFailureReport("{root}/locked/", ERROR_ACCESS_DENIED),
     {"locked/", "locked/a%20b"}},
    {"/S with an unreadable subdirectory: the rest of the tree is cleaned, the subdirectory reported as a failure",
     {"x%20y", "locked/", "locked/a%20b"},
     [](const fs::path& root) {
       fs::permissions(root, fs::perms::all);
       fs::permissions(root / "locked", fs::perms::owner_write | fs::perms::owner_exec | fs::perms::others_write |
                                            fs::perms::others_exec);
       return std::string();
     },
     OPT_RECURSE | OPT_NO_SUMMARY, true, 2, {1, 1, 0, 0},
     fault_testing::ReadFailureReport("{root}/locked/", ERROR_ACCESS_DENIED),
     {"locked/", "locked/a%20b", "x y"}},
    {"a directory without write permission: the rename fails with access denied, the walk goes on",
     {"ro/", "ro/a%20b", "ro/c d"},
     [](const fs::path& root) {
       fs::permissions(root / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
       return std::string("ro/");
     },
     OPT_NO_SUMMARY, true, 2, {2, 0, 1, 1},
     FailureReport("a%20b", ERROR_ACCESS_DENIED),
     {"ro/", "ro/a%20b", "ro/c d"}},
    {"cleaning lengthens a name past 255 bytes: it is shortened to fit, one that just fits is made whole",
     {NextLines(86), "exact_" + NextLines(83)},
     [](const fs::path&) { return std::string(); },
     OPT_NO_SUMMARY, false, 0, {2, 2, 0, 0},
     "",
     {"exact_" + Ellipses(83), Ellipses(85)}},
};

class WalkFaults : public testing::TestWithParam<WalkFaultCase> {};

TEST_P(WalkFaults, ReportedCountedAndNothingLost) {
  const WalkFaultCase& c = GetParam();
  if (c.asNobody && geteuid() != 0) {
    GTEST_SKIP() << "only root can become another user, for whom permissions count";
  }
  testing_support::TempDir dir;
  MakeTree(dir.path(), c.entries);
  const std::string walked = c.arrange(dir.path());
  const auto before = Inventory(dir.path());
  const std::u16string directory = dir.engine_path() + walker_testing::Utf8Path(walked).u16string();
  const auto run = fault_testing::WalkInChild(directory, u"*", c.options,
                                              c.asNobody ? std::function<bool()>(BecomeNobody) : nullptr);
  // Give the tree back to root's reach before looking at it.
  std::system(("chmod -R u+rwx '" + dir.path().string() + "' 2>/dev/null").c_str());
  ASSERT_TRUE(run.finished) << c.what << "\n" << run.err;
  EXPECT_EQ(run.result, c.result) << c.what;
  EXPECT_EQ(run.tally.found, c.tally.found) << c.what;
  EXPECT_EQ(run.tally.fixed, c.tally.fixed) << c.what;
  EXPECT_EQ(run.tally.skipped, c.tally.skipped) << c.what;
  EXPECT_EQ(run.tally.failed, c.tally.failed) << c.what;
  EXPECT_EQ(run.err, WithRoot(c.err, dir.path().string())) << c.what;
  EXPECT_EQ(ListTree(dir.path()), c.namesAfter) << c.what;
  EXPECT_EQ(Inventory(dir.path()), before) << c.what << ": an entry was lost, added, moved or changed";
}

INSTANTIATE_TEST_SUITE_P(Faults, WalkFaults, testing::ValuesIn(kWalkFaultCases));

class RenameRaces : public testing::TestWithParam<fault_testing::RaceCase> {};

TEST_P(RenameRaces, ReportedCountedAndNothingReplaced) {
  const fault_testing::RaceCase& c = GetParam();
  testing_support::TempDir dir;
  MakeTree(dir.path(), c.entries);
  const auto before = Inventory(dir.path());
  const auto run = walker_testing::WalkInChild(dir.engine_path(), u"*", c.options | OPT_PROMPT | OPT_NO_SUMMARY,
                                               {{"Y", [&] { c.fault(dir.path()); }}});
  ASSERT_TRUE(run.finished) << c.what << "\n" << run.console;
  EXPECT_EQ(run.result, 2) << c.what;
  EXPECT_EQ(run.tally.failed, 1u) << c.what;
  EXPECT_EQ(run.tally.fixed, 0u) << c.what;
  EXPECT_EQ(run.err, FailureReport(c.failedName, c.error)) << c.what;
  EXPECT_EQ(ListTree(dir.path()), c.namesAfter) << c.what;

  const auto after = Inventory(dir.path());
  int removed = 0;
  for (const auto& [inode, entry] : before) {
    const auto now = after.find(inode);
    if (now == after.end()) {
      ++removed;
    } else {
      EXPECT_EQ(now->second, entry) << c.what << ": an entry was moved or changed";
    }
  }
  EXPECT_EQ(removed, c.entriesRemoved) << c.what;
  EXPECT_TRUE(fault_testing::ContentsKept(dir.path(), c)) << c.what << ": a file lost its content or was replaced";
  EXPECT_EQ(after.size() + static_cast<std::size_t>(removed), before.size() + static_cast<std::size_t>(c.entriesAdded))
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(Faults, RenameRaces, testing::ValuesIn(fault_testing::kRaceCases));

// A journal on a disk that takes no more of it: each failure to write a line
// is told, and fails the command, whichever line it is; a journal that could
// not take even its first line is not left behind.
struct JournalRoomCase {
  const char* what;
  bool roomForTheFirstLine;
  std::int32_t begun;  // BeginReport's result
  std::int32_t ended;  // EndReport's result, once begun
  const char* error;   // a part of what standard error says
};

const JournalRoomCase kJournalRoomCases[] = {
    {"no room for the first line", false, 1, 0, "Cannot create the journal"},
    {"no room for the last lines", true, 0, 2, "Cannot write the journal"},
};

class JournalRoom : public testing::TestWithParam<JournalRoomCase> {};

TEST_P(JournalRoom, EveryLineNotWrittenIsToldAndFailsTheCommand) {
  const JournalRoomCase& c = GetParam();
  testing_support::TempDir dir;
  const std::u16string journal = dir.engine_path() + u"j.jsonl";
  const char16_t* command[] = {u"purifile"};
  const ReportSettings settings{OUTPUT_TEXT, journal.c_str(), command, 1, nullptr, false, false};
  // A file may grow no further than this: writes beyond it fail (EFBIG).
  const auto limitFileSize = [](rlim_t size) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = size;
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
  };
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  // Standard error into a pipe, which no file size limit reaches.
  int errorPipe[2];
  ASSERT_EQ(pipe(errorPipe), 0);
  const int savedError = dup(STDERR_FILENO);
  dup2(errorPipe[1], STDERR_FILENO);
  close(errorPipe[1]);
  std::int32_t begun = -1;
  std::int32_t ended = 0;
  if (limitFileSize(c.roomForTheFirstLine ? RLIM_INFINITY : 0)) {
    begun = BeginReport(settings);
  }
  if (begun == 0 && limitFileSize(fs::file_size(dir.path() / "j.jsonl"))) {
    RunEvent total{};
    total.kind = EVENT_GRAND_TOTAL;
    Report(total);
    ended = EndReport();
  }
  setrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, previous);
  dup2(savedError, STDERR_FILENO);
  close(savedError);
  std::string error(4096, '\0');
  error.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(errorPipe[0], error.data(), error.size()))));
  close(errorPipe[0]);
  EXPECT_EQ(begun, c.begun) << c.what;
  EXPECT_EQ(ended, c.ended) << c.what;
  EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  EXPECT_EQ(fs::exists(dir.path() / "j.jsonl"), c.roomForTheFirstLine) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Faults, JournalRoom, testing::ValuesIn(kJournalRoomCases));

}  // namespace
