#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/standalone.h"
#include "tests/command/case_name.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"

namespace {

StandaloneCommandLine line;

struct Arguments {
  explicit Arguments(const std::vector<std::string>& arguments) : storage(arguments) {
    static char programName[] = "purifile";
    argv.push_back(programName);
    for (std::string& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(argv.size() - 1); }
  std::vector<std::string> storage;
  std::vector<char*> argv;
};

std::int32_t Parse(const std::vector<std::string>& arguments) {
  Arguments parsed(arguments);
  return ParseStandaloneArguments(parsed.argc(), parsed.argv.data(), &line);
}

std::u16string OrAbsent(const char16_t* list) { return list == nullptr ? u"(absent)" : std::u16string(list); }

struct ParseCase {
  const char* name;
  std::vector<std::string> arguments;
  OptionFlags flags;
  const char16_t* qList;
  const char16_t* rList;
  std::vector<std::u16string> specs;  // exactly as typed
};

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, FoldsOptionsAndKeepsSpecificationsExactly) {
  const ParseCase& c = GetParam();
  ASSERT_EQ(Parse(c.arguments), 0);
  EXPECT_EQ(line.options.flags, c.flags) << std::hex << line.options.flags;
  EXPECT_EQ(OrAbsent(line.options.qList), OrAbsent(c.qList));
  EXPECT_EQ(OrAbsent(line.options.rList), OrAbsent(c.rList));
  std::vector<std::u16string> specs(line.specs, line.specs + line.specCount);
  EXPECT_EQ(specs, c.specs);
}

INSTANTIATE_TEST_SUITE_P(
    Standalone, Parsing,
    ::testing::Values(
        ParseCase{"ShortOptionsInEverySpelling", {"-n:s", "-nf", "-n=p", "-N:E", "-b", "-K", "x"},
                  OPT_NO_SUMMARY | OPT_NO_SUFFIX | OPT_NO_PERCENT | OPT_NO_ERRORS | OPT_BLANKS |
                      OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"ListsUpperCasedWithBlanksAndSolidi", {"-q:a b/c", "-r=xyz", "f"}, 0, u"A B/C", u"XYZ", {u"f"}},
        ParseCase{"LongOptions",
                  {"--dry-run", "--recursive", "--directories", "--prompt", "--follow", "--ampersands", "--blanks",
                   "--parentheses", "--equals-hex", "--quotes", "--entities", "--high-unicode", "x"},
                  OPT_NOT_REALLY | OPT_RECURSE | OPT_DIRECTORIES | OPT_PROMPT | OPT_FOLLOW_LINKS | OPT_AMPERSANDS |
                      OPT_BLANKS | OPT_PARENTHESES | OPT_EQUALS_HEX | OPT_QUOTES | OPT_ENTITIES | OPT_HIGH_UNICODE,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"LongLeaveOuts",
                  {"--no-hidden-dirs", "--no-errors", "--no-suffix", "--no-links", "--no-percent", "--no-summary", "x"},
                  OPT_NO_HIDDEN_DIRS | OPT_NO_ERRORS | OPT_NO_SUFFIX | OPT_NO_JUNCTIONS | OPT_NO_PERCENT |
                      OPT_NO_SUMMARY,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"LongValuesJoinedOrNext", {"--replace=ab", "--replace-with", "xy", "--condense=p", "x"},
                  OPT_CONDENSE_PUNCT, u"AB", u"XY", {u"x"}},
        ParseCase{"ShortFollow", {"-L", "-s", "x"}, OPT_FOLLOW_LINKS | OPT_RECURSE, nullptr, nullptr, {u"x"}},
        ParseCase{"DoubleDashEndsOptions", {"-s", "--", "-b", "--help"}, OPT_RECURSE, nullptr, nullptr,
                  {u"-b", u"--help"}},
        ParseCase{"LoneDashIsAName", {"-"}, 0, nullptr, nullptr, {u"-"}},
        ParseCase{"AbsolutePathsAsTheyAre", {"/home/Me/*.TXT", "//srv/x", "/"}, 0, nullptr, nullptr,
                  {u"/home/Me/*.TXT", u"//srv/x", u"/"}},
        ParseCase{"QuotationMarksAndTrailingBlanksKept", {"say \"hi\".txt", "a.txt \t", "my file"}, 0, nullptr,
                  nullptr, {u"say \"hi\".txt", u"a.txt \t", u"my file"}},
        ParseCase{"BytesThatAreNotUtf8Travel", {"a\xff.txt"}, 0, nullptr, nullptr, {u"a\xDCFF.txt"}},
        ParseCase{"SameNameInTwoSpellings", {"Docs", "DOCS"}, 0, nullptr, nullptr, {u"Docs", u"DOCS"}},
        ParseCase{"SolidusPathThatIsNoOptionForm", {"/x", "/n/a"}, 0, nullptr, nullptr, {u"/x", u"/n/a"}},
        ParseCase{"NothingAtAll", {}, 0, nullptr, nullptr, {}}),
    CaseName());

TEST(Standalone, HelpAndVersionAnswer) {
  for (const char* answer : {"--help", "-?", "--version", "-??"}) {
    std::int32_t result = 0;
    const std::string out =
        testing_support::CaptureOutput([&] { result = Parse({"-b", answer, "--frobnicate"}); }).standardOutput;
    EXPECT_EQ(result, STANDALONE_ANSWERED) << answer;
    if (std::string(answer).find("version") != std::string::npos || std::string(answer) == "-??") {
      EXPECT_EQ(out, "purifile 0.45.1\n");
    } else {
      EXPECT_EQ(out.rfind("Usage: purifile [OPTION]... FILESPEC...\n", 0), 0u) << out;
    }
  }
}

// Every option of the option table and every leave-out letter is in the help.
TEST(Standalone, HelpNamesEveryOption) {
  const std::string out = testing_support::CaptureOutput([] { Parse({"--help"}); }).standardOutput;
  for (const char* text : {"-a,", "-b,", "-c,", "-d,", "-e,", "-f,", "-h,", "-k,", "-k:b", "-k:p", "-n,", "-n:LETTERS",
                           "d, --no-hidden-dirs", "e, --no-errors", "f, --no-suffix", "j, --no-links",
                           "p, --no-percent", "s, --no-summary", "-p,", "-q:LIST", "-r:LIST", "-s,", "-L, --follow",
                           "-u,", "--help", "--version", "--dry-run", "--recursive", "--directories", "--prompt"}) {
    EXPECT_NE(out.find(text), std::string::npos) << text;
  }
}

struct RefusalCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, ReportsAndRunsNothing) {
  const RefusalCase& c = GetParam();
  ::testing::internal::CaptureStderr();
  const std::int32_t result = Parse(c.arguments);
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(error.rfind("purifile: ", 0), 0u) << error;
  EXPECT_NE(error.find(c.message), std::string::npos) << error;
}

