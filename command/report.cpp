#include "command/report.h"

std::int32_t Report(const RunEvent& event) {
  WriteTextEvent(event);
  return 0;
}
