// Faults that need a file system of their own: a read-only mount, a FUSE
// file system (bindfs) that refuses RENAME_NOREPLACE, so that renames take the
// fallback that must not replace an entry either, and an exFAT image, whose
// names are found in any letter case. Mounting needs root (as in CI) and, for
// the others, bindfs or exfat-fuse, losetup and /dev/fuse; a test that cannot
// mount says why and is skipped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
  // The real run, and the previews that tell what it would give: the
  // standalone programs' and a check's (the plug-in's preview shows the
  // renames, as it always has).
  struct Run {
    const char* name;
    OptionFlags options;
    bool fails;
  };
  const Run runs[] = {
      {"real run", 0, true},
      {"standalone preview", OPT_NOT_REALLY | OPT_PREVIEW_FAILURES, true},
      {"check", OPT_NOT_REALLY | OPT_CHECK, true},
      {"plug-in preview", OPT_NOT_REALLY, false},
  };
  for (const Run& each : runs) {
    const auto run = fault_testing::WalkInChild(EnginePath(mount), u"*", OPT_NO_SUMMARY | each.options);
    ASSERT_TRUE(run.finished) << each.name << ": " << run.err;
    EXPECT_EQ(run.result, each.fails ? 2 : 0) << each.name;
    EXPECT_EQ(run.tally.found, 3u) << each.name;
    EXPECT_EQ(run.tally.failed, each.fails ? 2u : 0u) << each.name;
    EXPECT_EQ(run.tally.skipped, each.fails ? 1u : 3u) << each.name;
    if (each.fails) {
      EXPECT_NE(run.err.find(FailureReport("a%20b", ERROR_WRITE_PROTECT)), std::string::npos) << run.err;
      EXPECT_NE(run.err.find(FailureReport("c%3Fd", ERROR_WRITE_PROTECT)), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.err, "") << each.name;
    }
  }
  const auto after = Inventory(mount);
  const auto names = ListTree(mount);
  umount(mount.c_str());

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

// An exFAT image on a loop device, mounted by exfat-fuse.
class OnExfat : public testing::Test {
 protected:
  void SetUp() override {
    mount_ = dir_.path() / "mnt";
    fs::create_directory(mount_);
    const fs::path image = dir_.path() / "image";
    std::ofstream(image).close();
    fs::resize_file(image, 16u << 20);
    if (access("/dev/fuse", R_OK | W_OK) != 0 ||
        std::system("command -v mkfs.exfat mount.exfat-fuse losetup >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "exfat-fuse, mkfs.exfat, losetup or /dev/fuse is missing: no exFAT to test on";
    }
    FILE* found = popen(("losetup --find --show '" + image.string() + "' 2>/dev/null").c_str(), "r");
    char device[64] = {};
    if (found == nullptr || std::fgets(device, sizeof device, found) == nullptr || pclose(found) != 0) {
      GTEST_SKIP() << "no loop device here (losetup needs root)";
    }
    loop_ = std::string(device, std::strcspn(device, "\n"));
    if (std::system(("mkfs.exfat '" + loop_ + "' >/dev/null 2>&1 && mount.exfat-fuse '" + loop_ + "' '" +
                     mount_.string() + "' >/dev/null 2>&1")
                        .c_str()) != 0) {
      GTEST_SKIP() << "exFAT cannot be made or mounted here";
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) {
      umount(mount_.c_str());
    }
    if (!loop_.empty()) {
      std::system(("losetup --detach '" + loop_ + "'").c_str());
    }
  }

  testing_support::TempDir dir_;
  fs::path mount_;
  std::string loop_;
  bool mounted_ = false;
};

// The rename lines of a walk's output.
std::vector<std::string> RenameLines(const std::string& out) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = out.substr(start, end - start);
    if (line.find("\u2500\u25BA") != std::string::npos) {
      lines.push_back(line);
    }
  }
  return lines;
}

// exFAT finds "caf\u00E9" once "CAF\u00C9" is there: the preview gives the
// second the suffix the real run gives it, in every alphabet.
TEST_F(OnExfat, PreviewFindsNamesInAnyLetterCaseAsTheRealRun) {
  MakeTree(mount_, {"CAF%C3%89", "caf%C3%A9", "%CE%A3%20", "%CF%83"});
  const auto preview = fault_testing::WalkInChild(EnginePath(mount_), u"*", OPT_UTF8 | OPT_NOT_REALLY);
  const auto real = fault_testing::WalkInChild(EnginePath(mount_), u"*", OPT_UTF8);
  ASSERT_TRUE(preview.finished && real.finished) << preview.err << real.err;
  EXPECT_EQ(real.tally.fixed, 4u) << real.err;
  EXPECT_EQ(RenameLines(preview.out), RenameLines(real.out));
  // Of each pair, the one renamed second (in the order exFAT lists them) got the suffix.
  const auto names = ListTree(mount_);
  EXPECT_EQ(names.size(), 4u);
  EXPECT_EQ(std::count_if(names.begin(), names.end(),
                          [](const std::string& name) { return name.size() > 4 && name.substr(name.size() - 4) == "-001"; }),
            2)
      << real.out;
}

}  // namespace
