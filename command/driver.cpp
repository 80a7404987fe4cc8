#include "command/driver.h"

#include "command/arguments.h"
#include "command/diagnostics.h"
#include "command/report.h"
#include "platform/system_error.h"
#include "platform/utf16_text.h"
#include "command/help_text.h"
#include "core/version.h"
#include "core/host_services.h"
#include "walker/rename.h"
#include "walker/undo.h"
#include "walker/walker.h"

namespace {

// ---- The option table: reviewed data, tested in the order listed. ----

enum OptionMatch : std::int32_t {
  MATCH_WHOLE,   // the entire argument equals the text
  MATCH_PREFIX,  // the argument's first two characters equal the text
};

enum OptionAction : std::int32_t {
  ACTION_HELP,          // write the help text, end the command with 0
  ACTION_HELP_VERSION,  // the help text and the version line, end with 0
  ACTION_SET_BITS,      // set the row's bits
  ACTION_SUB_OPTIONS,   // each letter of the rest sets its bit from the row's letter set
  ACTION_Q_LIST,        // the rest becomes the /Q list (absent when empty)
  ACTION_R_LIST,        // the rest becomes the /R list (absent when empty)
  ACTION_JOURNAL,       // the rest, as typed, is the journal to write
  ACTION_UNDO,          // the rest, as typed, is the journal to undo
};

struct SubOptionLetter {
  char16_t letter;
  OptionFlags bit;
};

struct SubOptionSet {
  const SubOptionLetter* letters;
  std::int32_t letterCount;
  const char16_t* unknownFormat;  // %c is the first letter that is not in the set
};

struct OptionRow {
  const char16_t* text;
  OptionMatch match;
  OptionAction action;
  OptionFlags bits;
  const SubOptionSet* subOptions;
};

constexpr SubOptionLetter CONDENSE_LETTERS[] = {
    {u'B', OPT_CONDENSE_BLANKS},
    {u'P', OPT_CONDENSE_PUNCT},
};

constexpr SubOptionLetter NEGATION_LETTERS[] = {
    {u'D', OPT_NO_HIDDEN_DIRS}, {u'E', OPT_NO_ERRORS},  {u'F', OPT_NO_SUFFIX},
    {u'J', OPT_NO_JUNCTIONS},   {u'P', OPT_NO_PERCENT}, {u'S', OPT_NO_SUMMARY},
};

// The two messages differ on purpose (a leading blank and no colon for /N);
// scripts that read standard error see exactly these texts. %s is the option
// as typed up to its letter ("/K", "-k"), %c the letter as typed.
constexpr SubOptionSet CONDENSE_SUB_OPTIONS = {CONDENSE_LETTERS, 2, u"Unknown suboption: %s:%c\r\n"};
constexpr SubOptionSet NEGATION_SUB_OPTIONS = {NEGATION_LETTERS, 6, u" Unknown suboption %s:%c\r\n"};

constexpr OptionRow OPTION_TABLE[] = {
    {u"/?", MATCH_WHOLE, ACTION_HELP, 0, nullptr},
    {u"/??", MATCH_WHOLE, ACTION_HELP_VERSION, 0, nullptr},
    {u"/8", MATCH_WHOLE, ACTION_SET_BITS, OPT_UTF8, nullptr},
    {u"/A", MATCH_WHOLE, ACTION_SET_BITS, OPT_AMPERSANDS, nullptr},
    {u"/B", MATCH_WHOLE, ACTION_SET_BITS, OPT_BLANKS, nullptr},
    {u"/C", MATCH_WHOLE, ACTION_SET_BITS, OPT_PARENTHESES, nullptr},
    {u"/D", MATCH_WHOLE, ACTION_SET_BITS, OPT_DIRECTORIES, nullptr},
    {u"/E", MATCH_WHOLE, ACTION_SET_BITS, OPT_EQUALS_HEX, nullptr},
    {u"/F", MATCH_WHOLE, ACTION_SET_BITS, OPT_QUOTES, nullptr},
    {u"/H", MATCH_WHOLE, ACTION_SET_BITS, OPT_ENTITIES, nullptr},
    {u"/J", MATCH_PREFIX, ACTION_JOURNAL, 0, nullptr},
    {u"/K", MATCH_WHOLE, ACTION_SET_BITS, OPT_CONDENSE_BLANKS | OPT_CONDENSE_PUNCT, nullptr},
    {u"/K", MATCH_PREFIX, ACTION_SUB_OPTIONS, 0, &CONDENSE_SUB_OPTIONS},
    {u"/N", MATCH_WHOLE, ACTION_SET_BITS, OPT_NOT_REALLY, nullptr},
    {u"/N", MATCH_PREFIX, ACTION_SUB_OPTIONS, 0, &NEGATION_SUB_OPTIONS},
    {u"/P", MATCH_WHOLE, ACTION_SET_BITS, OPT_PROMPT, nullptr},
    {u"/Q", MATCH_PREFIX, ACTION_Q_LIST, 0, nullptr},
    {u"/R", MATCH_PREFIX, ACTION_R_LIST, 0, nullptr},
    {u"/S", MATCH_WHOLE, ACTION_SET_BITS, OPT_RECURSE, nullptr},
    {u"/U", MATCH_WHOLE, ACTION_SET_BITS, OPT_HIGH_UNICODE, nullptr},
    {u"/W", MATCH_WHOLE, ACTION_SET_BITS, OPT_WINDOWS_NAMES, nullptr},
    {u"/X", MATCH_WHOLE, ACTION_SET_BITS, OPT_CHECK | OPT_NOT_REALLY, nullptr},
    {u"/Z", MATCH_PREFIX, ACTION_UNDO, 0, nullptr},
};

// The version line of /??: name, major, minor, build, always 0, platform tag.
constexpr char16_t VERSION_FORMAT[] = u"\r\n\t\t\t\t%s version %u.%u.%u.%u (%s)\r\n";

// ---- Small text helpers over zero-terminated UTF-16. ----

bool RowFits(const OptionRow& row, const char16_t* argument) {
  if (row.match == MATCH_WHOLE) {
    return TextEquals(row.text, argument);
  }
  return argument[0] == row.text[0] && argument[1] == row.text[1];
}

// The rest of a prefix option: from its third character, after one ':' or '='.
const char16_t* OptionRest(const char16_t* argument) {
  const char16_t* rest = argument + 2;
  if (*rest == u':' || *rest == u'=') {
    ++rest;
  }
  return rest;
}

// Sets the bit of every letter of the option's rest. Returns 0, or 1 after
// reporting the first letter that is not in the set, as typed (bits already set
// stay set, but the command ends before anything uses them).
// The index of letter in the set, or -1 when it is none of its letters.
std::int32_t FindSubOption(const SubOptionSet& set, char16_t letter) {
  for (std::int32_t i = 0; i < set.letterCount; ++i) {
    if (set.letters[i].letter == letter) {
      return i;
    }
  }
  return -1;
}

std::int32_t ApplySubOptions(const SubOptionSet& set, const char16_t* option, const char16_t* typed,
                             OptionFlags* flags) {
  for (const char16_t* rest = OptionRest(option); *rest != 0; ++rest) {
    const std::int32_t found = FindSubOption(set, *rest);
    if (found < 0) {
      const char16_t name[] = {typed[0], typed[1], 0};
      Diagnose(set.unknownFormat, name, static_cast<int>(typed[rest - option]));
      return 1;
    }
    *flags |= set.letters[found].bit;
  }
  return 0;
}

// Applies one option row to the argument. Returns 0, 1 (bad sub-option) or
// OPTIONS_HELP_WRITTEN.
std::int32_t ApplyOptionRow(const OptionRow& row, const char16_t* argument, const char16_t* typed,
                            CommandOptions* options) {
  switch (row.action) {
    case ACTION_HELP:
      QPuts(HELP_TEXT);
      return OPTIONS_HELP_WRITTEN;
    case ACTION_HELP_VERSION:
      QPuts(HELP_TEXT);
      Printf(VERSION_FORMAT, PLUGIN_NAME, static_cast<unsigned>(PLUGIN_MAJOR_VERSION),
             static_cast<unsigned>(PLUGIN_MINOR_VERSION), static_cast<unsigned>(PLUGIN_BUILD), 0u, u"x64");
      return OPTIONS_HELP_WRITTEN;
    case ACTION_SET_BITS:
      options->flags |= row.bits;
      return 0;
    case ACTION_SUB_OPTIONS:
      return ApplySubOptions(*row.subOptions, argument, typed, &options->flags);
    case ACTION_Q_LIST:
    case ACTION_R_LIST: {
      const char16_t* rest = OptionRest(argument);
      const char16_t* list = (*rest != 0) ? rest : nullptr;
      (row.action == ACTION_Q_LIST ? options->qList : options->rList) = list;
      return 0;
    }
    case ACTION_JOURNAL:
    case ACTION_UNDO: {
      // A file name keeps the case it was typed in (the plug-in's splitter
      // has upper-cased it already, which Windows file systems ignore).
      const char16_t* file = OptionRest(typed);
      if (*file == 0) {
        const char16_t name[] = {typed[0], typed[1], 0};
        Diagnose(u"Option \"%s\" needs a file name: \"%s:FILE\"\r\n", typed, name);
        return 1;
      }
      (row.action == ACTION_JOURNAL ? options->journal : options->undo) = file;
      return 0;
    }
  }
  return 0;
}

bool EndsWithSeparator(const char16_t* path, std::int32_t length) {
  return length > 0 && IsPathSeparator(path[length - 1]);
}

// True when the path is a bare drive designator such as "C:": a colon that no
// separator precedes. On POSIX a colon is an ordinary character of a name, and
// a true name always starts with a separator, so this never applies there.
bool EndsWithDriveColon(const char16_t* path, std::int32_t length) {
  if (length == 0 || path[length - 1] != u':') {
    return false;
  }
  for (std::int32_t i = 0; i < length - 1; ++i) {
    if (IsPathSeparator(path[i])) {
      return false;
    }
  }
  return true;
}

// Whether the colon at colonAt ends a drive designator ("C:", "\\?\C:"): one
// letter before it, at the start or after a long-path prefix. A colon in a
// name ("x:" on POSIX) ends none.
bool IsDriveColon(const char16_t* path, std::int32_t colonAt) {
  const bool letter = colonAt >= 1 && ((path[colonAt - 1] >= u'A' && path[colonAt - 1] <= u'Z') ||
                                       (path[colonAt - 1] >= u'a' && path[colonAt - 1] <= u'z'));
  const bool prefixed = colonAt == 5 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
                        (path[2] == u'?' || path[2] == u'.') && IsPathSeparator(path[3]);
  return letter && (colonAt == 1 || prefixed);
}

// Under /D a directory named with trailing separators ("WORK\") is still the
// directory itself, matched in its parent: drop them, but never a root's own.
void DropTrailingSeparators(char16_t* path) {
  std::int32_t length = static_cast<std::int32_t>(TextLength(path));
  while (length > 1 && IsPathSeparator(path[length - 1]) &&
         !(path[length - 2] == u':' && IsDriveColon(path, length - 2))) {
    path[--length] = 0;
  }
}

// The working storage of one command. Static rather than on the stack: the
// command is not reentrant anyway (the argument table is static), and the walk
// below needs the stack for its own buffers at every directory level.
struct DriverBuffers {
  char16_t trueName[MAX_ARG_LEN];
  char16_t directory[MAX_ARG_LEN];
  char16_t pattern[MAX_ARG_LEN];
};
DriverBuffers driverBuffers;

// Reports that the file specification just walked matched nothing.
std::int32_t ReportNoMatch(OptionFlags flags) {
  RunEvent event{};
  event.kind = EVENT_NO_MATCH;
  event.options = flags;
  event.directory = driverBuffers.directory;
  event.name = driverBuffers.pattern;
  return Report(event);
}

// Reports a file specification (or its true name) that cannot be walked. Returns 2.
std::int32_t RefuseSpec(SpecRefusal reason, const char16_t* name, OptionFlags flags,
                        SystemFailure failure = SystemFailure{0, 0}) {
  RunEvent event{};
  event.kind = EVENT_SPEC_REFUSED;
  event.options = flags;
  event.name = name;
  event.reason = reason;
  event.code = failure.code;
  event.systemError = failure.systemError;
  Report(event);
  return 2;
}

// Turns one file specification into directory and pattern. Returns 0, or 2
// after reporting a specification that cannot be walked. A refused
// specification is never walked with an earlier one's directory: each starts
// from empty buffers.
std::int32_t ResolveFileSpec(const char16_t* spec, OptionFlags flags) {
  char16_t* trueName = driverBuffers.trueName;
  trueName[0] = 0;
  driverBuffers.directory[0] = 0;
  driverBuffers.pattern[0] = 0;
  QueryTrueName(spec, trueName);
  if (trueName[0] == 0) {
    return RefuseSpec(SPEC_UNRESOLVED, spec, flags);
  }
  if ((flags & OPT_DIRECTORIES) == 0) {
    if (QueryIsDirectory(trueName) != 0 && AppendWildcard(trueName) != 0) {
      return RefuseSpec(SPEC_TOO_LONG, trueName, flags);
    }
  } else {
    DropTrailingSeparators(trueName);
  }
  if (SplitTrueName(trueName, driverBuffers.directory, driverBuffers.pattern) != 0) {
    // A directory's path that names none: told why, where the system can say.
    if (GetFileAttributesW(trueName) == INVALID_FILE_ATTRIBUTES) {
      return RefuseSpec(SPEC_MISSING, trueName, flags, SystemFailure{GetLastError(), GetLastSystemError()});
    }
    return RefuseSpec(SPEC_UNRESOLVED, trueName, flags);
  }
  return 0;
}

}  // namespace

