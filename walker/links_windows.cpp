// The command shell's habit: junctions and directory links are walked like any
// directory unless /N:J.
#include "walker/links.h"

bool EntersLinks(OptionFlags options) { return (options & OPT_NO_JUNCTIONS) == 0; }
