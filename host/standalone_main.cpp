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
  const std::int32_t result = purifile(standaloneCommand.tail);
  if (result == 0 && standaloneCommand.closingNote != nullptr) {
    QPuts(standaloneCommand.closingNote);
  }
  if (result == -1) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), STANDALONE_USAGE_HINT);
    return 1;  // "Missing filespec" is bad input, like an unknown option
  }
  return result;  // 0 done, 1 bad input, 2 some renames failed, 3 quit
}