std::int32_t AppendWildcard(char16_t* path) {
  if (path == nullptr) {
    return -1;
  }
  const std::int32_t length = static_cast<std::int32_t>(TextLength(path));
  const bool needsSeparator =
      length > 0 && !EndsWithSeparator(path, length) && !EndsWithDriveColon(path, length);
  const std::int32_t needed = length + (needsSeparator ? 1 : 0) + 1;  // and "*"
  if (needed > MAX_ARG_LEN - 1) {
    return 1;
  }
  std::int32_t end = length;
  if (needsSeparator) {
    path[end++] = PATH_SEPARATOR;
  }
  path[end++] = u'*';
  path[end] = 0;
  return 0;
}

std::int32_t SplitTrueName(const char16_t* trueName, char16_t* directory, char16_t* pattern) {
  std::int32_t splitAt = -1;
  bool separatorSeen = false;
  std::int32_t length = 0;
  for (; trueName[length] != 0; ++length) {
    if (IsPathSeparator(trueName[length])) {
      splitAt = length;
      separatorSeen = true;
    } else if (trueName[length] == u':' && !separatorSeen) {
      splitAt = length;
    }
  }
  if (splitAt < 0 || splitAt == length - 1) {
    return -1;
  }
  for (std::int32_t i = 0; i <= splitAt; ++i) {
    directory[i] = trueName[i];
  }
  directory[splitAt + 1] = 0;
  std::int32_t out = 0;
  for (std::int32_t i = splitAt + 1; i < length; ++i) {
    pattern[out++] = trueName[i];
  }
  pattern[out] = 0;
  return 0;
}

