// The paths handed to the file system for the paths the walk shows.
#include <gtest/gtest.h>

#include <string>

#include "core/host_services.h"
#include "tests/support/capture.h"
#include "walker/path_text.h"

namespace {

using testing_support::ToUtf8;

struct FormedPath {
  const char16_t* shown;
  const char16_t* handedOver;
};

// A component that ends in a dot or a blank, or a last one that is a device
// name, would be rewritten by Win32 path rules: the whole path goes in its
// long-path form. Everything else as it is.
constexpr FormedPath kFormedPaths[] = {
    {u"C:\\dir\\bar", u"C:\\dir\\bar"},
    {u"C:\\dir\\bar ", u"\\\\?\\C:\\dir\\bar "},
    {u"C:\\dir\\foo.", u"\\\\?\\C:\\dir\\foo."},
    {u"C:\\dir.\\*", u"\\\\?\\C:\\dir.\\*"},
    {u"C:\\dir \\", u"\\\\?\\C:\\dir \\"},
    {u"z:\\a\\b.c\\d", u"z:\\a\\b.c\\d"},
    {u"C:\\a..\\b", u"\\\\?\\C:\\a..\\b"},
    {u"C:\\", u"C:\\"},
    {u"\\\\server\\share\\dir.\\x", u"\\\\?\\UNC\\server\\share\\dir.\\x"},
    {u"\\\\server\\share\\dir\\x", u"\\\\server\\share\\dir\\x"},
    {u"\\\\?\\C:\\dir.\\x", u"\\\\?\\C:\\dir.\\x"},
    {u"\\\\.\\pipe\\x.", u"\\\\.\\pipe\\x."},
    {u"/home/user/dir./bar ", u"/home/user/dir./bar "},
    // A name Win32 takes for a device is reached in the long-path form only.
    {u"C:\\dir\\con", u"\\\\?\\C:\\dir\\con"},
    {u"C:\\dir\\nul.txt", u"\\\\?\\C:\\dir\\nul.txt"},
    {u"\\\\server\\share\\COM1", u"\\\\?\\UNC\\server\\share\\COM1"},
    {u"C:\\console\\x", u"C:\\console\\x"},
    {u"/home/user/con", u"/home/user/con"},
};

TEST(FileSystemPath, LongPathFormWhereWin32WouldRewriteAComponent) {
  for (const FormedPath& row : kFormedPaths) {
    char16_t buffer[MAX_ARG_LEN];
    const char16_t* formed = FileSystemPath(row.shown, buffer);
    ASSERT_NE(formed, nullptr) << ToUtf8(row.shown);
    EXPECT_EQ(std::u16string(formed), std::u16string(row.handedOver)) << ToUtf8(row.shown);
  }
}

TEST(SearchedPath, LongPathFormAlsoBeyondThePlainLimit) {
  const std::u16string atLimit = u"C:\\" + std::u16string(PLAIN_PATH_LIMIT - 3, u'd');
  const std::u16string beyond = atLimit + u"\\*";
  const std::u16string unc = u"\\\\server\\share\\" + std::u16string(PLAIN_PATH_LIMIT, u'd');
  const std::u16string posix = u"/" + std::u16string(PLAIN_PATH_LIMIT, u'd');
  char16_t buffer[MAX_ARG_LEN];
  EXPECT_EQ(SearchedPath(atLimit.c_str(), buffer), atLimit.c_str());
  EXPECT_EQ(std::u16string(SearchedPath(beyond.c_str(), buffer)), u"\\\\?\\" + beyond);
  EXPECT_EQ(std::u16string(SearchedPath(unc.c_str(), buffer)), u"\\\\?\\UNC\\" + unc.substr(2));
  EXPECT_EQ(SearchedPath(posix.c_str(), buffer), posix.c_str());
  EXPECT_EQ(std::u16string(SearchedPath(u"C:\\dir.\\*", buffer)), u"\\\\?\\C:\\dir.\\*");
}

TEST(FileSystemPath, LongPathFormThatDoesNotFitIsRefused) {
  std::u16string path = u"C:\\";
  path.append(MAX_ARG_LEN - 5, u'x');
  path += u".";
  ASSERT_EQ(path.size(), static_cast<std::size_t>(MAX_ARG_LEN - 1));
  char16_t buffer[MAX_ARG_LEN];
  EXPECT_EQ(FileSystemPath(path.c_str(), buffer), nullptr);
  path.pop_back();
  EXPECT_EQ(FileSystemPath(path.c_str(), buffer), path.c_str()) << "nothing to rewrite: handed over as it is";
}

}  // namespace