std::vector<std::string> ManyNames(int count) {
  std::vector<std::string> names;
  // Appended rather than formed by "literal + string", which GCC 12 at -O3
  // takes for an overlapping copy (-Wrestrict).
  for (int i = 0; i < count; ++i) names.push_back(std::string("f").append(std::to_string(i)));
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Standalone, Refusal,
    ::testing::Values(
        RefusalCase{"UnknownLongOption", {"-b", "--frobnicate", "x"}, "Unknown option \"--frobnicate\""},
        RefusalCase{"UnknownShortOptionAsTyped", {"-x", "x"}, "Unknown option \"-x\""},
        RefusalCase{"BadSubOptionAsTyped", {"-k:bz", "x"}, "Unknown suboption: -k:z"},
        RefusalCase{"BadLongSubOptionByItsShortForm", {"--condense=bz", "x"}, "Unknown suboption: -k:z"},
        RefusalCase{"LongFlagWithAValue", {"--blanks=1", "x"}, "Option \"--blanks\" takes no value"},
        RefusalCase{"LongListMissing", {"--replace"}, "Option \"--replace\" needs a list"},
        RefusalCase{"WindowsFormNotReally", {"/n", "*"}, "Option \"/n\" is written \"-n\" here"},
        RefusalCase{"WindowsFormWithSubOption", {"*", "/n:s"}, "Option \"/n:s\" is written \"-n:s\" here"},
        RefusalCase{"WindowsFormList", {"/q:ab", "*"}, "Option \"/q:ab\" is written \"-q:ab\" here"},
        RefusalCase{"WindowsFormHelp", {"/?"}, "Option \"/?\" is written \"-?\" here"},
        RefusalCase{"WindowsFormRecurse", {"/S", "*"}, "Option \"/S\" is written \"-S\" here"},
        RefusalCase{"MoreArgumentsThanTheCommandKeeps", ManyNames(1025), "Too many arguments"},
        RefusalCase{"ArgumentLongerThanAnyPath", {std::string(MAX_ARG_LEN, 'x')}, "Command line too long"},
        RefusalCase{"ArgumentsLongerThanTheCommandTakes", std::vector<std::string>(20, std::string(1000, 'x')),
                    "Command line too long"}),
    CaseName());

