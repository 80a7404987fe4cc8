// JSON Lines of a run on standard output (--json), in the journal's schema
// (command/json_lines.h): a line for the start, for each rename made,
// previewed, failed, or skipped at the prompt, for each directory and for the
// total. The renames' intents are the journal's alone.
#include <string>

#include "command/json_lines.h"
#include "command/report.h"
#include "platform/win32.h"

namespace {

std::uint32_t sequence = 0;  // of the last rename attempted

std::int32_t WriteLine(const std::string& line) {
  WriteStandardOutput(line);
  return 0;
}

}  // namespace

std::int32_t BeginJsonOutput(const ReportSettings& settings) {
  sequence = 0;
  std::string line;
  AppendStartLine(&line, settings);
  return WriteLine(line);
}

std::int32_t WriteJsonEvent(const RunEvent& event) {
  if (event.kind == EVENT_RENAMING) {
    ++sequence;
    return 0;
  }
  const bool result = event.kind == EVENT_RENAMED || (event.kind == EVENT_RENAME_FAILED && event.attempted);
  std::string line;
  return AppendEventLine(&line, event, result ? sequence : 0, true) ? WriteLine(line) : 0;
}
