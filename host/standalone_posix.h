// POSIX only: how the standalone program turns its argument vector into the
// command tail.
#pragma once

#include <cstdint>

#include "host/standalone.h"

// The command tail for argv, in the platform's habit:
//   - an argument that begins with '-' is an option, '-' standing for '/'
//     (-b is /B, -n:s is /N:S, -q:ab is /Q:AB), one option per argument;
//   - "--help" is /?, "--version" is /??, any other "--" word is refused;
//   - "--" ends the options; "-" alone is a file specification;
//   - every other argument is a file specification, absolute paths included.
// depth is the number of components of the current directory's full path: an
// absolute specification is passed relative to it ("../.." for each component),
// because an argument that begins with a solidus is an option to the command.
// A depth below 0 means there is no current directory: absolute specifications
// are passed relative to the root, and a relative one is refused.
// Each specification is registered in the spelling passed, so that its
// upper-cased argument resolves to exactly the path typed.
// Returns 0, or 1 after reporting a command line that cannot be passed on whole.
std::int32_t TranslatePosixArguments(int argc, char** argv, std::int32_t depth, StandaloneCommand* command);