const OptionRow* FindOptionRow(const char16_t* option) {
  for (const OptionRow& row : OPTION_TABLE) {
    if (RowFits(row, option)) {
      return &row;
    }
  }
  return nullptr;
}

std::int32_t ApplyOption(const char16_t* option, const char16_t* typed, CommandOptions* options) {
  const OptionRow* row = FindOptionRow(option);
  if (row == nullptr) {
    Diagnose(u"Unknown option \"%s\"\r\n", typed);
    return 1;
  }
  return ApplyOptionRow(*row, option, typed, options);
}

bool FitsOptionTable(const char16_t* option) { return FindOptionRow(option) != nullptr; }

bool IsOptionSpelling(const char16_t* option) {
  const OptionRow* row = FindOptionRow(option);
  if (row == nullptr || row->action != ACTION_SUB_OPTIONS) {
    return row != nullptr;
  }
  for (const char16_t* rest = OptionRest(option); *rest != 0; ++rest) {
    if (FindSubOption(*row->subOptions, *rest) < 0) {
      return false;
    }
  }
  return true;
}

namespace {

// Whether undo uses every option given: a preview, a journal of its own, the
// output's form, no error messages, no summary, and each form's habits. An
// option that chooses entries or names (a walk's, a cleaning rule, a prompt)
// would be ignored, and is refused instead.
bool UndoHonoursEveryOption(const CommandOptions& options) {
  constexpr OptionFlags HONOURED = OPT_NOT_REALLY | OPT_NO_ERRORS | OPT_NO_SUMMARY | OPT_FORM_HABITS;
  return (options.flags & ~HONOURED) == 0 && options.qList == nullptr && options.rList == nullptr;
}

// The command's result after a run that stopped for stop, else result.
std::int32_t ResultAfterStop(StopReason stop, std::int32_t result) {
  switch (stop) {
    case STOP_QUIT:
      return 3;
    case STOP_INTERRUPTED:
      return COMMAND_INTERRUPTED;
    case STOP_OUTPUT_CLOSED:
      return COMMAND_OUTPUT_CLOSED;
    case STOP_JOURNAL_FAILED:
      return 2;
    case STOP_NONE:
      break;
  }
  return result;
}

}  // namespace

