#include "command/report.h"

#include <optional>

#include "command/progress.h"
#include "platform/system_error.h"
#include "platform/win32.h"

namespace {

ReportStyle styleInUse = REPORT_SHELL_STYLE;
bool outputRefusalsTold = false;
RunOutput output = OUTPUT_TEXT;
const char16_t* journalPath = nullptr;
std::uint32_t previewsReported = 0;
std::optional<ProgressLine> progress;

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// The status line goes to the console as it is: its carriage returns are
// what rewrites it.
void WriteProgress(const std::u16string& text) {
  DWORD written = 0;
  if (!text.empty()) {
    WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// A journal problem is a diagnostic: the text sink alone tells it.
void TellJournalProblem(JournalProblem problem, SystemFailure failure) {
  RunEvent event{};
  event.kind = EVENT_JOURNAL_PROBLEM;
  event.reason = problem;
  event.name = journalPath;
  event.code = failure.code;
  event.systemError = failure.systemError;
  WriteTextEvent(event, output != OUTPUT_TEXT);
}

}  // namespace

std::int32_t BeginReport(const ReportSettings& settings) {
  output = settings.output;
  journalPath = settings.journal;
  previewsReported = 0;
  progress.reset();
  if (settings.progress && IsConsole(STD_ERROR_HANDLE) && !IsConsole(STD_OUTPUT_HANDLE)) {
    progress.emplace(GetTickCount64(), settings.preview);
  }
  const SystemFailure failure = OpenJournal(settings);
  if (failure.code != 0) {
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
  if (progress) {
    WriteProgress(progress->Erase());
    progress.reset();
  }
  const SystemFailure failure = CloseJournal();
  if (failure.code != 0) {
    TellJournalProblem(JOURNAL_NOT_WRITTEN, failure);
  }
  output = OUTPUT_TEXT;
  return failure.code != 0 ? 2 : 0;
}

std::uint32_t Report(const RunEvent& event) {
  // The journal first: a rename it could not announce is told to no one
  // else, since it will not be made.
  const SystemFailure journalFailure = WriteJournalEvent(event);
  if (journalFailure.code != 0) {
    TellJournalProblem(JOURNAL_NOT_WRITTEN, journalFailure);
    return journalFailure.code;
  }
  if (event.kind == EVENT_PREVIEWED) {
    ++previewsReported;
  }
  if (progress) {
    WriteProgress(progress->Update(event, GetTickCount64()));
  }
  WriteTextEvent(event, output != OUTPUT_TEXT);
  if (output == OUTPUT_JSON) {
    WriteJsonEvent(event);
  } else if (output == OUTPUT_NUL) {
    WriteNulEvent(event);
  }
  return 0;
}

void WriteStandardOutput(const std::string& bytes) {
  DWORD written = 0;
  if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      OutputRefusalsTold()) {
    RequestStop(STOP_OUTPUT_CLOSED);
  }
}

std::uint32_t PreviewsReported() { return previewsReported; }

bool IdentitiesWanted() { return output == OUTPUT_JSON || JournalOpen(); }

void SetReportStyle(ReportStyle style) { styleInUse = style; }

ReportStyle ReportStyleInUse() { return styleInUse; }

void SetOutputRefusalsTold(bool told) { outputRefusalsTold = told; }

bool OutputRefusalsTold() { return outputRefusalsTold; }
