// POSIX only: the standalone program's command line, in this platform's habit.
//
//   - "-x..." is the option /X... of the option table: the letter and what
//     follows it in any case (-n:s, -ns, -n=s, -N:S, -q:ab), one option per
//     argument; "-L" enters symbolic links to directories under -s;
//   - "--name" and "--name=value" are the long options of LONG_OPTIONS;
//   - "--" ends the options; "-" alone is a file specification;
//   - every other argument is a file specification, matched exactly as typed.
// An argument in the Windows form of an option ("/n", "/q:ab") that names no
// existing entry is refused: run as a path, it would have turned a preview
// into a real run.
#include <cstring>
#include <string>

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "host/standalone.h"
#include "plugin/entry_points.h"
#include "plugin/host_services.h"

namespace {

constexpr char16_t POSIX_HELP[] =
    u"Usage: purifile [OPTION]... FILESPEC...\n"
    u"Rename files (with -d, directories) whose names hold troublesome characters.\n"
    u"Each new name is derived from the old one; every rename is shown.\n"
    u"\n"
    u"  -a, --ampersands        replace ampersands with underscores\n"
    u"  -b, --blanks            replace blanks with underscores\n"
    u"  -c, --parentheses       replace parentheses with underscores\n"
    u"  -d, --directories       rename directories, not files\n"
    u"  -e, --equals-hex        decode =XX hex pairs\n"
    u"  -f, --quotes            replace quotes, apostrophes and graves with underscores\n"
    u"  -h, --entities          decode HTML entities (help is --help)\n"
    u"  -k, --condense          condense runs of blanks and of punctuation\n"
    u"  -k:b, --condense=b      condense runs of blanks only\n"
    u"  -k:p, --condense=p      condense runs of one punctuation mark only\n"
    u"  -n, --dry-run           show every rename, perform none\n"
    u"  -n:LETTERS              leave out, one letter each (-n:se):\n"
    u"      d, --no-hidden-dirs   do not descend into hidden directories\n"
    u"      e, --no-errors        no \"File not found\" and no rename errors shown\n"
    u"      f, --no-suffix        never add a -001 suffix (a taken name fails)\n"
    u"      j, --no-links         do not descend into links to directories\n"
    u"      p, --no-percent       do not decode %XX pairs\n"
    u"      s, --no-summary       no tally lines and no grand total\n"
    u"  -p, --prompt            ask before each rename: Yes, No, All, Quit\n"
    u"  -q:LIST, --replace=LIST       characters to replace\n"
    u"  -r:LIST, --replace-with=LIST  their replacements, by position\n"
    u"  -s, --recursive         recurse into subdirectories\n"
    u"  -L, --follow            with -s, enter symbolic links to directories\n"
    u"  -u, --high-unicode      replace characters beyond U+FFFF with underscores\n"
    u"  -w, --windows           names valid on Windows: no device names (CON,\n"
    u"                          nul.txt ...), none longer than 255 bytes, no\n"
    u"                          two that Windows takes for one (a.txt, A.TXT)\n"
    u"  -8, --utf8              names are UTF-8 text: %C3%A9 is one e-acute, bytes\n"
    u"                          not UTF-8 are Windows-1252, names composed (NFC)\n"
    u"  -?, --help              show this help and exit\n"
    u"      --version           show the version and exit\n"
    u"  --                      end of options\n"
    u"\n"
    u"Quote wildcards ('*.txt') so that purifile, not the shell, expands them:\n"
    u"with -s the pattern must reach every subdirectory. A FILESPEC is matched\n"
    u"exactly as typed. On Windows the same options are written /A, /N:S ...\n"
    u"On a terminal the control characters of names are shown escaped (\\x1B);\n"
    u"to a file or a pipe names are written exactly.\n"
    u"\n"
    u"Exit status: 0 done, 1 bad option, 2 a rename failed or a filespec could\n"
    u"not be resolved, 3 quit at a prompt, 255 no filespec (nothing renamed).\n";

// One argument's UTF-8 bytes as UTF-16 in the pool (bytes that are not UTF-8
// travel as the platform's escape code units), or null after a report. The
// arguments as typed hold MAX_ARG_LEN - 1 characters in all, terminators
// included, as the plug-in's command tail does.
const char16_t* ConvertArgument(StandaloneCommandLine* line, const char* bytes, std::int32_t* typedUnits) {
  const std::size_t byteCount = std::strlen(bytes);
  const std::int32_t room = MAX_ARG_LEN - 1 - *typedUnits;
  if (byteCount + 1 > static_cast<std::size_t>(room > 0 ? room : 0) || line->poolUsed + room > STANDALONE_POOL) {
    ReportTooLong();
    return nullptr;
  }
  char16_t* text = line->pool + line->poolUsed;
  const int length =
      byteCount == 0 ? 0 : MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(byteCount), text, room - 1);
  if (byteCount > 0 && length <= 0) {
    ReportTooLong();
    return nullptr;
  }
  text[length] = 0;
  line->poolUsed += length + 1;
  *typedUnits += length + 1;
  return text;
}

