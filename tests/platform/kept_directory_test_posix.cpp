// The directory the POSIX layer keeps open, within a walk, after enumerating
// it: names given by full path must still reach what that path names now,
// after renames of the kept directory or of one above it, after the directory
// was removed and made again, when the walk goes up as well as down, and
// through links; and the walk's end lets it go, so that the next walk works in
// what its paths name then. Each test holds a KeptDirectoryScope as a walk does.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/file_identity.h"
#include "platform/kept_directory.h"
#include "platform/posix/posix_internal.h"
#include "platform/win32.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

class KeptDirectoryTest : public ::testing::Test {
 protected:
  // A path below the test's directory, in bytes and as the engine's text.
  std::string Bytes(const std::string& relative) const { return dir_.path().string() + "/" + relative; }
  std::u16string Text(const std::string& relative) const {
    const std::string bytes = Bytes(relative);
    std::u16string text(bytes.size(), u'\0');
    text.resize(DecodeUtf8(bytes.data(), bytes.size(), text.data(), text.size()));
    return text;
  }
  void MakeFile(const std::string& relative) const { std::ofstream(Bytes(relative)) << relative; }
  void MakeDirectories(const std::string& relative) const { std::filesystem::create_directories(Bytes(relative)); }
  bool Exists(const std::string& relative) const {
    return GetFileAttributesW(Text(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  std::set<std::u16string> Enumerate(const std::string& directory) const {
    std::set<std::u16string> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Text(directory + "/*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::u16string name = FoundName(found);
      if (name != u"." && name != u"..") names.insert(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
  }

  TempDir dir_;
};

TEST_F(KeptDirectoryTest, RenamesInTheListedDirectoryReachTheDisk) {
  const KeptDirectoryScope walk;
  MakeDirectories("a");
  MakeFile("a/x");
  MakeFile("a/taken");
  ASSERT_EQ(std::set<std::u16string>({u"x", u"taken"}), Enumerate("a"));
  ASSERT_TRUE(MoveFileW(Text("a/x").c_str(), Text("a/y").c_str()));
  EXPECT_FALSE(Exists("a/x"));
  EXPECT_TRUE(Exists("a/y"));
  EXPECT_EQ(0, access(Bytes("a/y").c_str(), F_OK));
  EXPECT_FALSE(MoveFileW(Text("a/y").c_str(), Text("a/taken").c_str()));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
  // Into another directory: the two paths differ in their directory.
  MakeDirectories("b");
  ASSERT_TRUE(MoveFileW(Text("a/y").c_str(), Text("b/y").c_str()));
  EXPECT_EQ(0, access(Bytes("b/y").c_str(), F_OK));
  EXPECT_EQ(std::set<std::u16string>{u"taken"}, Enumerate("a"));
}

TEST_F(KeptDirectoryTest, RenamedDirectoryIsNotReachedByItsOldPath) {
  const KeptDirectoryScope walk;
  // The kept directory itself, and a directory above the kept one.
  for (const std::string moved : {"one/a/b", "two/a"}) {
    const std::string root = moved.substr(0, moved.find('/'));
    MakeDirectories(root + "/a/b");
    MakeFile(root + "/a/b/x");
    ASSERT_EQ(std::set<std::u16string>{u"x"}, Enumerate(root + "/a/b")) << moved;
    ASSERT_TRUE(MoveFileW(Text(moved).c_str(), Text(root + "/moved").c_str())) << moved;
    MakeDirectories(root + "/a/b");  // a new, empty directory under the old path
    EXPECT_FALSE(Exists(root + "/a/b/x")) << moved;
    MakeFile(root + "/a/b/new");
    EXPECT_TRUE(Exists(root + "/a/b/new")) << moved;
    EXPECT_TRUE(MoveFileW(Text(root + "/a/b/new").c_str(), Text(root + "/a/b/newer").c_str())) << moved;
    EXPECT_EQ(0, access(Bytes(root + "/a/b/newer").c_str(), F_OK)) << moved;
  }
}

TEST_F(KeptDirectoryTest, DirectoryMadeAgainIsListedAfresh) {
  const KeptDirectoryScope walk;
  MakeDirectories("a");
  MakeFile("a/old");
  ASSERT_EQ(std::set<std::u16string>{u"old"}, Enumerate("a"));
  // Another program replaces the directory; a new walk lists it again.
  std::filesystem::remove_all(Bytes("a"));
  MakeDirectories("a/sub");
  MakeFile("a/new");
  MakeFile("a/sub/deeper");
  EXPECT_EQ(std::set<std::u16string>({u"new", u"sub"}), Enumerate("a"));
  EXPECT_TRUE(Exists("a/new"));
  EXPECT_FALSE(Exists("a/old"));
  EXPECT_EQ(std::set<std::u16string>{u"deeper"}, Enumerate("a/sub"));
}

TEST_F(KeptDirectoryTest, TheWalkWorksInTheDirectoryItListedAndTheNextWalkInTheNewOne) {
  MakeDirectories("a/sub");
  MakeFile("a/old");
  {
    const KeptDirectoryScope walk;
    ASSERT_EQ(std::set<std::u16string>({u"old", u"sub"}), Enumerate("a"));
    // Another program moves the directory away and makes it again while the
    // walk works in it: the walk's renames stay in the directory it listed.
    std::filesystem::rename(Bytes("a"), Bytes("moved"));
    MakeDirectories("a/sub");
    MakeFile("a/sub/new");
    ASSERT_TRUE(MoveFileW(Text("a/old").c_str(), Text("a/renamed").c_str()));
    EXPECT_EQ(0, access(Bytes("moved/renamed").c_str(), F_OK));
  }
  // The next walk lists what the path names now, also below the directory
  // the last one kept.
  const KeptDirectoryScope walk;
  EXPECT_EQ(std::set<std::u16string>{u"new"}, Enumerate("a/sub"));
  ASSERT_TRUE(MoveFileW(Text("a/sub/new").c_str(), Text("a/sub/renamed").c_str()));
  EXPECT_EQ(0, access(Bytes("a/sub/renamed").c_str(), F_OK));
}

TEST_F(KeptDirectoryTest, WalkDownAChainAndBackUp) {
  const KeptDirectoryScope walk;
  std::string path = "top";
  for (int level = 0; level < 60; ++level) {
    path += "/level" + std::to_string(level);
  }
  MakeDirectories(path);
  const std::string deepest = path;
  path = "top";
  for (int level = 0; level < 60; ++level) {
    MakeFile(path + "/file");
    const std::string next = "level" + std::to_string(level);
    EXPECT_EQ(std::set<std::u16string>({u"file", std::u16string(next.begin(), next.end())}), Enumerate(path))
        << path;
    ASSERT_TRUE(MoveFileW(Text(path + "/file").c_str(), Text(path + "/renamed").c_str())) << path;
    path += "/" + next;
  }
  // Back up: every level's rename is where it was made.
  for (path = deepest; path != "top"; path = path.substr(0, path.rfind('/'))) {
    const std::string parent = path.substr(0, path.rfind('/'));
    EXPECT_TRUE(Exists(parent + "/renamed")) << parent;
    EXPECT_FALSE(Exists(parent + "/file")) << parent;
  }
}

TEST_F(KeptDirectoryTest, PathsThroughALinkAndIdentities) {
  const KeptDirectoryScope walk;
  MakeDirectories("real/sub");
  MakeFile("real/sub/x");
  ASSERT_EQ(0, symlink(Bytes("real").c_str(), Bytes("link").c_str()));
  ASSERT_EQ(std::set<std::u16string>{u"x"}, Enumerate("link/sub"));
  EXPECT_TRUE(Exists("link/sub/x"));
  ASSERT_TRUE(MoveFileW(Text("link/sub/x").c_str(), Text("link/sub/y").c_str()));
  EXPECT_EQ(0, access(Bytes("real/sub/y").c_str(), F_OK));

  FileIdentity throughLink{};
  FileIdentity direct{};
  ASSERT_EQ(1, GetFileIdentity((Text("link/sub") + u"/").c_str(), &throughLink));
  ASSERT_EQ(1, GetFileIdentity((Text("real/sub") + u"/").c_str(), &direct));
  EXPECT_TRUE(SameFile(throughLink, direct));
  struct stat status {};
  ASSERT_EQ(0, stat(Bytes("real/sub").c_str(), &status));
  EXPECT_EQ(static_cast<std::uint64_t>(status.st_ino), direct.index);
  // The link itself, renamed as an entry of its directory, takes the kept
  // directory below it out of reach.
  ASSERT_TRUE(MoveFileW(Text("link").c_str(), Text("link2").c_str()));
  EXPECT_FALSE(Exists("link/sub/y"));
  EXPECT_TRUE(Exists("link2/sub/y"));
}

}  // namespace
