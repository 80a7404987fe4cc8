// The standalone purifile program: the command function with the built-in
// host. It loads nothing, so it writes no load message.
#include "command/driver.h"
#include "host/standalone.h"

namespace {
// Static: larger than a comfortable stack frame, and there is one per process.
StandaloneCommand standaloneCommand;
}  // namespace

int main(int argc, char** argv) {
  if (PrepareStandaloneCommand(argc, argv, &standaloneCommand) != 0) {
    return 1;
  }
  // The exit status is the command's result as the shell would receive it:
  // 0 done, 1 bad option, 2 some renames failed, 3 quit, and -1 (255 on
  // POSIX) for a missing file specification. The output is the plug-in's
  // own; only "--help" adds this platform's usage notes after the help text.
  const std::int32_t result = purifile(standaloneCommand.tail);
  if (result == 0 && standaloneCommand.closingNote != nullptr) {
    QPuts(standaloneCommand.closingNote);
  }
  return result;
}
