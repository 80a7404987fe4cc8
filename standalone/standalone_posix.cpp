// POSIX only: the standalone program's command line, in this platform's habit.
//
//   - "-x..." holds short options, bundled as getopt bundles them (-ns is
//     -n -s; see BundledOptionLength): the letters of the option table in
//     lower case, and -L, which enters symbolic links to directories under
//     -s. Letters are case-sensitive: -N is no option, nor is -n:S. The
//     sub-options of -n and -k follow a colon or equals sign (-n:s, -k=b).
//     -? and -?? are arguments of their own;
//   - "--name" and "--name=value" are the long options of LONG_OPTIONS;
//   - a list (-q, -r, --replace, --replace-with), and a journal's file (-j,
//     -z, --journal, --undo), is attached (-q:ab, -qab, --replace=ab) or is
//     the next argument, but never one that begins with '-': "--replace -n"
//     is refused, since taking -n as the list would turn a preview into a
//     real run; "--replace=-n" is that list;
//   - -0 (--null) and --json choose what standard output carries;
//   - the lists are taken and matched as typed (OPT_LISTS_AS_TYPED), where
//     the plug-in's are upper-cased;
//   - "--" ends the options; "-" alone is a file specification;
//   - every other argument is a file specification, matched exactly as typed.
// An argument in the Windows form of an option ("/n", "/q:ab") that names no
// existing entry is refused: run as a path, it would have turned a preview
// into a real run.
#include <cstring>
#include <string>
#include <vector>

#include "cleaner/char_classes.h"
#include "command/diagnostics.h"
#include "command/report.h"
#include "standalone/standalone.h"
#include "platform/utf16_text.h"
#include "core/version.h"
#include "core/host_services.h"

