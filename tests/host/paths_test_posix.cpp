#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/host_services.h"
#include "tests/support/temp_dir.h"

namespace {

// The true name is the path as written, made absolute: a symbolic link in it
// stays a link, so a rename acts on the entry the user named.
TEST(QueryTrueName, LinksAreNotFollowed) {
  testing_support::TempDir temp;
  std::filesystem::create_directory(temp.path() / "real");
  std::filesystem::create_directory_symlink(temp.path() / "real", temp.path() / "link");
  const std::u16string spec = temp.engine_path() + u"link/*.TXT";
  std::u16string trueName(MAX_ARG_LEN, u'#');
  QueryTrueName(spec.c_str(), trueName.data());
  EXPECT_EQ(std::u16string(trueName.c_str()), spec);

  const std::u16string dotted = temp.engine_path() + u"link/../real/./a.txt";
  QueryTrueName(dotted.c_str(), trueName.data());
  EXPECT_EQ(std::u16string(trueName.c_str()), temp.engine_path() + u"real/a.txt");
}

// A trailing blank is part of a POSIX name: "k%20 " never names "k%20".
TEST(QueryTrueName, TrailingBlanksStay) {
  testing_support::TempDir temp;
  const std::u16string spec = temp.engine_path() + u"k%20 ";
  std::u16string trueName(MAX_ARG_LEN, u'#');
  QueryTrueName(spec.c_str(), trueName.data());
  EXPECT_EQ(std::u16string(trueName.c_str()), spec);
}

}  // namespace