void WriteVersion() { Printf(u"purifile %d.%d.%d\n", PLUGIN_MAJOR_VERSION, PLUGIN_MINOR_VERSION, PLUGIN_BUILD); }

// Applies the option in the table's form, typed being what a message names.
std::int32_t ApplyTableOption(StandaloneCommandLine* line, const char16_t* option, const char16_t* typed) {
  if (option == nullptr || typed == nullptr) {
    return 1;
  }
  return ApplyOption(option, typed, &line->options);
}

// "--name", "--name=value", or "--name value" for an option that needs one.
// *index moves past a value taken from the next argument.
std::int32_t ApplyLongOption(StandaloneCommandLine* line, const char16_t* text, int argc, char** argv, int* index,
                             std::int32_t* typedUnits) {
  const char16_t* value = nullptr;
  const LongOption* found = FindLongOption(text, &value);
  if (found == nullptr) {
    Diagnose(u"Unknown option \"%s\"\r\n", text);
    return 1;
  }
  if (value == nullptr && found->kind == LONG_VALUE && *index + 1 < argc) {
    ++*index;
    value = ConvertArgument(line, argv[*index], typedUnits);
    if (value == nullptr) {
      return 1;
    }
  }
  if (value != nullptr && found->kind != LONG_VALUE && found->kind != LONG_MAYBE_VALUE) {
    Diagnose(u"Option \"--%s\" takes no value\r\n", found->name);
    return 1;
  }
  if (value == nullptr && found->kind == LONG_VALUE) {
    Diagnose(u"Option \"--%s\" needs a list\r\n", found->name);
    return 1;
  }
  switch (found->kind) {
    case LONG_FOLLOW:
      line->options.flags |= OPT_FOLLOW_LINKS;
      return 0;
    case LONG_HELP:
      QPuts(POSIX_HELP);
      return STANDALONE_ANSWERED;
    case LONG_VERSION:
      WriteVersion();
      return STANDALONE_ANSWERED;
    default:
      break;
  }
  if (value == nullptr) {
    return ApplyTableOption(line, found->option, found->option);
  }
  // Named in messages by its short form: "--condense=bz" as "-k:bz".
  const char16_t tablePrefix[] = {found->option[0], found->option[1], u':', 0};
  return ApplyTableOption(line, TableForm(line, tablePrefix, value), Joined(line, found->typedPrefix, value));
}

// "-x...": an option of the table, or this program's -L, -? and -??.
std::int32_t ApplyShortOption(StandaloneCommandLine* line, const char16_t* text) {
  if (TextIs(text, u"-L")) {
    line->options.flags |= OPT_FOLLOW_LINKS;
    return 0;
  }
  if (TextIs(text, u"-?")) {
    QPuts(POSIX_HELP);
    return STANDALONE_ANSWERED;
  }
  if (TextIs(text, u"-??")) {
    WriteVersion();
    return STANDALONE_ANSWERED;
  }
  return ApplyTableOption(line, TableForm(line, u"/", text + 1), text);
}

