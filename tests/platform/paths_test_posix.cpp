// GetFullPathNameW (text only, never the file system) and
// GetEnvironmentVariableW, with Windows' buffer conventions.
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"

namespace {

std::u16string CurrentDirectory() {
  char bytes[4096];
  EXPECT_NE(nullptr, getcwd(bytes, sizeof bytes));
  std::u16string text(4096, u'\0');
  text.resize(DecodeUtf8(bytes, std::string(bytes).size(), text.data(), text.size()));
  return text == u"/" ? u"" : text;
}

std::u16string FullPath(const std::u16string& path) {
  char16_t buffer[1024];
  const DWORD length = GetFullPathNameW(path.c_str(), 1024, buffer, nullptr);
  EXPECT_LT(length, 1024u);
  return std::u16string(buffer, length);
}

TEST(FullPath, CollapsesTheTextWithoutLookingAtTheDisk) {
  const std::u16string here = CurrentDirectory();
  struct Case {
    std::u16string path;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"/", u"/"},
      {u"/a/b", u"/a/b"},
      {u"/a/b/", u"/a/b/"},
      {u"//a///b//", u"/a/b/"},
      {u"/a/./b/.", u"/a/b"},
      {u"/a/b/..", u"/a"},
      {u"/a/b/../", u"/a/"},
      {u"/a/../../..", u"/"},
      {u"/..", u"/"},
      {u"/a/*.TXT", u"/a/*.TXT"},
      {u"/a/b?[x]", u"/a/b?[x]"},
      {u"/a/name. ", u"/a/name. "},       // trailing dots and blanks are part of a POSIX name
      {u"/a\\b/..", u"/"},                 // a backslash is an ordinary character
      {u"/no/such/dir/../x", u"/no/such/x"},
      {u"/a/...", u"/a/..."},
      {u"/a/\xDC80", u"/a/\xDC80"},
      {u"name", here + u"/name"},
      {u"./name/", here + u"/name/"},
      {u".", here.empty() ? u"/" : here},
      {u"x/../y", here + u"/y"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, FullPath(c.path)) << std::string(c.path.begin(), c.path.end());
  }
}

TEST(FullPath, BufferAndFilePart) {
  char16_t buffer[8];
  char16_t* filePart = nullptr;
  // Too small: the size needed, terminator included, and the buffer untouched.
  buffer[0] = u'#';
  EXPECT_EQ(10u, GetFullPathNameW(u"/dir/file", 9, buffer, &filePart));
  EXPECT_EQ(u'#', buffer[0]);
  EXPECT_EQ(10u, GetFullPathNameW(u"/dir/file", 0, nullptr, nullptr));
  EXPECT_EQ(6u, GetFullPathNameW(u"/d/f.x", 8, buffer, &filePart));
  EXPECT_EQ(buffer + 3, filePart);
  EXPECT_EQ(3u, GetFullPathNameW(u"/d/", 8, buffer, &filePart));
  EXPECT_EQ(nullptr, filePart);
  EXPECT_EQ(0u, GetFullPathNameW(u"", 8, buffer, &filePart));
  EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
  const std::u16string tooLong = u"/" + std::u16string(40000, u'a');
  EXPECT_EQ(0u, GetFullPathNameW(tooLong.c_str(), 8, buffer, &filePart));
  EXPECT_EQ(ERROR_FILENAME_EXCED_RANGE, GetLastError());
}

TEST(EnvironmentVariable, ValueSizesAndAbsence) {
  ASSERT_EQ(0, setenv("PURIFILE_TEST_VALUE", "caf\xC3\xA9", 1));
  ASSERT_EQ(0, setenv("PURIFILE_TEST_EMPTY", "", 1));
  unsetenv("PURIFILE_TEST_ABSENT");
  char16_t buffer[16];
  EXPECT_EQ(4u, GetEnvironmentVariableW(u"PURIFILE_TEST_VALUE", buffer, 16));
  EXPECT_EQ(std::u16string(u"caf\u00E9"), buffer);
  EXPECT_EQ(5u, GetEnvironmentVariableW(u"PURIFILE_TEST_VALUE", buffer, 4));
  EXPECT_EQ(0u, GetEnvironmentVariableW(u"PURIFILE_TEST_EMPTY", buffer, 16));
  EXPECT_EQ(u'\0', buffer[0]);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0u, GetEnvironmentVariableW(u"PURIFILE_TEST_ABSENT", buffer, 16));
  EXPECT_EQ(ERROR_ENVVAR_NOT_FOUND, GetLastError());
  unsetenv("PURIFILE_TEST_VALUE");
  unsetenv("PURIFILE_TEST_EMPTY");
}

}  // namespace
