// The human text of a run: a rename line for each rename shown, a tally line
// for each directory with matches and for the grand total on standard output;
// on standard error the reports of what failed or was not found. /N:E
// silences the diagnostics about entries and directories, /N:S the tally
// lines.
//
// In the shell's style it is the text the command has always written: a
// rename line just before the rename, "File not found" for every directory
// without a match, nothing more after the answer Quit.
//
// In the POSIX style (see ReportStyle) the lines of standard output are what
// happened: a rename line once the rename is done (a failure has only its
// message), and a rename made at a prompt there too unless standard output is
// that terminal, where the prompt showed it. Messages follow coreutils:
//   purifile: cannot rename '/dir/old' to '/dir/new': Operation not permitted
// with the system's own words for the error and every path quoted as
// coreutils quotes a file name; a file specification that matched nothing is
// reported once, after its walk, not each directory of it; after Quit the
// tallies so far are written as after an interrupt.
//
// Whatever the style, a write to standard output that the standalone
// programs' host refuses (a pipe whose reader has gone) asks the run to stop
// before its next rename: what it renamed from then on could not be shown. A
// shell's Printf promises nothing by its result, so the plug-in goes on.
//
// Undo ends with its own tally ("Undone 2, not undone 1", or "Nothing to
// undo"); what is wrong with a journal is always told. When standard output
// carries another format (JSON Lines, NUL), only the diagnostics are written
// here.
#include <string>

#include "command/diagnostics.h"
#include "command/json_lines.h"
#include "command/report.h"
#include "command/tally.h"
#include "platform/utf16_text.h"
#include "core/host_services.h"