namespace {

constexpr char16_t POSIX_HELP[] =
    u"Usage: purifile [OPTION]... FILESPEC...\n"
    u"  or:  purifile --undo=JOURNAL [-n] [--journal=FILE]\n"
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
    u"  -n, --dry-run           show every rename, perform none (each one shown\n"
    u"                          counts as skipped: fixed counts renames done)\n"
    u"  -n:LETTERS              leave out, one letter each (-n:se):\n"
    u"      d, --no-hidden-dirs   do not descend into hidden directories\n"
    u"      e, --no-errors        no message for a FILESPEC that matched nothing,\n"
    u"                            nor for a failed rename (the status stays 2)\n"
    u"      f, --no-suffix        never add a -001 suffix (a taken name fails)\n"
    u"      j, --no-links         do not descend into links to directories\n"
    u"      p, --no-percent       do not decode %XX pairs\n"
    u"      s, --no-summary       no tally lines and no grand total\n"
    u"  -p, --prompt            ask at the terminal before each rename (y/n/a/q):\n"
    u"                          Yes, No, All, Quit\n"
    u"  -q:LIST, --replace=LIST       characters to replace, as typed\n"
    u"  -r:LIST, --replace-with=LIST  their replacements, by position\n"
    u"  -s, --recursive         recurse into subdirectories, but not into .git,\n"
    u"                          .hg, .svn, .bzr and _darcs\n"
    u"      --enter-repositories  with -s, enter those too\n"
    u"  -L, --follow            with -s, enter symbolic links to directories\n"
    u"  -u, --high-unicode      replace characters beyond U+FFFF with underscores\n"
    u"  -w, --windows           names valid on Windows: no device names (CON,\n"
    u"                          nul.txt ...), none longer than 255 bytes, no\n"
    u"                          two that Windows takes for one (a.txt, A.TXT),\n"
    u"                          bytes not UTF-8 read as Windows-1252\n"
    u"  -8, --utf8              names are UTF-8 text: %C3%A9 is one e-acute, bytes\n"
    u"                          not UTF-8 are Windows-1252, mojibake (caf\u00C3\u00A9)\n"
    u"                          repaired, invisible and bidirectional format\n"
    u"                          characters dropped, names composed (NFC)\n"
    u"  -x, --check             rename nothing; tell why each entry would be\n"
    u"                          renamed, and exit 4 when one would\n"
    u"  -j:FILE, --journal=FILE\n"
    u"                          record each rename in FILE, a new file, before it\n"
    u"                          is made (JSON Lines), so that --undo can take it back\n"
    u"  -z:FILE, --undo=FILE    rename back what the journal FILE shows renamed\n"
    u"      --json              write the run as JSON Lines instead of the text\n"
    u"  -0, --null              write only the old and new path of each rename,\n"
    u"                          each followed by NUL\n"
    u"  -?, --help              show this help and exit\n"
    u"      --version           show the version and exit\n"
    u"  --                      end of options\n"
    u"\n"
    u"Short options bundle (-ns is -n -s); sub-options follow a colon (-n:se).\n"
    u"A long option may be shortened to any prefix that no other one begins.\n"
    u"A list is attached (-q:LIST) or the next argument; one that begins with\n"
    u"'-' must be attached (--replace=-n). Options are case-sensitive.\n"
    u"Quote wildcards ('*.txt') so that purifile, not the shell, expands them:\n"
    u"with -s the pattern must reach every subdirectory. A FILESPEC is matched\n"
    u"exactly as typed. On Windows the same options are written /A, /N:S ...\n"
    u"On a terminal the control characters of names are shown escaped (\\x1B);\n"
    u"to a file or a pipe names are written exactly.\n"
    u"\n"
    u"Exit status: 0 done, 1 bad option or journal (nothing renamed), 2 a rename\n"
    u"failed, a FILESPEC matched nothing or could not be resolved, undo left\n"
    u"something undone, or the journal could not be written, 3 quit at a\n"
    u"prompt, 4 --check found names to change (and nothing failed), 130\n"
    u"interrupted (SIGINT, SIGTERM, SIGHUP: the rename under way is finished,\n"
    u"the tallies so far written), 141 standard output closed (nothing more\n"
    u"renamed), 255 no filespec (nothing renamed).\n";

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

// The option table's form of sub-options whose letters are case-sensitive
// ("n:se", "k:b"): a solidus, then the option with the case of its ASCII
// letters swapped. The table knows only upper case, so -n:s is /N:S, while
// -n:S is /N:s, whose letter is no sub-option and is refused as typed. Null
// after a report.
const char16_t* CaseExactTableForm(StandaloneCommandLine* line, const char16_t* option) {
  char16_t* form = const_cast<char16_t*>(Joined(line, u"/", option));
  if (form != nullptr) {
    for (char16_t* ch = form + 1; *ch != 0; ++ch) {
      *ch = *ch != ToUpperAscii(*ch) ? ToUpperAscii(*ch) : ToLowerAscii(*ch);
    }
  }
  return form;
}

// The /Q or /R list, as typed: letter is Q or R.
std::int32_t ApplyList(StandaloneCommandLine* line, char16_t letter, const char16_t* list) {
  const char16_t option[] = {u'/', letter, u':', 0};
  const char16_t typed[] = {u'-', ToLowerAscii(letter), u':', 0};
  return ApplyTableOption(line, Joined(line, option, list), Joined(line, typed, list));
}

// The arguments after the one being read, for a list that comes as the next.
struct LaterArguments {
  int count;
  char** values;
  int* index;  // of the argument being read
  std::int32_t* typedUnits;
};

// The value (a list, or a journal's file) of an option written without one
// attached: the next argument, unless there is none or it begins with '-'.
// letter is the option's in the table ('Q', 'J'), name the option as typed,
// attached its form with a value attached ("-q:", "--replace="), which the
// refusal shows. Null after a report.
const char16_t* TakeNextList(StandaloneCommandLine* line, char16_t letter, const char16_t* name,
                             const char16_t* attached, const LaterArguments& later) {
  // The journal options (/J, /Z) take a file, the others a list.
  const bool file = letter == u'J' || letter == u'Z';
  const char16_t* noun = file ? u"file" : u"list";
  const int next = *later.index + 1;
  if (next >= later.count) {
    Diagnose(u"Option \"%s\" needs a %s: \"%s%s\"\r\n", name, noun, attached, file ? u"FILE" : u"LIST");
    return nullptr;
  }
  if (later.values[next][0] == '-') {
    const char16_t* value = ConvertArgument(line, later.values[next], later.typedUnits);
    const char16_t* joined = value != nullptr ? Joined(line, attached, value) : nullptr;
    if (joined != nullptr) {
      Diagnose(u"Option \"%s\" needs a %s, not \"%s\": a %s that begins with '-' is written \"%s\"\r\n", name,
               noun, value, noun, joined);
    }
    return nullptr;
  }
  *later.index = next;
  return ConvertArgument(line, later.values[next], later.typedUnits);
}

void TellWhereHelpIs() {
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Try \"purifile --help\" for more information.\r\n");
}

// What standard output carries: --json and -0 exclude each other, and the
// one given last does not silently win.
std::int32_t ChooseOutput(StandaloneCommandLine* line, RunOutput output) {
  if (line->options.output != OUTPUT_TEXT && line->options.output != output) {
    Diagnose(u"Options \"--json\" and \"-0\" exclude each other\r\n");
    return 1;
  }
  line->options.output = output;
  return 0;
}

