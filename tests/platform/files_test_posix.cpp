// Enumeration, attributes and renaming over a real directory: the names,
// attributes and refusals that the walker and the rename step rely on.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <string>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

std::u16string ToText(const std::string& bytes) {
  std::u16string text(bytes.size(), u'\0');
  text.resize(DecodeUtf8(bytes.data(), bytes.size(), text.data(), text.size()));
  return text;
}

void WriteFileBytes(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ino_t InodeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(0, lstat(path.c_str(), &status)) << path;
  return status.st_ino;
}

// Every entry of `directory` that FindFirstFileW/FindNextFileW yield, by name.
std::map<std::u16string, WIN32_FIND_DATAW> Enumerate(const std::u16string& searchPath) {
  std::map<std::u16string, WIN32_FIND_DATAW> entries;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(searchPath.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    entries[FoundName(found)] = found;
  } while (FindNextFileW(find, &found));
  EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
  EXPECT_TRUE(FindClose(find));
  return entries;
}

class FilesTest : public ::testing::Test {
 protected:
  std::string Bytes(const std::string& name) const { return dir_.path().string() + "/" + name; }
  std::u16string Text(const std::u16string& name) const { return dir_.engine_path() + name; }

  TempDir dir_;
};

TEST_F(FilesTest, NameThatIsNotUtf8IsFoundAndRenamedByTheNameReturned) {
  const std::string oldName = "bad\xFF\xC3(name\x80.txt";
  WriteFileBytes(Bytes(oldName), "content");

  const auto entries = Enumerate(Text(u"*"));
  ASSERT_EQ(3u, entries.size());  // ".", ".." and the file
  const std::u16string found = ToText(oldName);
  ASSERT_EQ(1u, entries.count(found));

  const std::u16string newName = u"clean_" + found + u"\u00E9";
  ASSERT_TRUE(MoveFileW(Text(found).c_str(), Text(newName).c_str())) << GetLastError();
  EXPECT_EQ("content", ReadFileBytes(Bytes("clean_" + oldName + "\xC3\xA9")));
  EXPECT_NE(0, access(Bytes(oldName).c_str(), F_OK));
}

TEST_F(FilesTest, MoveNeverReplacesAnExistingEntry) {
  WriteFileBytes(Bytes("source"), "source content");
  WriteFileBytes(Bytes("file"), "target content");
  ASSERT_EQ(0, mkdir(Bytes("directory").c_str(), 0700));
  ASSERT_EQ(0, mkdir(Bytes("empty-directory").c_str(), 0700));
  ASSERT_EQ(0, mkdir(Bytes("source-directory").c_str(), 0700));
  ASSERT_EQ(0, symlink("nowhere", Bytes("dangling").c_str()));
  const ino_t sourceInode = InodeOf(Bytes("source"));

  struct Case {
    const char* source;
    const char* target;
  };
  const Case cases[] = {
      {"source", "file"}, {"source", "directory"}, {"source", "dangling"},
      {"source-directory", "empty-directory"}, {"source-directory", "file"},
  };
  for (const Case& c : cases) {
    const std::u16string from = Text(ToText(c.source));
    const std::u16string to = Text(ToText(c.target));
    const ino_t targetInode = InodeOf(Bytes(c.target));
    EXPECT_FALSE(MoveFileW(from.c_str(), to.c_str())) << c.source << " -> " << c.target;
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError()) << c.source << " -> " << c.target;
    EXPECT_EQ(targetInode, InodeOf(Bytes(c.target)));
    // The fallback for file systems without RENAME_NOREPLACE refuses the same way.
    EXPECT_EQ(EEXIST, RenameWithoutFlag(Bytes(c.source).c_str(), Bytes(c.target).c_str()));
    EXPECT_EQ(targetInode, InodeOf(Bytes(c.target)));
  }
  EXPECT_EQ(sourceInode, InodeOf(Bytes("source")));
  EXPECT_EQ("source content", ReadFileBytes(Bytes("source")));
  EXPECT_EQ("target content", ReadFileBytes(Bytes("file")));
  char link[64] = {};
  EXPECT_EQ(7, readlink(Bytes("dangling").c_str(), link, sizeof link));
}

TEST_F(FilesTest, FallbackRenamesFilesLinksAndDirectories) {
  WriteFileBytes(Bytes("file"), "x");
  ASSERT_EQ(0, mkdir(Bytes("directory").c_str(), 0700));
  ASSERT_EQ(0, symlink("file", Bytes("link").c_str()));
  for (const char* name : {"file", "directory", "link"}) {
    const ino_t inode = InodeOf(Bytes(name));
    const std::string renamed = std::string(name) + "-renamed";
    ASSERT_EQ(0, RenameWithoutFlag(Bytes(name).c_str(), Bytes(renamed).c_str())) << name;
    EXPECT_EQ(inode, InodeOf(Bytes(renamed))) << name;
    EXPECT_NE(0, access(Bytes(name).c_str(), F_OK)) << name;
  }
  // The link was moved, not what it points at.
  EXPECT_EQ("x", ReadFileBytes(Bytes("file-renamed")));
  EXPECT_EQ(ENOENT, RenameWithoutFlag(Bytes("missing").c_str(), Bytes("other").c_str()));
}