TEST(Standalone, AsManyArgumentsAsTheCommandKeepsPass) {
  ASSERT_EQ(Parse(ManyNames(1024)), 0);
  EXPECT_EQ(line.specCount, 1024);
  EXPECT_EQ(std::u16string(line.specs[1023]), u"f1023");
}

// A Windows-form option that names an existing entry is that entry.
TEST(Standalone, SolidusFormThatNamesAnEntryIsAPath) {
  ASSERT_EQ(Parse({"/tmp"}), 0);  // fits no option, exists anyway
  ASSERT_TRUE(std::filesystem::exists("/proc"));
  ASSERT_EQ(Parse({"/proc"}), 0);  // /P with a rest would be no option either: /P is whole
  ASSERT_TRUE(std::filesystem::exists("/root") || std::filesystem::exists("/run"));
  const char* prefixed = std::filesystem::exists("/run") ? "/run" : "/root";  // /R with a list, existing
  ASSERT_EQ(Parse({prefixed}), 0);
  EXPECT_EQ(std::u16string(line.specs[0]), std::filesystem::path(prefixed).u16string());
}

std::int32_t RunProgram(const std::vector<std::string>& arguments) {
  Arguments parsed(arguments);
  return RunStandaloneWith(parsed.argc(), parsed.argv.data(), &line);
}

TEST(Standalone, MissingFileSpecificationPointsToHelp) {
  std::int32_t result = 0;
  const std::string error = testing_support::CaptureOutput([&] { result = RunProgram({"-s", "-b"}); }).standardError;
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, "purifile: Missing filespec\nTry \"purifile --help\" for more information.\n");
}

// The current directory was removed under the program: a relative
// specification names nothing and must not be taken from anywhere else.
TEST(Standalone, WithoutACurrentDirectoryOnlyAbsolutePathsPass) {
  const std::filesystem::path earlier = std::filesystem::current_path();
  testing_support::TempDir dir;
  const std::filesystem::path gone = dir.path() / "gone";
  std::filesystem::create_directory(gone);
  std::ofstream(dir.path() / "tidy.txt") << "x";
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunProgram({"-s", (dir.path() / "*").string(), "*"}), 1);
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("purifile: Cannot resolve \"*\": there is no current directory"), std::string::npos)
      << error;

  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(RunProgram({"-n", (dir.path() / "*").string()}), 0);
  ::testing::internal::GetCapturedStderr();
  ::testing::internal::GetCapturedStdout();
  char where[PATH_MAX];
  EXPECT_EQ(getcwd(where, sizeof where), nullptr) << "moved to " << where;
  std::filesystem::current_path(earlier);
}

}  // namespace