std::int32_t WalkFileSpecs(const char16_t* const* specs, std::int32_t count, CommandOptions* options) {
  const StopRequestScope stopRequests;
  // A preview gives no name twice in a directory, whichever specification
  // reaches it.
  const PreviewScope preview;
  RenameTally grandTally{0, 0, 0, 0};
  std::int32_t result = 0;
  StopReason stop = STOP_NONE;
  for (std::int32_t j = 0; j < count && stop == STOP_NONE; ++j) {
    if (ResolveFileSpec(specs[j], options->flags) != 0) {
      result = 2;
      continue;
    }
    const std::uint32_t foundBefore = grandTally.found;
    PreviewScope::SetLaterWalksFollow(j + 1 < count);
    const std::int32_t walked = WalkDirectory(driverBuffers.directory, driverBuffers.pattern, &options->flags,
                                              options->qList, options->rList, &grandTally);
    if (walked == RENAME_QUIT) {
      stop = STOP_QUIT;
    } else if (walked == RENAME_STOPPED) {
      stop = PendingStop();
    } else if (walked != 0) {
      result = 2;
    } else if (grandTally.found == foundBefore) {
      ReportNoMatch(options->flags);
      // In the POSIX style a name that matched nothing (a typing error, most
      // likely) is a failure, as a missing file is for the platform's tools.
      if (ReportStyleInUse() == REPORT_POSIX_STYLE) {
        result = 2;
      }
    }
  }

  // A check that ran through and found something to change says so.
  if ((options->flags & OPT_CHECK) != 0 && stop == STOP_NONE && result == 0 && PreviewsReported() > 0) {
    result = CHECK_FOUND_CHANGES;
  }
  // The prompt's answer All may have cleared a bit meanwhile, so the word is
  // read again here.
  RunEvent total{};
  total.kind = EVENT_GRAND_TOTAL;
  total.options = options->flags;
  total.tally = grandTally;
  total.reason = stop;
  Report(total);
  return ResultAfterStop(stop, result);
}

