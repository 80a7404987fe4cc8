// The standalone program: its command line turned into the command tail that
// the command function takes, as the shell would hand it to the plug-in.
#pragma once

#include <cstdint>

#include "command/arguments.h"
#include "plugin/host_services.h"

// Room for as many arguments as the splitter keeps, each quoted and followed by
// a blank. A longer tail would overflow the splitter's pool in any case.
constexpr std::int32_t STANDALONE_TAIL_CAPACITY = MAX_ARG_LEN + 3 * MAX_ARGUMENTS + 1;

struct StandaloneCommand {
  char16_t tail[STANDALONE_TAIL_CAPACITY];
  // Written on standard output after the command when it is not null: the
  // platform's own usage notes after the help text.
  const char16_t* closingNote;
};

// Fills command from the program's arguments. Returns 0, or 1 after reporting
// a command line that cannot be passed on whole (the command must not run on
// part of what the user asked for).
std::int32_t PrepareStandaloneCommand(int argc, char** argv, StandaloneCommand* command);

