#include "command/driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "command/arguments.h"
#include <vector>
#include "core/host_services.h"
#include "tests/support/temp_dir.h"

#include "tests/command/case_name.h"

namespace {

// ---- The option table, through the splitter as the command reads it. ----

struct OptionCase {
  const char* name;
  const char16_t* tail;
  std::int32_t result;
  OptionFlags flags;
  const char16_t* qList;  // expected /Q list, or null for absent
  const char16_t* rList;
  bool sawFileSpec;
  const char* error;  // expected on standard error, or empty
};

std::u16string OrAbsent(const char16_t* list) { return list == nullptr ? u"(absent)" : std::u16string(list); }

class OptionTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionTable, FoldsEveryOptionIntoTheWord) {
  const OptionCase& c = GetParam();
  SplitArguments(c.tail);
  CommandOptions options{};
  bool sawFileSpec = false;
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  // The plug-in's first pass: every argument that begins with a solidus is an option.
  std::int32_t result = 0;
  for (std::int32_t j = 0; j < argumentTable.count && result == 0; ++j) {
    const char16_t* argument = argumentTable.starts[j];
    if (argumentTable.lengths[j] == 0) continue;
    if (argument[0] == u'/') {
      result = ApplyOption(argument, argument, &options);
    } else {
      sawFileSpec = true;
    }
  }
  ::testing::internal::GetCapturedStdout();
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, c.result);
  if (c.error[0] == 0) {
    EXPECT_EQ(error, "");
  } else {
    EXPECT_EQ(error.rfind("Purifile plugin: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
  if (result != 0) {
    return;  // the command ends here; what was folded so far is never used
  }
  EXPECT_EQ(options.flags, c.flags) << std::hex << options.flags;
  EXPECT_EQ(OrAbsent(options.qList), OrAbsent(c.qList));
  EXPECT_EQ(OrAbsent(options.rList), OrAbsent(c.rList));
  EXPECT_EQ(sawFileSpec, c.sawFileSpec);
}

// Messages name an option as the user typed it, in any form; the option
// itself is read in the table's form.
TEST(Driver, MessagesNameTheOptionAsTyped) {
  struct {
    const char16_t* option;
    const char16_t* typed;
    const char* error;
  } const cases[] = {
      {u"/G", u"-g", "Unknown option \"-g\""},
      {u"/K:BZ", u"-k:bz", "Unknown suboption: -k:z"},
      {u"/NQ", u"-nq", " Unknown suboption -n:q"},
      {u"/N:SQ", u"/n:sq", " Unknown suboption /n:q"},
      {u"/K:BZ", u"/K:BZ", "Unknown suboption: /K:Z"},
  };
  for (const auto& c : cases) {
    CommandOptions options{};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ApplyOption(c.option, c.typed, &options), 1);
    const std::string error = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.substr(0, error.find_last_not_of("\r\n") + 1), std::string("Purifile plugin: ") + c.error);
  }
}

TEST(Driver, FitsOptionTableKnowsTheOptionForms) {
  for (const char16_t* option : {u"/N", u"/N:S", u"/NQ", u"/Q:AB", u"/?", u"/??", u"/K", u"/S", u"/R"}) {
    EXPECT_TRUE(FitsOptionTable(option));
  }
  for (const char16_t* option : {u"/G", u"/SB", u"/HOME", u"/", u"/???"}) {
    EXPECT_FALSE(FitsOptionTable(option));
  }
}

constexpr OptionFlags BOTH_CONDENSE = OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT;

