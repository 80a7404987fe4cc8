// The standalone purifile program: the command with the built-in host. It
// loads nothing, so it writes no load message.
#include "host/standalone.h"

namespace {
// Static: larger than a comfortable stack frame, and there is one per process.
StandaloneCommandLine commandLine;
}  // namespace

int main(int argc, char** argv) { return RunStandaloneWith(argc, argv, &commandLine); }
