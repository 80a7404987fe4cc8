#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/version.h"
#include "standalone/standalone.h"
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

// What the POSIX program adds to every command's word: lists matched as typed,
// and /S kept out of version control's directories.
constexpr OptionFlags HABITS = OPT_LISTS_AS_TYPED | OPT_NO_REPOSITORIES | OPT_PREVIEW_FAILURES | OPT_PROGRESS;

struct ParseCase {
  const char* name;
  std::vector<std::string> arguments;
  OptionFlags flags;
  const char16_t* qList;
  const char16_t* rList;
  std::vector<std::u16string> specs;  // exactly as typed
  const char16_t* journal = nullptr;  // as typed
  const char16_t* undo = nullptr;
  RunOutput output = OUTPUT_TEXT;
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
  EXPECT_EQ(OrAbsent(line.options.journal), OrAbsent(c.journal));
  EXPECT_EQ(OrAbsent(line.options.undo), OrAbsent(c.undo));
  EXPECT_EQ(line.options.output, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Standalone, Parsing,
    ::testing::Values(
        ParseCase{"ShortOptionsInEverySpelling", {"-n:s", "-n:f", "-n=p", "-n:e", "-b", "-k", "x"},
                  HABITS | OPT_NO_SUMMARY | OPT_NO_SUFFIX | OPT_NO_PERCENT | OPT_NO_ERRORS | OPT_BLANKS |
                      OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"BundlesAreSeveralOptions", {"-ns", "-sbk", "-w8L", "x"},
                  HABITS | OPT_NOT_REALLY | OPT_RECURSE | OPT_BLANKS | OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT |
                      OPT_WINDOWS_NAMES | OPT_UTF8 | OPT_FOLLOW_LINKS,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"SubOptionsEndABundle", {"-sn:se", "-bk=p", "x"},
                  HABITS | OPT_RECURSE | OPT_NO_SUMMARY | OPT_NO_ERRORS | OPT_BLANKS | OPT_CONDENSE_PUNCT, nullptr,
                  nullptr, {u"x"}},
        ParseCase{"ListsAsTypedWithBlanksAndSolidi", {"-q:a b/c", "-r=xYz", "f"}, HABITS, u"a b/c", u"xYz", {u"f"}},
        ParseCase{"ListsEndABundle", {"-bqab", "-r:-Y", "f"}, HABITS | OPT_BLANKS, u"ab", u"-Y", {u"f"}},
        ParseCase{"ListsFromTheNextArgument", {"-q", "ab", "-nr", "x-y", "f"}, HABITS | OPT_NOT_REALLY, u"ab", u"x-y",
                  {u"f"}},
        ParseCase{"EmptyListRemovesAnEarlierOne", {"-q:ab", "-q:", "f"}, HABITS, nullptr, nullptr, {u"f"}},
        ParseCase{"LongOptions",
                  {"--dry-run", "--recursive", "--directories", "--prompt", "--follow", "--ampersands", "--blanks",
                   "--parentheses", "--equals-hex", "--quotes", "--entities", "--high-unicode", "x"},
                  HABITS | OPT_NOT_REALLY | OPT_RECURSE | OPT_DIRECTORIES | OPT_PROMPT | OPT_FOLLOW_LINKS |
                      OPT_AMPERSANDS | OPT_BLANKS | OPT_PARENTHESES | OPT_EQUALS_HEX | OPT_QUOTES | OPT_ENTITIES |
                      OPT_HIGH_UNICODE,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"LongLeaveOuts",
                  {"--no-hidden-dirs", "--no-errors", "--no-suffix", "--no-links", "--no-percent", "--no-summary", "x"},
                  HABITS | OPT_NO_HIDDEN_DIRS | OPT_NO_ERRORS | OPT_NO_SUFFIX | OPT_NO_JUNCTIONS | OPT_NO_PERCENT |
                      OPT_NO_SUMMARY,
                  nullptr, nullptr, {u"x"}},
        ParseCase{"LongValuesJoinedOrNext", {"--replace=-b", "--replace-with", "xY", "--condense=p", "x"},
                  HABITS | OPT_CONDENSE_PUNCT, u"-b", u"xY", {u"x"}},
        ParseCase{"JournalFilesAsTypedAttachedOrNext", {"-sj:Run.jsonl", "--undo", "Old.jsonl", "x"},
                  HABITS | OPT_RECURSE, nullptr, nullptr, {u"x"}, u"Run.jsonl", u"Old.jsonl"},
        ParseCase{"LongJournalAndNullEndingABundle", {"--journal=-J", "-s0", "x"}, HABITS | OPT_RECURSE, nullptr,
                  nullptr, {u"x"}, u"-J", nullptr, OUTPUT_NUL},
        ParseCase{"JsonOutput", {"--json", "x"}, HABITS, nullptr, nullptr, {u"x"}, nullptr, nullptr, OUTPUT_JSON},
        ParseCase{"LongOptionsByAnUnambiguousPrefix", {"--dry", "--recur", "--utf", "--replace", "ab", "x"},
                  HABITS | OPT_NOT_REALLY | OPT_RECURSE | OPT_UTF8, u"ab", nullptr, {u"x"}},
        ParseCase{"EnterRepositories", {"-s", "--enter-repositories", "x"},
                  OPT_LISTS_AS_TYPED | OPT_PREVIEW_FAILURES | OPT_PROGRESS | OPT_RECURSE, nullptr, nullptr, {u"x"}},
        ParseCase{"ShortFollow", {"-L", "-s", "x"}, HABITS | OPT_FOLLOW_LINKS | OPT_RECURSE, nullptr, nullptr, {u"x"}},
        ParseCase{"DoubleDashEndsOptions", {"-s", "--", "-b", "--help"}, HABITS | OPT_RECURSE, nullptr, nullptr,
                  {u"-b", u"--help"}},
        ParseCase{"LoneDashIsAName", {"-"}, HABITS, nullptr, nullptr, {u"-"}},
        ParseCase{"AbsolutePathsAsTheyAre", {"/home/Me/*.TXT", "//srv/x", "/"}, HABITS, nullptr, nullptr,
                  {u"/home/Me/*.TXT", u"//srv/x", u"/"}},
        ParseCase{"QuotationMarksAndTrailingBlanksKept", {"say \"hi\".txt", "a.txt \t", "my file"}, HABITS, nullptr,
                  nullptr, {u"say \"hi\".txt", u"a.txt \t", u"my file"}},
        ParseCase{"BytesThatAreNotUtf8Travel", {"a\xff.txt"}, HABITS, nullptr, nullptr, {u"a\xDCFF.txt"}},
        ParseCase{"SameNameInTwoSpellings", {"Docs", "DOCS"}, HABITS, nullptr, nullptr, {u"Docs", u"DOCS"}},
        ParseCase{"SolidusPathThatIsNoOptionForm", {"/g", "/n/a"}, HABITS, nullptr, nullptr, {u"/g", u"/n/a"}},
        ParseCase{"NothingAtAll", {}, HABITS, nullptr, nullptr, {}}),
    CaseName());

TEST(Standalone, HelpAndVersionAnswer) {
  for (const char* answer : {"--help", "-?", "--version", "-??"}) {
    std::int32_t result = 0;
    const std::string out =
        testing_support::CaptureOutput([&] { result = Parse({"-b", answer, "--frobnicate"}); }).standardOutput;
    EXPECT_EQ(result, STANDALONE_ANSWERED) << answer;
    if (std::string(answer).find("version") != std::string::npos || std::string(answer) == "-??") {
      EXPECT_EQ(out, "purifile " + std::to_string(PLUGIN_MAJOR_VERSION) + "." + std::to_string(PLUGIN_MINOR_VERSION) +
                         "." + std::to_string(PLUGIN_BUILD) + "\n");
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
                           "-u,", "--help", "--version", "--dry-run", "--recursive", "--directories", "--prompt",
                           "--enter-repositories", "-j:FILE, --journal=FILE", "-z:FILE, --undo=FILE", "--json",
                           "-0, --null"}) {
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
        RefusalCase{"AmbiguousLongPrefix", {"--re", "x"},
                    "Option \"--re\" is ambiguous: --replace --replace-with --recursive"},
        RefusalCase{"JsonAndNullExcludeEachOther", {"-0", "--json", "x"},
                    "Options \"--json\" and \"-0\" exclude each other"},
        RefusalCase{"UnknownShortOptionAsTyped", {"-g", "x"}, "Unknown option \"-g\"\n"},
        RefusalCase{"UnknownLetterOfABundle", {"-sbg", "x"}, "Unknown option \"-g\" in \"-sbg\""},
        RefusalCase{"UpperCaseLetterIsNoOption", {"-K", "x"}, "Unknown option \"-K\"\n"},
        RefusalCase{"UpperCaseLetterInABundle", {"-N:S", "x"}, "Unknown option \"-N\" in \"-N:S\""},
        RefusalCase{"UpperCaseSubOption", {"-sn:eS", "x"}, " Unknown suboption -n:S"},
        RefusalCase{"UpperCaseLongSubOption", {"--condense=B", "x"}, "Unknown suboption: -k:B"},
        RefusalCase{"HelpIsNoLetterOfABundle", {"-s?", "x"}, "Unknown option \"-?\" in \"-s?\""},
        RefusalCase{"ShortListMissing", {"x", "-bq"}, "Option \"-q\" needs a list: \"-q:LIST\""},
        RefusalCase{"ShortListThatLooksLikeAnOption", {"-r", "-n", "x"},
                    "Option \"-r\" needs a list, not \"-n\": a list that begins with '-' is written \"-r:-n\""},
        RefusalCase{"LongListThatLooksLikeAnOption", {"--replace-with", "-", "x"},
                    "Option \"--replace-with\" needs a list, not \"-\": a list that begins with '-' is written "
                    "\"--replace-with=-\""},
        RefusalCase{"BadSubOptionAsTyped", {"-k:bz", "x"}, "Unknown suboption: -k:z"},
        RefusalCase{"BadLongSubOptionByItsShortForm", {"--condense=bz", "x"}, "Unknown suboption: -k:z"},
        RefusalCase{"LongFlagWithAValue", {"--blanks=1", "x"}, "Option \"--blanks\" takes no value"},
        RefusalCase{"LongListMissing", {"--replace"}, "Option \"--replace\" needs a list"},
        RefusalCase{"JournalFileMissing", {"x", "-j"}, "Option \"-j\" needs a file: \"-j:FILE\""},
        RefusalCase{"JournalFileThatLooksLikeAnOption", {"--undo", "-n"},
                    "Option \"--undo\" needs a file, not \"-n\": a file that begins with '-' is written \"--undo=-n\""},
        RefusalCase{"WindowsFormNotReally", {"/n", "*"}, "Option \"/n\" is written \"-n\" here"},
        RefusalCase{"WindowsFormWithSubOption", {"*", "/n:s"}, "Option \"/n:s\" is written \"-n:s\" here"},
        RefusalCase{"WindowsFormList", {"/q:ab", "*"}, "Option \"/q:ab\" is written \"-q:ab\" here"},
        RefusalCase{"WindowsFormHelp", {"/?"}, "Option \"/?\" is written \"-?\" here"},
        RefusalCase{"WindowsFormRecurse", {"/S", "*"}, "Option \"/S\" is written \"-s\" here"},
        RefusalCase{"WindowsFormSubOptionsWithoutColon", {"/NS", "*"}, "Option \"/NS\" is written \"-n:s\" here"},
        RefusalCase{"WindowsFormListAsWritten", {"/Q=Ab", "*"}, "Option \"/Q=Ab\" is written \"-q:Ab\" here"},
        RefusalCase{"MoreArgumentsThanTheCommandKeeps", ManyNames(1025), "Too many arguments"},
        RefusalCase{"ArgumentLongerThanAnyPath", {std::string(MAX_ARG_LEN, 'x')}, "Command line too long"},
        RefusalCase{"ArgumentsLongerThanTheCommandTakes", std::vector<std::string>(20, std::string(1000, 'x')),
                    "Command line too long"}),
    CaseName());

// A misused option is followed by where to read more, as getopt's users do;
// a refused path is not.
TEST(Standalone, MisusedOptionPointsToHelp) {
  constexpr const char* TRY = "Try \"purifile --help\" for more information.\n";
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"-g", "f"}, {"--frobnicate"}, {"--re", "f"}, {"-k:z", "f"}, {"x", "-q"}}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Parse(arguments), 1);
    const std::string error = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(error.size() > std::strlen(TRY) && error.substr(error.size() - std::strlen(TRY)) == TRY) << error;
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Parse({"/n", "*"}), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr().find("Try"), std::string::npos);
}

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
