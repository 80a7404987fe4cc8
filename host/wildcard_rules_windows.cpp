// The command shell upper-cases the patterns it hands over, and Windows names
// are matched without regard to the case of their letters.
#include "host/wildcards.h"

const WildcardRules& hostWildcardRules = WINDOWS_WILDCARDS;