INSTANTIATE_TEST_SUITE_P(
    Driver, OptionTable,
    ::testing::Values(
        OptionCase{"NoOptions", u"*.txt", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"EverySingleLetter", u"/a /b /c /d /e /f /h /p /s /u x", 0,
                   OPT_AMPERSANDS | OPT_BLANKS | OPT_PARENTHESES | OPT_DIRECTORIES | OPT_EQUALS_HEX | OPT_QUOTES |
                       OPT_ENTITIES | OPT_PROMPT | OPT_RECURSE | OPT_HIGH_UNICODE,
                   nullptr, nullptr, true, ""},
        OptionCase{"Utf8AndWindowsNames", u"/8 /w x", 0, OPT_UTF8 | OPT_WINDOWS_NAMES, nullptr, nullptr, true, ""},
        OptionCase{"WindowsNamesUpperCase", u"x /W", 0, OPT_WINDOWS_NAMES, nullptr, nullptr, true, ""},
        OptionCase{"Utf8WithExtraLetters", u"/8W x", 1, 0, nullptr, nullptr, false, "Unknown option \"/8W\""},
        OptionCase{"WindowsNamesWithSeparator", u"/W:8 x", 1, 0, nullptr, nullptr, false,
                   "Unknown option \"/W:8\""},
        OptionCase{"OtherDigitIsUnknown", u"/9 x", 1, 0, nullptr, nullptr, false, "Unknown option \"/9\""},
        OptionCase{"RunTogether", u"/s/b x", 0, OPT_RECURSE | OPT_BLANKS, nullptr, nullptr, true, ""},
        OptionCase{"OptionsOnly", u"/s /b", 0, OPT_RECURSE | OPT_BLANKS, nullptr, nullptr, false, ""},
        OptionCase{"OptionAfterSpecification", u"*.txt /s", 0, OPT_RECURSE, nullptr, nullptr, true, ""},
        OptionCase{"QuotedEmptyArgumentIsSkipped", u"\" \" /s", 0, OPT_RECURSE, nullptr, nullptr, false, ""},
        OptionCase{"KAloneSetsBoth", u"/K x", 0, BOTH_CONDENSE, nullptr, nullptr, true, ""},
        OptionCase{"KColonAloneSetsNone", u"/K: x", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"KEqualsAloneSetsNone", u"/K= x", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"KBlanksWithoutSeparator", u"/KB x", 0, OPT_CONDENSE_BLANKS, nullptr, nullptr, true, ""},
        OptionCase{"KPunctAfterEquals", u"/k=p x", 0, OPT_CONDENSE_PUNCT, nullptr, nullptr, true, ""},
        OptionCase{"KBothLettersRepeated", u"/k:bpb x", 0, BOTH_CONDENSE, nullptr, nullptr, true, ""},
        OptionCase{"NAloneIsNotReally", u"/n x", 0, OPT_NOT_REALLY, nullptr, nullptr, true, ""},
        OptionCase{"NColonAloneSetsNothing", u"/n: x", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"NSuffixOnly", u"/N:F x", 0, OPT_NO_SUFFIX, nullptr, nullptr, true, ""},
        OptionCase{"NTwoLettersWithoutSeparator", u"/NFS x", 0, OPT_NO_SUFFIX | OPT_NO_SUMMARY, nullptr, nullptr, true,
                   ""},
        OptionCase{"NEveryLetter", u"/n=defjps x", 0,
                   OPT_NO_HIDDEN_DIRS | OPT_NO_ERRORS | OPT_NO_SUFFIX | OPT_NO_JUNCTIONS | OPT_NO_PERCENT |
                       OPT_NO_SUMMARY,
                   nullptr, nullptr, true, ""},
        OptionCase{"NotReallyAndSubOptionsTogether", u"/n /n:s x", 0, OPT_NOT_REALLY | OPT_NO_SUMMARY, nullptr,
                   nullptr, true, ""},
        OptionCase{"BothLists", u"/q:ab /r:xy x", 0, 0, u"AB", u"XY", true, ""},
        OptionCase{"ListWithoutSeparator", u"/qab /r=xy x", 0, 0, u"AB", u"XY", true, ""},
        OptionCase{"EmptyListRemovesEarlierOne", u"/q:ab /q: x", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"BareQIsAbsent", u"/q x", 0, 0, nullptr, nullptr, true, ""},
        OptionCase{"OnlyOneSeparatorSkipped", u"/q::: x", 0, 0, u"::", nullptr, true, ""},
        OptionCase{"LaterListReplaces", u"/r:ab /r:cd x", 0, 0, nullptr, u"CD", true, ""},
        OptionCase{"QuotedBlankInList", u"\"/q: &\" /r:_+ x", 0, 0, u" &", u"_+", true, ""},
        OptionCase{"HelpEndsTheCommand", u"/? /x", OPTIONS_HELP_WRITTEN, 0, nullptr, nullptr, false, ""},
        OptionCase{"HelpAndVersion", u"/??", OPTIONS_HELP_WRITTEN, 0, nullptr, nullptr, false, ""},
        OptionCase{"UnknownLetter", u"/b /g *.txt", 1, 0, nullptr, nullptr, false, "Unknown option \"/G\""},
        OptionCase{"UnknownBeforeHelp", u"/g /?", 1, 0, nullptr, nullptr, false, "Unknown option \"/G\""},
        OptionCase{"ThreeQuestionMarks", u"/???", 1, 0, nullptr, nullptr, false, "Unknown option \"/???\""},
        OptionCase{"LoneSolidus", u"/ x", 1, 0, nullptr, nullptr, false, "Unknown option \"/\""},
        OptionCase{"WholeOptionWithExtraLetters", u"/SB x", 1, 0, nullptr, nullptr, false, "Unknown option \"/SB\""},
        OptionCase{"UnknownCondenseLetter", u"/k:bz x", 1, 0, nullptr, nullptr, false, "Unknown suboption: /K:Z"},
        OptionCase{"UnknownNegationLetter", u"/nq x", 1, 0, nullptr, nullptr, false, " Unknown suboption /N:Q"},
        OptionCase{"NegationLetterOfCondense", u"/n:b x", 1, 0, nullptr, nullptr, false, " Unknown suboption /N:B"},
        OptionCase{"SecondSeparatorIsALetter", u"/k::b x", 1, 0, nullptr, nullptr, false,
                   "Unknown suboption: /K::"}),
    CaseName());

