// POSIX text files and terminals end lines with a bare line feed.
#include "host/host_output.h"

const bool unixLineEnds = true;