TEST_F(FilesTest, MoveRenamesTheLinkItselfAndReportsMissingSources) {
  WriteFileBytes(Bytes("target"), "x");
  ASSERT_EQ(0, symlink("target", Bytes("link").c_str()));
  ASSERT_TRUE(MoveFileW(Text(u"link").c_str(), Text(u"renamed-link").c_str()));
  char link[64] = {};
  EXPECT_EQ(6, readlink(Bytes("renamed-link").c_str(), link, sizeof link));
  EXPECT_EQ(0, access(Bytes("target").c_str(), F_OK));

  EXPECT_FALSE(MoveFileW(Text(u"missing").c_str(), Text(u"other").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_FALSE(MoveFileW(Text(u"target/inside").c_str(), Text(u"other").c_str()));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST_F(FilesTest, AttributesOfEachKindOfEntry) {
  WriteFileBytes(Bytes("file"), "x");
  WriteFileBytes(Bytes(".hidden"), "x");
  ASSERT_EQ(0, mkdir(Bytes("directory").c_str(), 0700));
  ASSERT_EQ(0, mkdir(Bytes(".hidden-directory").c_str(), 0700));
  ASSERT_EQ(0, symlink("file", Bytes("link-to-file").c_str()));
  ASSERT_EQ(0, symlink("directory", Bytes("link-to-directory").c_str()));
  ASSERT_EQ(0, symlink("nowhere", Bytes("dangling").c_str()));
  ASSERT_EQ(0, mkfifo(Bytes("fifo").c_str(), 0600));

  const std::map<std::u16string, DWORD> expected = {
      {u".", FILE_ATTRIBUTE_DIRECTORY},
      {u"..", FILE_ATTRIBUTE_DIRECTORY},
      {u"file", FILE_ATTRIBUTE_NORMAL},
      {u"fifo", FILE_ATTRIBUTE_NORMAL},
      {u".hidden", FILE_ATTRIBUTE_HIDDEN},
      {u"directory", FILE_ATTRIBUTE_DIRECTORY},
      {u".hidden-directory", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
      {u"link-to-file", FILE_ATTRIBUTE_REPARSE_POINT},
      {u"link-to-directory", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY},
      {u"dangling", FILE_ATTRIBUTE_REPARSE_POINT},
  };
  const auto entries = Enumerate(Text(u"*"));
  ASSERT_EQ(expected.size(), entries.size());
  for (const auto& [name, attributes] : expected) {
    ASSERT_EQ(1u, entries.count(name));
    const WIN32_FIND_DATAW& found = entries.at(name);
    EXPECT_EQ(attributes, found.dwFileAttributes) << std::string(name.begin(), name.end());
    EXPECT_EQ(u'\0', FoundShortName(found)[0]);
    if (name != u"." && name != u"..") {
      EXPECT_EQ(attributes, GetFileAttributesW(Text(name).c_str())) << std::string(name.begin(), name.end());
    }
  }
}

TEST_F(FilesTest, EverySearchOtherThanAllEntriesIsRefused) {
  for (const char* name : {"a.txt", "d"}) WriteFileBytes(Bytes(name), "");
  EXPECT_EQ(4u, Enumerate(Text(u"*")).size());
  WIN32_FIND_DATAW found;
  for (const std::u16string pattern : {u"*.txt", u"?", u"d*", u"a.txt", u"d", u"", u"**"}) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(Text(pattern).c_str(), &found))
        << std::string(pattern.begin(), pattern.end());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError()) << std::string(pattern.begin(), pattern.end());
  }
}

TEST_F(FilesTest, SearchAndAttributeFailures) {
  WriteFileBytes(Bytes("d"), "");
  WIN32_FIND_DATAW found;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(Text(u"missing/*").c_str(), &found));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(Text(u"d/*").c_str(), &found));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Text(u"missing").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Text(u"d/below").c_str()));
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
  EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &found));
  EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

TEST_F(FilesTest, RelativeSearchPathsUseTheCurrentDirectory) {
  WriteFileBytes(Bytes("here"), "");
  char saved[4096];
  ASSERT_NE(nullptr, getcwd(saved, sizeof saved));
  ASSERT_EQ(0, chdir(dir_.path().c_str()));
  const auto entries = Enumerate(u"*");
  const auto below = Enumerate(u"./*");
  const DWORD attributes = GetFileAttributesW(u"here");
  ASSERT_EQ(0, chdir(saved));
  EXPECT_EQ(3u, entries.size());
  EXPECT_EQ(3u, below.size());
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, attributes);
}

}  // namespace
