#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "host/standalone_posix.h"
#include "host/typed_specs.h"
#include "tests/command/case_name.h"
#include "tests/support/temp_dir.h"

namespace {

StandaloneCommand command;

std::int32_t Translate(const std::vector<std::string>& arguments, std::int32_t depth) {
  std::vector<std::string> storage = arguments;
  std::vector<char*> argv;
  static char programName[] = "purifile";
  argv.push_back(programName);
  for (std::string& argument : storage) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  return TranslatePosixArguments(static_cast<int>(storage.size() + 1), argv.data(), depth, &command);
}

std::u16string UpperAscii(std::u16string text) {
  for (char16_t& ch : text) {
    if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
  }
  return text;
}

struct TranslationCase {
  const char* name;
  std::vector<std::string> arguments;
  std::int32_t depth;
  std::u16string tail;
  std::vector<std::u16string> registered;  // file specifications, as passed
};

class Translation : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(Translation, WritesTheTailTheCommandTakes) {
  const TranslationCase& c = GetParam();
  ASSERT_EQ(Translate(c.arguments, c.depth), 0);
  EXPECT_EQ(std::u16string(command.tail), c.tail);
  // Each specification's upper-cased argument resolves to its own spelling.
  for (const std::u16string& spec : c.registered) {
    EXPECT_EQ(std::u16string(TypedFileSpec(UpperAscii(spec).c_str())), spec);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Standalone, Translation,
    ::testing::Values(
        TranslationCase{"OptionsTakeASolidus", {"-b", "-n:s", "-k:bp", "*.txt"}, 2,
                        u"\"/b\" \"/n:s\" \"/k:bp\" \"*.txt\" ", {u"*.txt"}},
        TranslationCase{"ListsKeepBlanksAndSolidi", {"-q:a b/c", "-r:xyz", "f"}, 0,
                        u"\"/q:a b/c\" \"/r:xyz\" \"f\" ", {u"f"}},
        TranslationCase{"QuotationMarkDroppedFromAnOption", {"-q:a\"b", "f"}, 0, u"\"/q:ab\" \"f\" ", {u"f"}},
        TranslationCase{"LongHelpAndVersion", {"--help", "--version"}, 0, u"\"/?\" \"/??\" ", {}},
        TranslationCase{"DoubleDashEndsOptions", {"-s", "--", "-b", "--help"}, 0, u"\"/s\" \"-b\" \"--help\" ",
                        {u"-b", u"--help"}},
        TranslationCase{"LoneDashIsAName", {"-"}, 0, u"\"-\" ", {u"-"}},
        TranslationCase{"AbsolutePathGoesRelative", {"/home/Me/*.TXT"}, 2, u"\"../../home/Me/*.TXT\" ",
                        {u"../../home/Me/*.TXT"}},
        TranslationCase{"AbsolutePathFromTheRoot", {"//srv/x"}, 0, u"\"srv/x\" ", {u"srv/x"}},
        TranslationCase{"TheRootItself", {"/"}, 1, u"\"../.\" ", {u"../."}},
        TranslationCase{"TheRootFromTheRoot", {"/"}, 0, u"\".\" ", {u"."}},
        TranslationCase{"BlanksInsideANameKept", {"my file.txt"}, 0, u"\"my file.txt\" ", {u"my file.txt"}},
        TranslationCase{"QuotationMarksBecomeWildcards", {"say \"hi\".txt"}, 0, u"\"say ?hi?.txt\" ",
                        {u"say ?hi?.txt"}},
        TranslationCase{"TrailingBlanksBecomeWildcards", {"a.txt \t"}, 0, u"\"a.txt??\" ", {u"a.txt??"}},
        TranslationCase{"BytesThatAreNotUtf8Travel", {"a\xff.txt"}, 0, u"\"a\xDCFF.txt\" ", {u"a\xDCFF.txt"}},
        TranslationCase{"SameNameInTwoSpellings", {"Docs", "DOCS"}, 0, u"\"Docs\" \"DOCS\" ", {u"Docs", u"DOCS"}},
        TranslationCase{"NothingAtAll", {}, 3, u"", {}}),
    CaseName());

TEST(Standalone, HelpAddsThePosixNotes) {
  ASSERT_EQ(Translate({"--help"}, 0), 0);
  ASSERT_NE(command.closingNote, nullptr);
  EXPECT_NE(std::u16string(command.closingNote).find(u"Quote wildcards"), std::u16string::npos);
  ASSERT_EQ(Translate({"-b", "x"}, 0), 0);
  EXPECT_EQ(command.closingNote, nullptr);
}

struct RefusalCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, ReportsAndPassesNothingOn) {
  const RefusalCase& c = GetParam();
  ::testing::internal::CaptureStderr();
  const std::int32_t result = Translate(c.arguments, 0);
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, 1);
  EXPECT_NE(error.find("Purifile plugin: "), std::string::npos) << error;
  EXPECT_NE(error.find(c.message), std::string::npos) << error;
}

