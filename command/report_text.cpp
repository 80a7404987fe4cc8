// The human text of a run, as the command has always written it: a rename line
// for each rename shown, a tally line for each directory with matches and for
// the grand total on standard output; on standard error "File not found" for a
// directory without matches and the reports of failures. /N:E silences the
// diagnostics about entries and directories, /N:S the tally lines.
#include "command/diagnostics.h"
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

}  // namespace

std::int32_t WriteTextEvent(const RunEvent& event) {
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
    case EVENT_RENAMED:
    case EVENT_DECLINED:
    case EVENT_QUIT:
      return 0;  // the rename line, or the prompt and its echo, said it all
  }
  return 0;
}
