// The standalone program: its own command line parsed in its platform's habit,
// and the options and the exact file specifications handed to the command's
// shared option table and walk. Nothing is upper-cased and nothing passes
// through the plug-in's command tail.
#pragma once

#include <string>

#include <cstddef>
#include <cstdint>

#include "command/arguments.h"
#include "command/driver.h"

// The program's arguments, parsed: the options folded into the word, and the
// file specifications exactly as typed.
struct StandaloneCommandLine {
  CommandOptions options;
  std::int32_t specCount;
  const char16_t* specs[MAX_ARGUMENTS];
  // Every argument as typed, and each option also in the option table's form,
  // which the /Q and /R lists point into for the whole command.
  std::int32_t poolUsed;
  char16_t pool[2 * MAX_ARG_LEN];
};

constexpr std::int32_t STANDALONE_POOL = 2 * MAX_ARG_LEN;

// The help or version was written: the program ends with 0.
constexpr std::int32_t STANDALONE_ANSWERED = -2;

// Parses argv into line. Returns 0 to run the command, STANDALONE_ANSWERED, or
// 1 after reporting a command line that is refused before anything is touched.
std::int32_t ParseStandaloneArguments(int argc, char** argv, StandaloneCommandLine* line);

// The whole program: parses into line, checks, runs the command, and returns
// its result as the exit status (0 done, 1 bad input, 2 a failure, 3 quit, -1
// no filespec, 255 on POSIX).
std::int32_t RunStandaloneWith(int argc, char** argv, StandaloneCommandLine* line);

// ---- Shared by both programs' parsers (standalone_arguments.cpp). ----

bool TextIs(const char16_t* text, const char16_t* expected);
// Reports a command line longer than the command takes. Returns 1.
std::int32_t ReportTooLong();
// 0 while taken arguments fit what the command keeps; else 1 after a report.
std::int32_t CheckRoomForArgument(std::int32_t taken);
// Room for units code units in line's pool, or null after a report.
char16_t* TakeFromPool(StandaloneCommandLine* line, std::int32_t units);
// prefix and text as one new string of the pool, or null after a report.
const char16_t* Joined(StandaloneCommandLine* line, const char16_t* prefix, const char16_t* text);
// What a long option of the POSIX form stands for: an option of the table (its
// value, if any, follows a colon), or one of the standalone programs' own.
enum LongKind : std::int32_t {
  LONG_FLAG,         // the table option, no value allowed
  LONG_VALUE,        // the table option and ":value"; the value is required
  LONG_MAYBE_VALUE,  // the table option alone, or with ":value"
  LONG_FOLLOW,
  LONG_ENTER_REPOSITORIES,  // purifile.exe's /V
  LONG_JSON,  // standard output in JSON Lines (POSIX)
  LONG_NULL,  // standard output as NUL-terminated paths (POSIX)
  LONG_HELP,
  LONG_VERSION,
};

struct LongOption {
  const char16_t* name;
  const char16_t* option;  // in the option table's form (/V: purifile.exe's own); null for --follow, --json and --null
  LongKind kind;
  const char16_t* typedPrefix;  // a value's option as messages name it
};

// The long option text ("--name" or "--name=value") names, or null; *value
// receives what follows the '=', or null without one. As getopt_long takes
// them, a name may be shortened to any prefix that only one option's name
// begins with ("--dry" is "--dry-run"); a name given whole is that option's
// even where it begins another's ("--replace"). A prefix that several names
// begin with sets *ambiguous (unless it is null) and names none.
const LongOption* FindLongOption(const char16_t* text, const char16_t** value, bool* ambiguous = nullptr);

// The names of the long options that text's name (as above) begins, each
// after "--" and a blank: what a message about an ambiguous prefix lists.
std::u16string LongOptionsBeginning(const char16_t* text);
// Reports that text, which names no existing entry, is the option ownForm
// written in the other platform's form. Returns 1.
std::int32_t ReportOptionOfTheOtherForm(const char16_t* text, const char16_t* ownForm);
// text is a file specification in the form of an option of the other
// platform ("/n", "/q:ab" on POSIX; "-ns" on Windows), ownForm its spelling
// here. When text is one component and no such entry exists, the user meant
// the option: reports it and returns 1. Else 0.
std::int32_t CheckNotAnOptionOfTheOtherForm(const char16_t* text, const char16_t* ownForm);

// The letters of the options that take a value, attached ("-q:ab", "-qab",
// "-j:run.jsonl") or as the next argument: the lists of -q and -r, the
// journal files of -j and -z.
bool TakesValue(char16_t letter);

// Short options of the POSIX form bundle as getopt bundles them: "-sbk" is
// -s -b -k. An option that takes the rest of its argument ends a bundle: the
// sub-options of -n and -k after a colon or equals sign ("-sn:se"), and the
// value of an option that takes one, attached with or without a separator
// ("-bq:ab", "-qab", "-sj:run.jsonl").
// The length of the option at the letter option points to in such a bundle.
std::size_t BundledOptionLength(const char16_t* option);
// Whether letter is one of the option table's in the POSIX form: the table's
// letters in lower case ("-s", "-8"); "-?" is one argument of its own.
bool IsTableLetter(char16_t letter);
