#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/typed_specs.h"
#include "plugin/host_services.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

std::u16string TrueName(const std::u16string& spec) {
  std::u16string buffer(MAX_ARG_LEN, u'#');
  QueryTrueName(spec.c_str(), buffer.data());
  return std::u16string(buffer.c_str());
}

class TypedSpecs : public testing::Test {
 protected:
  void SetUp() override { ForgetTypedFileSpecs(); }
  void TearDown() override { ForgetTypedFileSpecs(); }

  TempDir temp_;
  std::u16string dir_ = temp_.engine_path();
};

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

TEST_F(TypedSpecs, UpperCasedSpecResolvesAsTyped) {
  EXPECT_EQ(RegisterTypedFileSpec((dir_ + u"MixedCase.txt").c_str()), 0);
  EXPECT_EQ(RegisterTypedFileSpec((dir_ + u"caf\u00e9.txt").c_str()), 0);
  std::u16string upperDir = dir_;
  for (char16_t& ch : upperDir) {
    if (ch >= u'a' && ch <= u'z') {
      ch = static_cast<char16_t>(ch - u'a' + u'A');
    }
  }
  EXPECT_EQ(TrueName(upperDir + u"MIXEDCASE.TXT"), dir_ + u"MixedCase.txt");
  // Only ASCII letters are upper-cased, so only that spelling leads back.
  EXPECT_EQ(TrueName(upperDir + u"CAF\u00e9.TXT"), dir_ + u"caf\u00e9.txt");
  EXPECT_EQ(TrueName(upperDir + u"CAF\u00c9.TXT"), upperDir + u"CAF\u00c9.TXT");
  // A spelling that was never registered is taken as it stands.
  EXPECT_EQ(TrueName(dir_ + u"Other.txt"), dir_ + u"Other.txt");
}

TEST_F(TypedSpecs, SpellingsThatUpperCaseAlikeAreTakenInOrder) {
  RegisterTypedFileSpec(u"a.txt");
  RegisterTypedFileSpec(u"b.txt");
  RegisterTypedFileSpec(u"A.txt");
  EXPECT_EQ(std::u16string(TypedFileSpec(u"A.TXT")), u"a.txt");
  EXPECT_EQ(std::u16string(TypedFileSpec(u"A.TXT")), u"A.txt");
  EXPECT_EQ(std::u16string(TypedFileSpec(u"A.TXT")), u"a.txt");
  EXPECT_EQ(std::u16string(TypedFileSpec(u"B.TXT")), u"b.txt");
  ForgetTypedFileSpecs();
  EXPECT_EQ(std::u16string(TypedFileSpec(u"A.TXT")), u"A.TXT");
}

TEST_F(TypedSpecs, RegistryLimits) {
  for (int i = 0; i < 1024; ++i) {
    ASSERT_EQ(RegisterTypedFileSpec(u"x"), 0) << i;
  }
  EXPECT_EQ(RegisterTypedFileSpec(u"y"), 1);
  EXPECT_EQ(std::u16string(TypedFileSpec(u"Y")), u"Y");

  ForgetTypedFileSpecs();
  const std::u16string longest(MAX_ARG_LEN - 1, u'p');
  EXPECT_EQ(RegisterTypedFileSpec(longest.c_str()), 0);
  EXPECT_EQ(RegisterTypedFileSpec(u""), 1);
  EXPECT_EQ(RegisterTypedFileSpec(nullptr), 1);
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