namespace {

constexpr char16_t ARROW[] = u"\u2500\u25BA";

bool ErrorsShown(const RunEvent& event) { return (event.options & OPT_NO_ERRORS) == 0; }

bool PosixStyle() { return ReportStyleInUse() == REPORT_POSIX_STYLE; }

// The result of a Printf or QPuts on standard output, negative when the text
// was refused: that stops the run, where the host tells refusals so.
void CheckShown(int written) {
  if (written < 0 && OutputRefusalsTold()) {
    RequestStop(STOP_OUTPUT_CLOSED);
  }
}

bool StandardOutputIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// The words of each rule of a check. A rule that points at a character
// follows it ("':' U+003A at 2" and the words); one of the whole name stands
// alone; quoted: what the rule reads follows in quotes (the hex pair "%20").
struct RuleWords {
  NameRule rule;
  const char16_t* words;
  bool ofTheWholeName;
  bool quoted;
};
constexpr RuleWords RULE_WORDS[] = {
    {RULE_HEX_PAIR, u" begins the hex pair", false, true},
    {RULE_ENTITY, u" begins the entity", false, true},
    {RULE_NOT_UTF8, u" is not UTF-8", false, false},
    {RULE_CONTROL, u" is a control character", false, false},
    {RULE_NOT_ON_WINDOWS, u" is not allowed on Windows", false, false},
    {RULE_TRANSLATED, u" is replaced", false, false},
    {RULE_QUOTE, u" is a quote mark", false, false},
    {RULE_BLANK, u" is a blank", false, false},
    {RULE_AMPERSAND, u" is an ampersand", false, false},
    {RULE_PARENTHESIS, u" is a parenthesis", false, false},
    {RULE_BEYOND_BMP, u" is beyond U+FFFF", false, false},
    {RULE_LISTED, u" is in the list to replace", false, false},
    {RULE_INVISIBLE, u" is an invisible format character", false, false},
    {RULE_TRAILING, u" ends the name", false, false},
    {RULE_RUN, u" repeats the character before it", false, false},
    {RULE_MOJIBAKE, u"the name holds mojibake", true, false},
    {RULE_NOT_COMPOSED, u"the name is not composed (NFC)", true, false},
    {RULE_DEVICE_NAME, u"the name is a Windows device name", true, false},
    {RULE_CLEANED, u"the name is cleaned", true, false},
};

// Where the reason points: "':' U+003A at 2"; a control character by its
// code point alone, a byte that is not UTF-8 as a byte.
std::u16string CharacterAt(const NameReason& reason, const std::u16string& read) {
  char16_t text[96];
  const auto code = static_cast<unsigned>(reason.codePoint);
  const auto position = static_cast<unsigned>(reason.position);
  if (reason.rule == RULE_NOT_UTF8) {
    Sprintf(text, u"byte 0x%02X at %u", code, position);
  } else if (code < 0x20 || code == 0x7F) {
    Sprintf(text, u"U+%04X at %u", code, position);
  } else {
    Sprintf(text, u"'%s' U+%04X at %u", read.substr(0, code > 0xFFFF ? 2 : 1).c_str(), code, position);
  }
  return text;
}

// How a reason of a check reads after the path: "':' U+003A at 2 is not
// allowed on Windows". name is the entry's old name, which the reason points into.
std::u16string ReasonText(const NameReason& reason, const char16_t* name) {
  if (reason.rule == RULE_TOO_LONG) {
    char16_t text[96];
    Sprintf(text, u"the name is %u long, more than %u", static_cast<unsigned>(reason.length),
            static_cast<unsigned>(reason.limit));
    return text;
  }
  if (reason.rule == RULE_TWIN) {
    return u"the name is the twin of \"" + std::u16string(reason.twin) + u"\", which keeps its name";
  }
  const std::u16string read(name + reason.start, reason.units);
  for (const RuleWords& entry : RULE_WORDS) {
    if (entry.rule == reason.rule) {
      if (entry.ofTheWholeName) {
        return entry.words;
      }
      const std::u16string said = CharacterAt(reason, read) + entry.words;
      return entry.quoted ? said + u" \"" + read + u"\"" : said;
    }
  }
  return u"the name is cleaned";
}

// Under /X: "path": reason, a line for each reason the entry would be renamed.
std::int32_t WriteReasons(const RunEvent& event) {
  for (const NameReason& reason : *event.reasons) {
    CheckShown(Printf(u"\"%s\": %s\r\n", event.oldPath, ReasonText(reason, event.name).c_str()));
  }
  return 0;
}

// "old" ─► "new", when this event shows it in the style in use.
std::int32_t WriteRenameLine(const RunEvent& event) {
  if (event.kind == EVENT_PREVIEWED && event.reasons != nullptr) {
    return WriteReasons(event);
  }
  const bool shown = PosixStyle() ? (event.kind == EVENT_RENAMED || event.kind == EVENT_PREVIEWED) &&
                                        (!event.prompted || !StandardOutputIsConsole())
                                  : (event.kind == EVENT_RENAMING || event.kind == EVENT_PREVIEWED) &&
                                        !event.prompted;
  if (shown) {
    CheckShown(Printf(u"\"%s\" %s \"%s\"\r\n", event.oldPath, ARROW, event.newPath));
  }
  return 0;
}

// Its tally line (unless /N:S); in the shell's style "File not found" (unless
// /N:E) when nothing matched. After Quit the shell's style writes nothing, and
// a directory the run stopped in before any match has no report either.
std::int32_t WriteDirectoryReport(const RunEvent& event) {
  if (event.reason == STOP_QUIT && !PosixStyle()) {
    return 0;
  }
  if (event.tally.found == 0) {
    if (!PosixStyle() && event.reason == STOP_NONE && ErrorsShown(event)) {
      Diagnose(u"File not found:  \"%s%s\"\r\n", event.directory, event.name);
      Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n");
    }
  } else if ((event.options & OPT_NO_SUMMARY) == 0) {
    CrLf();
    PrintTally(event.tally);
    CheckShown(Printf(u" in \"%s\"\r\n\n", event.directory));
  }
  return 0;
}

// The grand total, under /S unless /N:S; in the shell's style not after Quit.
std::int32_t WriteGrandTotal(const RunEvent& event) {
  if ((event.options & OPT_RECURSE) != 0 && (event.options & OPT_NO_SUMMARY) == 0 &&
      (event.reason != STOP_QUIT || PosixStyle())) {
    CheckShown(QPuts(u"GRAND TOTAL: "));
    PrintTally(event.tally);
    CrLf();
  }
  return 0;
}

// Nothing to undo when every entry was back already (or never renamed);
// under /N the previews were shown.
std::int32_t WriteUndoTotal(const RunEvent& event) {
  if (event.tally.fixed == 0 && event.tally.failed == 0 && (event.options & OPT_NOT_REALLY) == 0) {
    CheckShown(QPuts(u"Nothing to undo\r\n"));
  } else {
    CrLf();
    CheckShown(Printf(u"Undone %u, not undone %u\r\n", static_cast<unsigned>(event.tally.fixed),
                      static_cast<unsigned>(event.tally.failed)));
  }
  return 0;
}

// What goes to standard output alone: rename lines and tallies (a directory's
// "File not found" is a diagnostic).
bool WritesStandardOutput(const RunEvent& event) {
  switch (event.kind) {
    case EVENT_RENAMING:
    case EVENT_RENAMED:
    case EVENT_PREVIEWED:
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      return true;
    case EVENT_DIRECTORY_DONE:
      return event.tally.found != 0;
    default:
      return false;
  }
}

const char16_t* StopText(const RunEvent& event) {
  if (event.reason == STOP_OUTPUT_CLOSED) {
    return PosixStyle() ? u"standard output is closed: stopped before the next rename\r\n"
                        : u"Standard output is closed: stopped before the next rename\r\n";
  }
  return PosixStyle() ? u"interrupted: stopped before the next rename\r\n"
                      : u"Interrupted: stopped before the next rename\r\n";
}

// ---- The shell's style of diagnostics. ----

std::int32_t WriteShellDiagnostic(const RunEvent& event) {
  switch (event.kind) {
    case EVENT_RENAME_FAILED:
      return ReportSystemError(u"Error renaming \"%s\":\r\n", event.name, event.code);
    case EVENT_DEVICE_NAME:
      Diagnose(u"Error renaming \"%s\":\r\n", event.name);
      return Qprintf(GetStdHandle(STD_ERROR_HANDLE),
                     u"    The new name \"%s\" is a Windows device name, and no suffix may be added\r\n\r\n",
                     event.newName);
    case EVENT_DIRECTORY_UNREADABLE:
      return ReportSystemError(u"Error reading directory \"%s\":\r\n", event.directory, event.code);
    case EVENT_DIRECTORY_PASSED_OVER:
      switch (static_cast<PassedOverReason>(event.reason)) {
        case PASSED_OVER_NO_MEMORY:
          Diagnose(u"Not enough memory to read \"%s%s\"\r\n", event.directory, event.name);
          break;
        case PASSED_OVER_TOO_LONG:
          Diagnose(u"Path too long, not searched:  \"%s%s\"\r\n", event.directory, event.name);
          break;
        case PASSED_OVER_LINK_LOOP:
          Diagnose(u"Link loop, not searched again:  \"%s%s\"\r\n", event.directory, event.name);
          break;
      }
      return Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n");
    case EVENT_SPEC_REFUSED:
      return Diagnose(event.reason == SPEC_TOO_LONG ? u"Path too long: \"%s\"\r\n" : u"Cannot resolve \"%s\"\r\n",
                      event.name);
    default:
      return 0;  // a specification without a match was reported directory by directory
  }
}

// ---- The POSIX style of diagnostics. ----

void WriteError(const char16_t* text) { Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%s", text); }

// The path directory + name on standard error, quoted as coreutils quotes a
// file name: 'name'; "name" when it holds an apostrophe and nothing a shell
// expands between double quotation marks; otherwise in apostrophes, each
// apostrophe of the name written '\''. Either way the text can be pasted into
// a shell. The quotation marks are the program's text, the name an argument,
// so that on a terminal the name's control characters are escaped as
// everywhere (platform/terminal_text.h) and the quotes are not.
void WriteQuoted(const char16_t* directory, const char16_t* name) {
  const std::u16string path = std::u16string(directory) + (name != nullptr ? name : u"");
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (path.find(u'\'') == std::u16string::npos) {
    Qprintf(error, u"'%s'", path.c_str());
  } else if (path.find_first_of(u"\"$`\\") == std::u16string::npos) {
    Qprintf(error, u"\"%s\"", path.c_str());
  } else {
    Qprintf(error, u"'");
    for (std::size_t start = 0;;) {
      const std::size_t apostrophe = path.find(u'\'', start);
      WriteError(path.substr(start, apostrophe - start).c_str());
      if (apostrophe == std::u16string::npos) {
        break;
      }
      Qprintf(error, u"'\\''");
      start = apostrophe + 1;
    }
    Qprintf(error, u"'");
  }
}

// The system's own words for the error of the event, or for a Windows code.
std::u16string ErrorWords(std::uint32_t systemError, std::uint32_t code) {
  char16_t words[ERROR_TEXT_LEN];
  if (systemError != 0) {
    SystemErrorWords(systemError, words, ERROR_TEXT_LEN);
  } else {
    SystemErrorText(code, words);
  }
  return words;
}

std::u16string WordsOf(std::uint32_t code) { return ErrorWords(SystemErrorOf(code), code); }

// "purifile: <doing> 'path'[ to 'path'][: <why>]"
std::int32_t Complain(const char16_t* doing, const char16_t* directory, const char16_t* name,
                      const char16_t* newName, const std::u16string& why) {
  ErrorPrefix();
  WriteError(doing);
  WriteQuoted(directory, name);
  if (newName != nullptr) {
    WriteError(u" to ");
    WriteQuoted(directory, newName);
  }
  return why.empty() ? Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n")
                     : Qprintf(GetStdHandle(STD_ERROR_HANDLE), u": %s\r\n", why.c_str());
}

std::int32_t WritePosixDiagnostic(const RunEvent& event) {
  switch (event.kind) {
    case EVENT_RENAME_FAILED:
      return Complain(u"cannot rename ", event.directory, event.name, event.newName,
                      ErrorWords(event.systemError, event.code));
    case EVENT_DEVICE_NAME:
      return Complain(u"cannot rename ", event.directory, event.name, event.newName,
                      u"the new name is a Windows device name, and -n:f adds no suffix");
    case EVENT_DIRECTORY_UNREADABLE:
      return Complain(u"cannot read directory ", event.directory, nullptr, nullptr,
                      ErrorWords(event.systemError, event.code));
    case EVENT_DIRECTORY_PASSED_OVER:
      switch (static_cast<PassedOverReason>(event.reason)) {
        case PASSED_OVER_NO_MEMORY:
          return Complain(u"cannot read directory ", event.directory, event.name, nullptr,
                          WordsOf(ERROR_NOT_ENOUGH_MEMORY));
        case PASSED_OVER_TOO_LONG:
          return Complain(u"cannot search ", event.directory, event.name, nullptr,
                          WordsOf(ERROR_FILENAME_EXCED_RANGE));
        case PASSED_OVER_LINK_LOOP:
          return Complain(u"", event.directory, event.name, nullptr, u"link loop, not searched again");
      }
      return 0;
    case EVENT_SPEC_REFUSED:
      switch (static_cast<SpecRefusal>(event.reason)) {
        case SPEC_TOO_LONG:
          return Complain(u"", event.name, nullptr, nullptr, WordsOf(ERROR_FILENAME_EXCED_RANGE));
        case SPEC_MISSING:
          return Complain(u"cannot access ", event.name, nullptr, nullptr, ErrorWords(event.systemError, event.code));
        case SPEC_UNRESOLVED:
          break;
      }
      return Complain(u"cannot resolve ", event.name, nullptr, nullptr, u"");
    case EVENT_NO_MATCH:
      return Complain(u"cannot access ", event.directory, event.name, nullptr, WordsOf(ERROR_FILE_NOT_FOUND));
    default:
      return 0;
  }
}

// ---- The journal and undo, in the style in use. ----

// The text of a journal problem that is not the system's: the shell's style
// names the journal in it, the POSIX style before it.
std::u16string JournalProblemText(const RunEvent& event, bool posix) {
  char16_t text[1024];
  const unsigned number = static_cast<unsigned>(event.code);
  switch (static_cast<JournalProblem>(event.reason)) {
    case JOURNAL_TOO_NEW:
      if (posix) {
        Sprintf(text, u"written by a newer purifile (journal version %u; this one reads %u)", number,
                static_cast<unsigned>(JOURNAL_VERSION));
      } else {
        Sprintf(text, u"\"%s\" was written by a newer purifile (journal version %u; this one reads %u)", event.name,
                number, static_cast<unsigned>(JOURNAL_VERSION));
      }
      break;
    case JOURNAL_BAD_LINE:
      if (posix) {
        Sprintf(text, u"line %u is not a journal line", number);
      } else {
        Sprintf(text, u"Line %u of the journal \"%s\" is not a journal line", number, event.name);
      }
      break;
    case JOURNAL_LAST_LINE_CUT:
      if (posix) {
        Sprintf(text, u"the last line (line %u) is cut off", number);
      } else {
        Sprintf(text, u"The last line of the journal \"%s\" (line %u) is cut off", event.name, number);
      }
      break;
    default:
      if (posix) {
        Sprintf(text, u"not a journal of purifile");
      } else {
        Sprintf(text, u"\"%s\" is not a journal of purifile", event.name);
      }
      break;
  }
  return text;
}

std::int32_t WriteJournalProblem(const RunEvent& event) {
  const bool posix = PosixStyle();
  const std::u16string words = ErrorWords(event.systemError, event.code);
  switch (static_cast<JournalProblem>(event.reason)) {
    case JOURNAL_NOT_CREATED:
      return posix ? Complain(u"cannot create journal ", event.name, nullptr, nullptr, words)
                   : ReportSystemError(u"Cannot create the journal \"%s\":\r\n", event.name, event.code);
    case JOURNAL_NOT_WRITTEN:
      return posix ? Complain(u"cannot write journal ", event.name, nullptr, nullptr, words + u" (nothing more is renamed)")
                   : ReportSystemError(u"Cannot write the journal \"%s\" (nothing more is renamed):\r\n", event.name,
                                       event.code);
    case JOURNAL_NOT_READ:
      return posix ? Complain(u"cannot read journal ", event.name, nullptr, nullptr, words)
                   : ReportSystemError(u"Cannot read the journal \"%s\":\r\n", event.name, event.code);
    case JOURNAL_LAST_LINE_CUT:
      return posix ? Complain(u"", event.name, nullptr, nullptr, JournalProblemText(event, true) + u": left out")
                   : Diagnose(u"%s: left out\r\n", JournalProblemText(event, false).c_str());
    default:
      return posix ? Complain(u"", event.name, nullptr, nullptr, JournalProblemText(event, true) + u": nothing undone")
                   : Diagnose(u"%s: nothing undone\r\n", JournalProblemText(event, false).c_str());
  }
}

std::int32_t WriteNotUndone(const RunEvent& event) {
  const char16_t* why = event.reason == NOT_UNDONE_GONE ? u"it is gone" : u"another entry has its name now";
  if (PosixStyle()) {
    ErrorPrefix();
    WriteError(u"cannot rename ");
    WriteQuoted(event.directory, event.name);
    WriteError(u" back to ");
    WriteQuoted(event.directory, event.newName);
    return Qprintf(GetStdHandle(STD_ERROR_HANDLE), u": %s\r\n", why);
  }
  return Diagnose(u"Cannot rename \"%s\" back to \"%s\": %s\r\n", event.oldPath, event.newPath, why);
}

}  // namespace

std::int32_t WriteTextEvent(const RunEvent& event, bool diagnosticsOnly) {
  if (diagnosticsOnly && WritesStandardOutput(event)) {
    return 0;
  }
  switch (event.kind) {
    case EVENT_RENAMING:
    case EVENT_RENAMED:
    case EVENT_PREVIEWED:
      return WriteRenameLine(event);
    case EVENT_DIRECTORY_DONE:
      return WriteDirectoryReport(event);
    case EVENT_GRAND_TOTAL:
      return WriteGrandTotal(event);
    case EVENT_INTERRUPTED:
      // A journal that failed was told with the system's reason.
      return event.reason == STOP_JOURNAL_FAILED ? 0 : Diagnose(StopText(event));
    case EVENT_JOURNAL_PROBLEM:
      return WriteJournalProblem(event);
    case EVENT_UNDO_TOTAL:
      return WriteUndoTotal(event);
    case EVENT_NOT_UNDONE:
      return ErrorsShown(event) ? WriteNotUndone(event) : 0;
    case EVENT_SPEC_REFUSED:
      break;  // reported even under /N:E: the command line itself was wrong
    case EVENT_DECLINED:
    case EVENT_QUIT:
      return 0;  // the prompt and its echo said it all
    default:
      if (!ErrorsShown(event)) {
        return 0;
      }
      break;
  }
  return PosixStyle() ? WritePosixDiagnostic(event) : WriteShellDiagnostic(event);
}
