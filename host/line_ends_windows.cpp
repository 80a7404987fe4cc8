// Windows text keeps carriage return and line feed as written.
#include "host/host_output.h"

const bool unixLineEnds = false;
