// Windows only: the standalone program passes its command line on as the
// command tail, options with "/" exactly as the shell passes them to the plug-in.
#include "command/diagnostics.h"
#include "host/standalone.h"

namespace {

bool IsBlankOrTab(char16_t ch) { return ch == u' ' || ch == u'\t'; }

// The command line after the program's name, which Windows writes either in
// quotation marks or up to the first blank or tab.
const char16_t* SkipProgramName(const char16_t* line) {
  if (*line == u'"') {
    ++line;
    while (*line != 0 && *line != u'"') {
      ++line;
    }
    if (*line == u'"') {
      ++line;
    }
  } else {
    while (*line != 0 && !IsBlankOrTab(*line)) {
      ++line;
    }
  }
  while (IsBlankOrTab(*line)) {
    ++line;
  }
  return line;
}

}  // namespace

std::int32_t PrepareStandaloneCommand(int, char**, StandaloneCommand* command) {
  const char16_t* rest = SkipProgramName(reinterpret_cast<const char16_t*>(::GetCommandLineW()));
  command->closingNote = nullptr;
  std::int32_t length = 0;
  while (rest[length] != 0) {
    if (length == STANDALONE_TAIL_CAPACITY - 1) {
      ErrorPrefix();
      Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"Command line too long: more than %d characters\r\n",
              STANDALONE_TAIL_CAPACITY - 1);
      return 1;
    }
    command->tail[length] = rest[length];
    ++length;
  }
  command->tail[length] = 0;
  return 0;
}
