// The human text of a run, as the command has always written it: a rename line
// for each rename shown, a tally line for each directory with matches and for
// the grand total on standard output; on standard error "File not found" for a
// directory without matches and the reports of failures. /N:E silences the
// diagnostics about entries and directories, /N:S the tally lines. Undo ends
// with its own tally ("Undone 2, not undone 1", or "Nothing to undo"); what is
// wrong with a journal is always told.
//
// When standard output carries another format (JSON Lines, NUL), only the
// diagnostics are written here.
#include "command/diagnostics.h"
#include "command/json_lines.h"
#include "command/report.h"
#include "command/tally.h"
#include "plugin/host_services.h"

namespace {

constexpr char16_t ARROW[] = u"\u2500\u25BA";

bool ErrorsShown(const RunEvent& event) { return (event.options & OPT_NO_ERRORS) == 0; }

// "old" ─► "new", unless the prompt showed the rename already.
std::int32_t WriteRenameLine(const RunEvent& event) {
  if (!event.prompted) {
    Printf(u"\"%s\" %s \"%s\"\r\n", event.oldPath, ARROW, event.newPath);
  }
  return 0;
}

// Its tally line (unless /N:S), or, when nothing matched, "File not found"
// (unless /N:E).
std::int32_t WriteDirectoryReport(const RunEvent& event) {
  if (event.tally.found == 0) {
    if (ErrorsShown(event)) {
      Diagnose(u"File not found:  \"%s%s\"\r\n", event.directory, event.name);
      Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n");
    }
  } else if ((event.options & OPT_NO_SUMMARY) == 0) {
    CrLf();
    PrintTally(event.tally);
    Printf(u" in \"%s\"\r\n\n", event.directory);
  }
  return 0;
}

std::int32_t WritePassedOver(const RunEvent& event) {
  if (!ErrorsShown(event)) {
    return 0;
  }
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
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n");
  return 0;
}

// The grand total, under /S unless /N:S.
std::int32_t WriteGrandTotal(const RunEvent& event) {
  if ((event.options & OPT_RECURSE) != 0 && (event.options & OPT_NO_SUMMARY) == 0) {
    QPuts(u"GRAND TOTAL: ");
    PrintTally(event.tally);
    CrLf();
  }
  return 0;
}

// Nothing to undo when every entry was back already (or never renamed);
// under /N the previews were shown.
std::int32_t WriteUndoTotal(const RunEvent& event) {
  if (event.tally.fixed == 0 && event.tally.failed == 0 && (event.options & OPT_NOT_REALLY) == 0) {
    QPuts(u"Nothing to undo\r\n");
  } else {
    CrLf();
    Printf(u"Undone %u, not undone %u\r\n", static_cast<unsigned>(event.tally.fixed),
           static_cast<unsigned>(event.tally.failed));
  }
  return 0;
}

std::int32_t WriteJournalProblem(const RunEvent& event) {
  switch (static_cast<JournalProblem>(event.reason)) {
    case JOURNAL_NOT_CREATED:
      return ReportSystemError(u"Cannot create the journal \"%s\":\r\n", event.name, event.code);
    case JOURNAL_NOT_WRITTEN:
      return ReportSystemError(u"Cannot write the journal \"%s\" (nothing more is renamed):\r\n", event.name,
                               event.code);
    case JOURNAL_NOT_READ:
      return ReportSystemError(u"Cannot read the journal \"%s\":\r\n", event.name, event.code);
    case JOURNAL_NOT_A_JOURNAL:
      return Diagnose(u"\"%s\" is not a journal of purifile: nothing undone\r\n", event.name);
    case JOURNAL_TOO_NEW:
      return Diagnose(u"\"%s\" was written by a newer purifile (journal version %u; this one reads %u): nothing "
                      u"undone\r\n",
                      event.name, static_cast<unsigned>(event.code), static_cast<unsigned>(JOURNAL_VERSION));
    case JOURNAL_BAD_LINE:
      return Diagnose(u"Line %u of the journal \"%s\" is not a journal line: nothing undone\r\n",
                      static_cast<unsigned>(event.code), event.name);
    case JOURNAL_LAST_LINE_CUT:
      return Diagnose(u"The last line of the journal \"%s\" (line %u) is cut off: left out\r\n", event.name,
                      static_cast<unsigned>(event.code));
  }
  return 0;
}

std::int32_t WriteNotUndone(const RunEvent& event) {
  if (ErrorsShown(event)) {
    Diagnose(u"Cannot rename \"%s\" back to \"%s\": %s\r\n", event.oldPath, event.newPath,
             event.reason == NOT_UNDONE_GONE ? u"it is gone" : u"another entry has its name now");
  }
  return 0;
}

// What goes to standard output alone: rename lines and tallies.
bool WritesStandardOutput(RunEventKind kind) {
  return kind == EVENT_RENAMING || kind == EVENT_PREVIEWED || kind == EVENT_DIRECTORY_DONE ||
         kind == EVENT_GRAND_TOTAL || kind == EVENT_UNDO_TOTAL;
}

}  // namespace

std::int32_t WriteTextEvent(const RunEvent& event, bool diagnosticsOnly) {
  if (diagnosticsOnly && WritesStandardOutput(event.kind) &&
      !(event.kind == EVENT_DIRECTORY_DONE && event.tally.found == 0)) {
    return 0;
  }
  switch (event.kind) {
    case EVENT_RENAMING:
    case EVENT_PREVIEWED:
      return WriteRenameLine(event);
    case EVENT_RENAME_FAILED:
      if (ErrorsShown(event)) {
        ReportSystemError(u"Error renaming \"%s\":\r\n", event.name, event.code);
      }
      return 0;
    case EVENT_DEVICE_NAME:
      if (ErrorsShown(event)) {
        Diagnose(u"Error renaming \"%s\":\r\n", event.name);
        Qprintf(GetStdHandle(STD_ERROR_HANDLE),
                u"    The new name \"%s\" is a Windows device name, and no suffix may be added\r\n\r\n",
                event.newName);
      }
      return 0;
    case EVENT_DIRECTORY_DONE:
      return WriteDirectoryReport(event);
    case EVENT_DIRECTORY_UNREADABLE:
      if (ErrorsShown(event)) {
        ReportSystemError(u"Error reading directory \"%s\":\r\n", event.directory, event.code);
      }
      return 0;
    case EVENT_DIRECTORY_PASSED_OVER:
      return WritePassedOver(event);
    case EVENT_SPEC_REFUSED:
      Diagnose(event.reason == SPEC_TOO_LONG ? u"Path too long: \"%s\"\r\n" : u"Cannot resolve \"%s\"\r\n",
               event.name);
      return 0;
    case EVENT_GRAND_TOTAL:
      return WriteGrandTotal(event);
    case EVENT_JOURNAL_PROBLEM:
      return WriteJournalProblem(event);
    case EVENT_NOT_UNDONE:
      return WriteNotUndone(event);
    case EVENT_UNDO_TOTAL:
      return WriteUndoTotal(event);
    case EVENT_RENAMED:
    case EVENT_DECLINED:
    case EVENT_QUIT:
      return 0;  // the rename line, or the prompt and its echo, said it all
  }
  return 0;
}