// ---- Paths: the wildcard appended to a directory, and the split point. ----

const std::u16string SEP(1, PATH_SEPARATOR);

struct AppendCase {
  const char* name;
  std::u16string path;
  std::u16string expected;
};

class AppendWildcardCases : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendWildcardCases, EndsThePathInSeparatorAndStar) {
  const AppendCase& c = GetParam();
  static char16_t buffer[MAX_ARG_LEN];
  std::copy(c.path.begin(), c.path.end(), buffer);
  buffer[c.path.size()] = 0;
  EXPECT_EQ(AppendWildcard(buffer), 0);
  EXPECT_EQ(std::u16string(buffer), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, AppendWildcardCases,
    ::testing::Values(AppendCase{"EmptyPath", u"", u"*"},
                      AppendCase{"Directory", SEP + u"WORK", SEP + u"WORK" + SEP + u"*"},
                      AppendCase{"EndsInSeparator", SEP + u"WORK" + SEP, SEP + u"WORK" + SEP + u"*"},
                      AppendCase{"Root", SEP, SEP + u"*"},
                      AppendCase{"BareDrive", u"C:", u"C:*"},
                      AppendCase{"ColonAfterASeparatorIsPartOfAName", SEP + u"A:", SEP + u"A:" + SEP + u"*"}),
    CaseName());

TEST(Driver, AppendWildcardStaysWithinTheBuffer) {
  static char16_t buffer[MAX_ARG_LEN + 8];
  EXPECT_EQ(AppendWildcard(nullptr), -1);

  // Separator and star fill the buffer to its last position, the terminator.
  std::u16string fits(MAX_ARG_LEN - 3, u'd');
  std::copy(fits.begin(), fits.end(), buffer);
  buffer[fits.size()] = 0;
  buffer[MAX_ARG_LEN] = u'#';
  EXPECT_EQ(AppendWildcard(buffer), 0);
  EXPECT_EQ(std::u16string(buffer), fits + SEP + u"*");
  EXPECT_EQ(buffer[MAX_ARG_LEN], u'#');

  // One more character and the result would not fit: the path stays as it was.
  std::u16string tooLong(MAX_ARG_LEN - 2, u'd');
  std::copy(tooLong.begin(), tooLong.end(), buffer);
  buffer[tooLong.size()] = 0;
  EXPECT_EQ(AppendWildcard(buffer), 1);
  EXPECT_EQ(std::u16string(buffer), tooLong);
}

struct SplitPathCase {
  const char* name;
  std::u16string trueName;
  std::int32_t result;
  std::u16string directory;
  std::u16string pattern;
};

class SplitTrueNameCases : public ::testing::TestWithParam<SplitPathCase> {};

TEST_P(SplitTrueNameCases, CutsAfterTheLastSeparator) {
  const SplitPathCase& c = GetParam();
  static char16_t directory[MAX_ARG_LEN];
  static char16_t pattern[MAX_ARG_LEN];
  directory[0] = u'#';
  directory[1] = 0;
  pattern[0] = u'#';
  pattern[1] = 0;
  EXPECT_EQ(SplitTrueName(c.trueName.c_str(), directory, pattern), c.result);
  if (c.result == 0) {
    EXPECT_EQ(std::u16string(directory), c.directory);
    EXPECT_EQ(std::u16string(pattern), c.pattern);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Driver, SplitTrueNameCases,
    ::testing::Values(
        SplitPathCase{"DirectoryAndWildcard", SEP + u"WORK" + SEP + u"*", 0, SEP + u"WORK" + SEP, u"*"},
        SplitPathCase{"NameInRoot", SEP + u"A.TXT", 0, SEP, u"A.TXT"},
        SplitPathCase{"SolidiWritten", u"C:/X/Y", 0, u"C:/X/", u"Y"},
        SplitPathCase{"DriveRelative", u"C:FOO", 0, u"C:", u"FOO"},
        SplitPathCase{"ColonAfterSeparatorIsNoSplitPoint", SEP + u"A:B", 0, SEP, u"A:B"},
        SplitPathCase{"NoSplitPoint", u"FOO", -1, u"", u""},
        SplitPathCase{"NothingAfterTheSeparator", SEP + u"WORK" + SEP, -1, u"", u""},
        SplitPathCase{"Empty", u"", -1, u"", u""}),
    CaseName());

// ---- The command's result codes and what it leaves untouched. ----

struct CommandRun {
  std::int32_t result;
  std::string out;
  std::string err;
};

CommandRun RunCommand(const std::u16string& tail) {
  ::testing::internal::CaptureStderr();
  const std::int32_t result = purifile(tail.c_str());
  return CommandRun{result, "", ::testing::internal::GetCapturedStderr()};
}

// The shared second pass with the options in the table's form and the file
// specifications exactly as given, as the standalone programs hand them over.
CommandRun RunWithSpecs(const std::vector<std::u16string>& options, const std::vector<std::u16string>& specs) {
  CommandOptions folded{};
  ::testing::internal::CaptureStderr();
  std::int32_t result = 0;
  for (const std::u16string& option : options) {
    if (result == 0) result = ApplyOption(option.c_str(), option.c_str(), &folded);
  }
  std::vector<const char16_t*> specPointers;
  for (const std::u16string& spec : specs) specPointers.push_back(spec.c_str());
  if (result == 0) result = WalkFileSpecs(specPointers.data(), static_cast<std::int32_t>(specs.size()), &folded);
  return CommandRun{result, "", ::testing::internal::GetCapturedStderr()};
}

std::u16string Spec(const std::filesystem::path& path) { return path.u16string(); }

// Runs in the given directory for its lifetime, then returns to the earlier one.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& path) : earlier_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~WorkingDirectory() { std::filesystem::current_path(earlier_); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path earlier_;
};

TEST(Driver, NullTailReturnsOneAndWritesNothing) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(purifile(nullptr), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(Driver, MissingFileSpecification) {
  for (const char16_t* tail : {u"", u"   ", u"/S /B", u"\"\"", u"\" \" /n"}) {
    const CommandRun run = RunCommand(tail);
    EXPECT_EQ(run.result, -1) << std::string(tail, tail + std::char_traits<char16_t>::length(tail)).size();
    EXPECT_NE(run.err.find("Purifile plugin: Missing filespec"), std::string::npos) << run.err;
  }
}

TEST(Driver, SplitterOverflowIsAMissingFileSpecification) {
  const CommandRun run = RunCommand(std::u16string(MAX_ARG_LEN, u'x'));
  EXPECT_EQ(run.result, -1);
  EXPECT_NE(run.err.find("Buffer overflow"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Missing filespec"), std::string::npos) << run.err;
}

TEST(Driver, BadOptionTouchesNoFile) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "a%20b.txt").put('x');
  const WorkingDirectory inside(dir.path());
  for (const char16_t* options : {u"/b /g ", u"/k:bz ", u"/nq "}) {
    const CommandRun run = RunCommand(options + std::u16string(u"*"));
    EXPECT_EQ(run.result, 1) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "a%20b.txt"));
  }
}

