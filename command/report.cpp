#include "command/report.h"

namespace {

ReportStyle styleInUse = REPORT_SHELL_STYLE;
bool outputRefusalsTold = false;

}  // namespace

std::int32_t Report(const RunEvent& event) {
  WriteTextEvent(event);
  return 0;
}

void SetReportStyle(ReportStyle style) { styleInUse = style; }

ReportStyle ReportStyleInUse() { return styleInUse; }

void SetOutputRefusalsTold(bool told) { outputRefusalsTold = told; }

bool OutputRefusalsTold() { return outputRefusalsTold; }
