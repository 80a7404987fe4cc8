#include "command/report.h"

namespace {

ReportStyle styleInUse = REPORT_SHELL_STYLE;

}  // namespace

std::int32_t Report(const RunEvent& event) {
  WriteTextEvent(event);
  return 0;
}

void SetReportStyle(ReportStyle style) { styleInUse = style; }

ReportStyle ReportStyleInUse() { return styleInUse; }
