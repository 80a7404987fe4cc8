// Whether the walk enters links to directories (symbolic links, junctions):
// each system's habit, chosen at build time.
#pragma once

#include "core/options.h"

// Whether /S enters a directory entry that is a link.
bool EntersLinks(OptionFlags options);
