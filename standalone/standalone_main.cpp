// The standalone purifile program: the command with the built-in host. It
// loads nothing, so it writes no load message.
#include "core/stop.h"
#include "standalone/standalone.h"

namespace {
// Static: larger than a comfortable stack frame, and there is one per process.
StandaloneCommandLine commandLine;
}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C and the ending signals ask the run to stop from the start to the
  // exit: one that comes when the work is done ends the program no sooner.
  TakeStopRequestsUntilExit();
  return RunStandaloneWith(argc, argv, &commandLine);
}