std::vector<std::string> ManyNames(int count) {
  std::vector<std::string> names;
  // Appended rather than formed by "literal + string", which GCC 12 at -O3
  // takes for an overlapping copy (-Wrestrict); so is the expected tail below.
  for (int i = 0; i < count; ++i) names.push_back(std::string("f").append(std::to_string(i)));
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Standalone, Refusal,
    ::testing::Values(RefusalCase{"UnknownLongOption", {"-b", "--frobnicate", "x"}, "Unknown option \"--frobnicate\""},
                      RefusalCase{"MoreArgumentsThanTheCommandKeeps", ManyNames(1025), "Too many arguments"},
                      RefusalCase{"ArgumentLongerThanAnyPath", {std::string(MAX_ARG_LEN, 'x')},
                                  "Command line too long"},
                      RefusalCase{"TailLongerThanTheCommandTakes", std::vector<std::string>(20, std::string(1000, 'x')),
                                  "Command line too long"}),
    CaseName());

TEST(Standalone, AsManyArgumentsAsTheCommandKeepsPass) {
  ASSERT_EQ(Translate(ManyNames(1024), 0), 0);
  EXPECT_NE(std::u16string(command.tail).find(u"\"f1023\" "), std::u16string::npos);
}

// The current directory was removed under the program: a relative
// specification names nothing and must not be taken from the root instead.
TEST(Standalone, WithoutACurrentDirectoryOnlyAbsolutePathsPass) {
  ASSERT_EQ(Translate({"-n", "/srv/x", "/"}, -1), 0);
  EXPECT_EQ(std::u16string(command.tail), u"\"/n\" \"srv/x\" \".\" ");

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Translate({"/srv/x", "*"}, -1), 1);
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("Purifile plugin: Cannot resolve \"*\": there is no current directory"), std::string::npos)
      << error;
}

std::vector<char*> ArgumentVector(std::vector<std::string>& arguments) {
  static char programName[] = "purifile";
  std::vector<char*> argv{programName};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

TEST(Standalone, RemovedCurrentDirectoryIsNeverReplacedByTheRootForRelativePaths) {
  const std::filesystem::path earlier = std::filesystem::current_path();
  testing_support::TempDir dir;
  const std::filesystem::path gone = dir.path() / "gone";
  std::filesystem::create_directory(gone);
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  char where[PATH_MAX];

  std::vector<std::string> relative{"-s", "*"};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(PrepareStandaloneCommand(3, ArgumentVector(relative).data(), &command), 1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(getcwd(where, sizeof where), nullptr) << "moved to " << where;

  std::vector<std::string> absolute{dir.path().string() + "/*"};
  EXPECT_EQ(PrepareStandaloneCommand(2, ArgumentVector(absolute).data(), &command), 0);
  ASSERT_NE(getcwd(where, sizeof where), nullptr);
  EXPECT_EQ(std::string(where), "/");
  EXPECT_EQ(std::u16string(command.tail),
            std::u16string(u"\"").append(dir.path().relative_path().u16string()).append(u"/*\" "));
  std::filesystem::current_path(earlier);
}

}  // namespace