std::int32_t ShellResult(std::int32_t result) {
  return result == COMMAND_INTERRUPTED || result == COMMAND_OUTPUT_CLOSED ? 3 : result;
}

std::int32_t RunCommand(const char16_t* const* specs, std::int32_t count, CommandOptions* options,
                        const char16_t* const* command, std::int32_t commandCount) {
  if (options->undo != nullptr && count > 0) {
    Diagnose(u"Undo takes no file specification: \"%s\"\r\n", specs[0]);
    return 1;
  }
  if ((options->flags & (OPT_CHECK | OPT_PROMPT)) == (OPT_CHECK | OPT_PROMPT)) {
    Diagnose(u"A check renames nothing and asks nothing: it takes no prompt\r\n");
    return 1;
  }
  if (options->undo != nullptr && !UndoHonoursEveryOption(*options)) {
    Diagnose(u"Undo renames back what the journal shows, and takes only the options of a preview, a journal, "
             u"the output and its messages\r\n");
    return 1;
  }
  const ReportSettings settings{options->output,
                                options->journal,
                                command,
                                commandCount,
                                options->undo,
                                (options->flags & OPT_NOT_REALLY) != 0,
                                (options->flags & (OPT_PROGRESS | OPT_PROMPT)) == OPT_PROGRESS};
  if (BeginReport(settings) != 0) {
    return 1;
  }
  std::int32_t result = 0;
  if (options->undo != nullptr) {
    const StopRequestScope stopRequests;
    const std::int32_t undone = UndoJournal(options->undo, &options->flags);
    result = ResultAfterStop(undone == RENAME_STOPPED ? PendingStop() : STOP_NONE, undone);
  } else {
    result = WalkFileSpecs(specs, count, options);
  }
  const std::int32_t ended = EndReport();
  return result == 0 ? ended : result;
}

namespace {

// The file specifications of the current argument table, in order.
const char16_t* tailFileSpecs[MAX_ARGUMENTS];

}  // namespace

// The plug-in's command: the tail split as the shell's own commands split
// theirs, every argument that begins with a solidus an option.
extern "C" int purifile(const char16_t* tail) {
  if (tail == nullptr) {
    return 1;
  }
  SplitArguments(tail);
  if (argumentTable.count <= 0) {
    Diagnose(u"Missing filespec\r\n");
    return -1;
  }
  CommandOptions options{};
  std::int32_t specCount = 0;
  for (std::int32_t j = 0; j < argumentTable.count; ++j) {
    const char16_t* argument = argumentTable.starts[j];
    if (argumentTable.lengths[j] == 0) {
      continue;
    }
    if (argument[0] != u'/') {
      tailFileSpecs[specCount++] = argument;
      continue;
    }
    const std::int32_t applied = ApplyOption(argument, argument, &options);
    if (applied == OPTIONS_HELP_WRITTEN) {
      return 0;
    }
    if (applied != 0) {
      return applied;
    }
  }
  if (specCount == 0 && options.undo == nullptr) {
    Diagnose(u"Missing filespec\r\n");
    return -1;
  }
  // The journal records the tail as the shell passed it, before splitting.
  return ShellResult(RunCommand(tailFileSpecs, specCount, &options, &tail, 1));
}
