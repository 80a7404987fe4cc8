// Faults that need a file system of their own: a read-only mount, and a FUSE
// file system (bindfs) that refuses RENAME_NOREPLACE, so that renames take the
// fallback that must not replace an entry either. Mounting needs root (as in
// CI) and, for the second, bindfs and /dev/fuse; a test that cannot mount
// says why and is skipped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/faults/fault_helpers_posix.h"
#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"
#include "tests/walker/walk_in_child_posix.h"

namespace {

namespace fs = std::filesystem;
using fault_testing::FailureReport;
using fault_testing::Inventory;
using walker_testing::FileContent;
using walker_testing::ListTree;
using walker_testing::MakeTree;

std::u16string EnginePath(const fs::path& path) { return path.u16string() + u"/"; }

TEST(ReadOnlyMount, EveryRenameFailsAsWriteProtectedAndNothingChanges) {
  testing_support::TempDir dir;
  const fs::path mount = dir.path() / "mnt";
  fs::create_directory(mount);
  if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  }
  MakeTree(mount, {"a%20b", "c%3Fd", "e f"});
  const auto before = Inventory(mount);
  ASSERT_EQ(::mount(nullptr, mount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
  const auto run = fault_testing::WalkInChild(EnginePath(mount), u"*", OPT_NO_SUMMARY);
  const auto after = Inventory(mount);
  const auto names = ListTree(mount);
  umount(mount.c_str());

  ASSERT_TRUE(run.finished) << run.err;
  EXPECT_EQ(run.result, 2);
  EXPECT_EQ(run.tally.found, 3u);
  EXPECT_EQ(run.tally.failed, 2u);
  EXPECT_EQ(run.tally.skipped, 1u);
  EXPECT_NE(run.err.find(FailureReport("a%20b", ERROR_WRITE_PROTECT)), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(FailureReport("c%3Fd", ERROR_WRITE_PROTECT)), std::string::npos) << run.err;
  EXPECT_EQ(names, (std::vector<std::string>{"a%20b", "c%3Fd", "e f"}));
  EXPECT_EQ(after, before);
}

// A bindfs view of a directory: its renameat2 refuses RENAME_NOREPLACE with
// EINVAL, as FUSE file systems do whose server has no use for the flag.
class WithoutNoReplace : public testing::Test {
 protected:
  void SetUp() override {
    source_ = dir_.path() / "source";
    view_ = dir_.path() / "view";
    fs::create_directories(source_);
    fs::create_directories(view_);
    if (access("/dev/fuse", R_OK | W_OK) != 0 || std::system("command -v bindfs >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "bindfs or /dev/fuse is missing: no FUSE file system to test against";
    }
    if (std::system(("bindfs '" + source_.string() + "' '" + view_.string() + "' 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "bindfs cannot mount here";
    }
    mounted_ = true;
    std::ofstream(view_ / "probe") << "";
    const bool refused = syscall(SYS_renameat2, AT_FDCWD, (view_ / "probe").c_str(), AT_FDCWD,
                                 (view_ / "probe2").c_str(), RENAME_NOREPLACE) != 0 &&
                         errno == EINVAL;
    fs::remove(view_ / "probe");
    fs::remove(view_ / "probe2");
    if (!refused) {
      GTEST_SKIP() << "this bindfs supports RENAME_NOREPLACE: the fallback is not reached through it";
    }
  }
  void TearDown() override {
    if (mounted_) {
      std::system(("fusermount -u '" + view_.string() + "'").c_str());
    }
  }

  testing_support::TempDir dir_;
  fs::path source_;
  fs::path view_;
  bool mounted_ = false;
};

TEST_F(WithoutNoReplace, FilesAndDirectoriesAreRenamedAndUniqueNamesKept) {
  MakeTree(view_, {"a%20b", "a b", "d%20e/", "d%20e/inside"});
  const auto before = Inventory(source_);
  const auto files = fault_testing::WalkInChild(EnginePath(view_), u"*", OPT_NO_SUMMARY);
  const auto directories = fault_testing::WalkInChild(EnginePath(view_), u"*", OPT_NO_SUMMARY | OPT_DIRECTORIES);
  ASSERT_TRUE(files.finished && directories.finished) << files.err << directories.err;
  EXPECT_EQ(files.err + directories.err, "");
  EXPECT_EQ(files.tally.fixed + directories.tally.fixed, 2u);
  EXPECT_EQ(ListTree(view_), (std::vector<std::string>{"a b", "a b-001", "d e/", "d e/inside"}));
  EXPECT_EQ(FileContent(view_ / "a b-001"), "a%20b");
  EXPECT_EQ(FileContent(view_ / "a b"), "a b");
  EXPECT_EQ(Inventory(source_), before) << "an entry was lost, added, moved or changed";
}

TEST_F(WithoutNoReplace, ATargetCreatedBetweenProbeAndRenameIsNotReplaced) {
  MakeTree(view_, {"a%20b", "x%20y/"});
  const auto createFile = [&] { std::ofstream(view_ / "a b") << "someone else's"; };
  const auto createDirectory = [&] { fs::create_directory(view_ / "x y"); };
  const auto file = walker_testing::WalkInChild(EnginePath(view_), u"*", OPT_PROMPT | OPT_NO_SUMMARY, {{"Y", createFile}});
  const auto directory = walker_testing::WalkInChild(EnginePath(view_), u"*",
                                                     OPT_PROMPT | OPT_NO_SUMMARY | OPT_DIRECTORIES,
                                                     {{"Y", createDirectory}});
  ASSERT_TRUE(file.finished && directory.finished);
  EXPECT_EQ(file.tally.failed, 1u);
  EXPECT_EQ(directory.tally.failed, 1u);
  EXPECT_EQ(file.err, FailureReport("a%20b", ERROR_ALREADY_EXISTS));
  EXPECT_EQ(directory.err, FailureReport("x%20y", ERROR_ALREADY_EXISTS));
  EXPECT_EQ(FileContent(view_ / "a b"), "someone else's");
  EXPECT_EQ(FileContent(view_ / "a%20b"), "a%20b");
  EXPECT_EQ(ListTree(view_), (std::vector<std::string>{"a b", "a%20b", "x y/", "x%20y/"}));
}

}  // namespace
