#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/host_services.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

std::u16string TrueName(const std::u16string& spec) {
  std::u16string buffer(MAX_ARG_LEN, u'#');
  QueryTrueName(spec.c_str(), buffer.data());
  return std::u16string(buffer.c_str());
}

TEST(QueryTrueName, FullPathFromTheCurrentDirectory) {
  const std::u16string current = std::filesystem::current_path().u16string();
  EXPECT_EQ(TrueName(u"name.txt"), current + static_cast<char16_t>(PATH_SEPARATOR) + u"name.txt");

  TempDir temp;
  const std::u16string full = temp.engine_path() + u"missing" + static_cast<char16_t>(PATH_SEPARATOR) + u"*.TXT";
  EXPECT_EQ(TrueName(full), full);
}

TEST(QueryTrueName, EmptyWhenNoPathCanBeFormed) {
  EXPECT_EQ(TrueName(u""), u"");
  EXPECT_EQ(TrueName(std::u16string(MAX_ARG_LEN, u'x')), u"");

  std::u16string buffer(8, u'#');
  QueryTrueName(nullptr, buffer.data());
  EXPECT_EQ(buffer[0], u'\0');
}

// A file specification is resolved exactly as given: letter case and quotation
// marks are part of the name (on POSIX trailing blanks too; Windows drops them
// from a full path as its path rules say).
TEST(QueryTrueName, ExactlyAsGiven) {
  TempDir temp;
  const std::u16string dir = temp.engine_path();
  for (const std::u16string name : {u"MixedCase.txt", u"say \"hi\".txt", u"caf\u00e9.TXT"}) {
    EXPECT_EQ(TrueName(dir + name), dir + name);
  }
}

TEST(QueryIsDirectory, TellsDirectoriesFilesAndNothing) {
  TempDir temp;
  std::ofstream(temp.path() / "file.txt") << "x";
  std::filesystem::create_directory(temp.path() / "sub");
  struct {
    std::u16string name;
    bool isDirectory;
    bool exists;
  } const cases[] = {
      {u"file.txt", false, true},
      {u"sub", true, true},
      {u"missing", false, false},
  };
  for (const auto& row : cases) {
    const std::u16string path = temp.engine_path() + row.name;
    const std::string shown = testing_support::ToUtf8(row.name);
    EXPECT_EQ(QueryIsDirectory(path.c_str()) != 0, row.isDirectory) << shown;
    EXPECT_EQ(QueryIsFileOrDirectory(path.c_str()) != 0, row.exists) << shown;
  }
}

}  // namespace