std::int32_t AddFileSpec(StandaloneCommandLine* line, const char16_t* text) {
  // "/n" or "/q:ab" where no such entry exists: the user meant an option.
  if (text[0] == u'/' && CheckNotAnOptionOfTheOtherForm(line, text, WithMark(line, u'-', text)) != 0) {
    return 1;
  }
  line->specs[line->specCount++] = text;
  return 0;
}

// Nothing is renamed without a current directory to start relative paths
// from: "*" taken from anywhere else would rename entries the user never meant.
std::int32_t CheckCurrentDirectory(const StandaloneCommandLine& line) {
  char16_t here[2];
  if (GetFullPathNameW(u".", 0, here, nullptr) != 0) {
    return 0;
  }
  for (std::int32_t i = 0; i < line.specCount; ++i) {
    if (line.specs[i][0] != u'/') {
      Diagnose(u"Cannot resolve \"%s\": there is no current directory\r\n", line.specs[i]);
      return 1;
    }
  }
  return 0;
}

// -p asks at the terminal: without one nothing could be answered, so the
// command ends at once, as the answer Quit would end it.
std::int32_t CheckPromptCanBeAnswered(const StandaloneCommandLine& line) {
  if ((line.options.flags & OPT_PROMPT) == 0) {
    return 0;
  }
  const HANDLE terminal = CreateFileW(u"CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (terminal != INVALID_HANDLE_VALUE) {
    CloseHandle(terminal);
    return 0;
  }
  Diagnose(u"No terminal to answer the prompts of -p: nothing renamed (Quit)\r\n");
  return 3;
}

}  // namespace

std::int32_t ParseStandaloneArguments(int argc, char** argv, StandaloneCommandLine* line) {
  line->options = CommandOptions{0, nullptr, nullptr};
  line->specCount = 0;
  line->poolUsed = 0;
  std::int32_t typedUnits = 0;
  std::int32_t taken = 0;  // arguments kept, as the plug-in's command keeps at most MAX_ARGUMENTS
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char16_t* text = ConvertArgument(line, argv[i], &typedUnits);
    if (text == nullptr) {
      return 1;
    }
    const bool isOption = !optionsEnded && text[0] == u'-' && text[1] != 0;
    if (isOption && TextIs(text, u"--")) {
      optionsEnded = true;
      continue;
    }
    if (CheckRoomForArgument(++taken) != 0) {
      return 1;
    }
    std::int32_t result = 0;
    if (!isOption) {
      result = AddFileSpec(line, text);
    } else if (text[1] == u'-') {
      result = ApplyLongOption(line, text, argc, argv, &i, &typedUnits);
    } else {
      result = ApplyShortOption(line, text);
    }
    if (result != 0) {
      return result == OPTIONS_HELP_WRITTEN ? STANDALONE_ANSWERED : result;
    }
  }
  return 0;
}

std::int32_t RunStandaloneWith(int argc, char** argv, StandaloneCommandLine* line) {
  const std::int32_t parsed = ParseStandaloneArguments(argc, argv, line);
  if (parsed != 0) {
    return parsed == STANDALONE_ANSWERED ? 0 : parsed;
  }
  if (line->specCount == 0) {
    Diagnose(u"Missing filespec\r\n");
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Try \"purifile --help\" for more information.\r\n");
    return -1;
  }
  if (CheckCurrentDirectory(*line) != 0) {
    return 1;
  }
  const std::int32_t unanswerable = CheckPromptCanBeAnswered(*line);
  if (unanswerable != 0) {
    return unanswerable;
  }
  return WalkFileSpecs(line->specs, line->specCount, &line->options);
}