// "--name", "--name=value", or "--name value" for a list that does not begin
// with '-'.
std::int32_t ApplyLongOption(StandaloneCommandLine* line, const char16_t* text, const LaterArguments& later) {
  const char16_t* value = nullptr;
  bool ambiguous = false;
  const LongOption* found = FindLongOption(text, &value, &ambiguous);
  if (found == nullptr) {
    if (ambiguous) {
      Diagnose(u"Option \"%s\" is ambiguous: %s\r\n", text, LongOptionsBeginning(text).c_str());
    } else {
      Diagnose(u"Unknown option \"%s\"\r\n", text);
    }
    return 1;
  }
  if (value != nullptr && found->kind != LONG_VALUE && found->kind != LONG_MAYBE_VALUE) {
    Diagnose(u"Option \"--%s\" takes no value\r\n", found->name);
    return 1;
  }
  switch (found->kind) {
    case LONG_FOLLOW:
      line->options.flags |= OPT_FOLLOW_LINKS;
      return 0;
    case LONG_JSON:
      return ChooseOutput(line, OUTPUT_JSON);
    case LONG_NULL:
      return ChooseOutput(line, OUTPUT_NUL);
    case LONG_ENTER_REPOSITORIES:
      line->options.flags &= ~OPT_NO_REPOSITORIES;
      return 0;
    case LONG_HELP:
      QPuts(POSIX_HELP);
      return STANDALONE_ANSWERED;
    case LONG_VERSION:
      WriteVersion();
      return STANDALONE_ANSWERED;
    case LONG_VALUE: {
      const char16_t* list = value;
      if (list == nullptr) {
        const char16_t* attached = Joined(line, text, u"=");
        list = attached != nullptr ? TakeNextList(line, found->option[1], text, attached, later) : nullptr;
      }
      return list == nullptr ? 1 : ApplyList(line, found->option[1], list);
    }
    default:
      break;
  }
  if (value == nullptr) {
    return ApplyTableOption(line, found->option, found->option);
  }
  // Named in messages by its short form: "--condense=bz" as "-k:bz".
  const char16_t* typed = Joined(line, found->typedPrefix, value);
  return typed == nullptr ? 1 : ApplyTableOption(line, CaseExactTableForm(line, typed + 1), typed);
}

// An unknown letter of text, named alone, and in its bundle when there is one.
std::int32_t ReportUnknownLetter(const char16_t* text, char16_t letter) {
  const char16_t option[] = {u'-', letter, 0};
  if (text[2] == 0) {
    Diagnose(u"Unknown option \"%s\"\r\n", option);
  } else {
    Diagnose(u"Unknown option \"%s\" in \"%s\"\r\n", option, text);
  }
  return 1;
}

// The option of the bundle text whose letter option points to.
std::int32_t ApplyBundledOption(StandaloneCommandLine* line, const char16_t* text, const char16_t* option,
                                const LaterArguments& later) {
  const char16_t letter = option[0];
  if (letter == u'L') {
    line->options.flags |= OPT_FOLLOW_LINKS;
    return 0;
  }
  if (letter == u'0') {
    return ChooseOutput(line, OUTPUT_NUL);
  }
  if (!IsTableLetter(letter)) {
    return ReportUnknownLetter(text, letter);
  }
  const char16_t typed[] = {u'-', letter, 0};
  if (TakesValue(letter)) {
    const char16_t* list = option + 1;
    if (*list == u':' || *list == u'=') {
      ++list;
    } else if (*list == 0) {
      const char16_t attached[] = {u'-', letter, u':', 0};
      list = TakeNextList(line, ToUpperAscii(letter), typed, attached, later);
    }
    return list == nullptr ? 1 : ApplyList(line, ToUpperAscii(letter), list);
  }
  if (BundledOptionLength(option) > 1) {
    return ApplyTableOption(line, CaseExactTableForm(line, option), Joined(line, u"-", option));
  }
  const char16_t table[] = {u'/', ToUpperAscii(letter), 0};
  return ApplyOption(table, typed, &line->options);
}

// "-x...": a bundle of short options, or -? and -??.
std::int32_t ApplyShortOptions(StandaloneCommandLine* line, const char16_t* text, const LaterArguments& later) {
  if (TextIs(text, u"-?")) {
    QPuts(POSIX_HELP);
    return STANDALONE_ANSWERED;
  }
  if (TextIs(text, u"-??")) {
    WriteVersion();
    return STANDALONE_ANSWERED;
  }
  for (const char16_t* option = text + 1; *option != 0; option += BundledOptionLength(option)) {
    const std::int32_t applied = ApplyBundledOption(line, text, option, later);
    if (applied != 0) {
      return applied;
    }
  }
  return 0;
}