TEST(Driver, HelpAnswersWithoutTouchingFiles) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "a%20b.txt").put('x');
  const WorkingDirectory inside(dir.path());
  for (const char16_t* help : {u"/? ", u"/?? "}) {
    ::testing::internal::CaptureStdout();
    const CommandRun run = RunCommand(help + std::u16string(u"*"));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "a%20b.txt"));
  }
}

TEST(Driver, WalksEveryFileSpecificationExactlyAsGiven) {
  testing_support::TempDir dir;
  std::filesystem::create_directory(dir.path() / "one");
  std::filesystem::create_directory(dir.path() / "two");
  std::ofstream(dir.path() / "one" / "a%20b.txt").put('x');
  std::ofstream(dir.path() / "two" / "c d.txt").put('x');
  ::testing::internal::CaptureStdout();
  const CommandRun run = RunWithSpecs({u"/B", u"/N:S"}, {Spec(dir.path() / "one" / "*.txt"), Spec(dir.path() / "two")});
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(run.result, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "one" / "a_b.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "two" / "c_d.txt"));
}

TEST(Driver, DirectoryIsRenamedItselfOnlyWithD) {
  testing_support::TempDir dir;
  std::filesystem::create_directory(dir.path() / "x%20y");
  std::ofstream(dir.path() / "x%20y" / "p%20q").put('x');

  ::testing::internal::CaptureStdout();
  RunWithSpecs({}, {Spec(dir.path() / "x%20y")});
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "x%20y" / "p q"));

  RunWithSpecs({u"/D"}, {Spec(dir.path() / "x%20y")});
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "x y" / "p q"));
}

TEST(Driver, UnresolvableSpecificationIsReportedAndNeverWalksTheEarlierDirectory) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "x%20y.txt").put('x');
  std::ofstream(dir.path() / "p%20q.txt").put('x');
  const WorkingDirectory inside(dir.path());
  // With the current directory in front, no full path of it fits MAX_ARG_LEN.
  const std::size_t directoryLength = std::filesystem::current_path().u16string().size();
  ASSERT_GT(directoryLength, 24u) << "the whole tail must still fit the argument pool";
  const std::u16string unresolvable(MAX_ARG_LEN - 1 - directoryLength, u'n');
  ::testing::internal::CaptureStdout();
  const CommandRun run = RunWithSpecs({}, {u"x%20y.txt", unresolvable, u"p%20q.txt"});
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(run.result, 2);
  EXPECT_NE(run.err.find("Cannot resolve \"nnnn"), std::string::npos) << run.err;
  // A second walk of the first specification's directory and pattern would
  // find the file renamed already and report it not found.
  EXPECT_EQ(run.err.find("File not found"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "x y.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "p q.txt"));
}

}  // namespace
