#include "command/report.h"

#include "platform/system_error.h"

namespace {

ReportStyle styleInUse = REPORT_SHELL_STYLE;
bool outputRefusalsTold = false;
RunOutput output = OUTPUT_TEXT;
const char16_t* journalPath = nullptr;

// A journal problem is a diagnostic: the text sink alone tells it.
void TellJournalProblem(JournalProblem problem, std::uint32_t code) {
  RunEvent event{};
  event.kind = EVENT_JOURNAL_PROBLEM;
  event.reason = problem;
  event.name = journalPath;
  event.code = code;
  event.systemError = SystemErrorOf(code);
  WriteTextEvent(event, output != OUTPUT_TEXT);
}

}  // namespace

std::int32_t BeginReport(const ReportSettings& settings) {
  output = settings.output;
  journalPath = settings.journal;
  const std::uint32_t failure = OpenJournal(settings);
  if (failure != 0) {
    TellJournalProblem(JOURNAL_NOT_CREATED, failure);
    output = OUTPUT_TEXT;
    return 1;
  }
  if (output == OUTPUT_JSON) {
    BeginJsonOutput(settings);
  }
  return 0;
}

std::int32_t EndReport() {
  const std::uint32_t failure = CloseJournal();
  if (failure != 0) {
    TellJournalProblem(JOURNAL_NOT_WRITTEN, failure);
  }
  output = OUTPUT_TEXT;
  return failure != 0 ? 2 : 0;
}

std::uint32_t Report(const RunEvent& event) {
  // The journal first: a rename it could not announce is told to no one
  // else, since it will not be made.
  const std::uint32_t journalFailure = WriteJournalEvent(event);
  if (journalFailure != 0 && event.kind == EVENT_RENAMING) {
    TellJournalProblem(JOURNAL_NOT_WRITTEN, journalFailure);
    return journalFailure;
  }
  WriteTextEvent(event, output != OUTPUT_TEXT);
  if (output == OUTPUT_JSON) {
    WriteJsonEvent(event);
  } else if (output == OUTPUT_NUL) {
    WriteNulEvent(event);
  }
  return 0;
}

bool IdentitiesWanted() { return output == OUTPUT_JSON || JournalOpen(); }

void SetReportStyle(ReportStyle style) { styleInUse = style; }

ReportStyle ReportStyleInUse() { return styleInUse; }

void SetOutputRefusalsTold(bool told) { outputRefusalsTold = told; }

bool OutputRefusalsTold() { return outputRefusalsTold; }