// The spelling here of text, an option of the Windows form: '-' and the
// letter in lower case; the sub-options of /N and /K in lower case after a
// colon (/NS is /N:S, so -n:s, never -ns); a list as written (/Q:Ab is
// -q:Ab). False when text is no option the table takes ("/nonexistent" is
// /N with sub-options that are none, so a path).
bool PosixSpelling(const char16_t* text, std::u16string* spelling) {
  std::u16string option(text);
  for (char16_t& ch : option) {
    ch = ToUpperAscii(ch);
  }
  if (!IsOptionSpelling(option.c_str())) {
    return false;
  }
  const char16_t letter = option[1];
  const char16_t* rest = text + 2;
  const bool lists = letter == u'Q' || letter == u'R';
  if (*rest == 0 || (!lists && letter != u'N' && letter != u'K')) {
    spelling->assign(1, u'-');
    for (const char16_t* ch = text + 1; *ch != 0; ++ch) {
      spelling->push_back(ToLowerAscii(*ch));  // "/S" is -s, "/??" -??
    }
    return true;
  }
  if (*rest == u':' || *rest == u'=') {
    ++rest;
  }
  *spelling = {u'-', ToLowerAscii(letter), u':'};
  for (; *rest != 0; ++rest) {
    spelling->push_back(lists ? *rest : ToLowerAscii(*rest));
  }
  return true;
}

std::int32_t AddFileSpec(StandaloneCommandLine* line, const char16_t* text) {
  // "/n" or "/q:ab" where no such entry exists: the user meant an option.
  std::u16string spelling;
  if (text[0] == u'/' && PosixSpelling(text, &spelling) &&
      CheckNotAnOptionOfTheOtherForm(text, spelling.c_str()) != 0) {
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
// command ends at once, as the answer Quit would end it. A check with -p is
// refused by the command itself, terminal or not.
std::int32_t CheckPromptCanBeAnswered(const StandaloneCommandLine& line) {
  if ((line.options.flags & OPT_PROMPT) == 0 || (line.options.flags & OPT_CHECK) != 0) {
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
  line->options = CommandOptions{};
  line->options.flags = OPT_FORM_HABITS;
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
    const LaterArguments later{argc, argv, &i, &typedUnits};
    std::int32_t result = 0;
    if (!isOption) {
      result = AddFileSpec(line, text);
    } else if (text[1] == u'-') {
      result = ApplyLongOption(line, text, later);
    } else {
      result = ApplyShortOptions(line, text, later);
    }
    if (result == OPTIONS_HELP_WRITTEN || result == STANDALONE_ANSWERED) {
      return STANDALONE_ANSWERED;
    }
    if (result != 0) {
      // As getopt's users do: a misused option is followed by where to read more.
      if (isOption && result == 1) {
        TellWhereHelpIs();
      }
      return result;
    }
  }
  return 0;
}

namespace {

// The exit status of the command's result: a run stopped by a signal ends with
// 130, as one that Ctrl+C ends; one stopped because standard output was
// closed with 141, as one that SIGPIPE ends, which is also the status when
// what the command wrote last could not be written out.
std::int32_t ExitStatus(std::int32_t result) {
  if (result == COMMAND_INTERRUPTED) {
    return 130;
  }
  const bool written = FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE)) != 0;
  if (result == COMMAND_OUTPUT_CLOSED) {
    return 141;
  }
  if (!written) {
    Diagnose(u"standard output is closed\r\n");
    return 141;
  }
  return result;
}

}  // namespace

std::int32_t RunStandaloneWith(int argc, char** argv, StandaloneCommandLine* line) {
  SetReportStyle(REPORT_POSIX_STYLE);
  SetOutputRefusalsTold(true);
  const std::int32_t parsed = ParseStandaloneArguments(argc, argv, line);
  if (parsed != 0) {
    return parsed == STANDALONE_ANSWERED ? 0 : parsed;
  }
  if (line->specCount == 0 && line->options.undo == nullptr) {
    Diagnose(u"Missing filespec\r\n");
    TellWhereHelpIs();
    return -1;
  }
  if (CheckCurrentDirectory(*line) != 0) {
    return 1;
  }
  const std::int32_t unanswerable = CheckPromptCanBeAnswered(*line);
  if (unanswerable != 0) {
    return unanswerable;
  }
  // The journal records the argument vector as typed, each argument exactly.
  std::vector<std::u16string> typed;
  std::vector<const char16_t*> command;
  for (int i = 0; i < argc; ++i) {
    const std::size_t length = std::strlen(argv[i]);
    std::u16string text(length, u'\0');
    const int units = length == 0 ? 0
                                  : MultiByteToWideChar(CP_UTF8, 0, argv[i], static_cast<int>(length), text.data(),
                                                        static_cast<int>(length));
    text.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    typed.push_back(text);
  }
  for (const std::u16string& text : typed) {
    command.push_back(text.c_str());
  }
  return ExitStatus(RunCommand(line->specs, line->specCount, &line->options, command.data(),
                               static_cast<std::int32_t>(command.size())));
}
