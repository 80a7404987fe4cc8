// Patterns reach the standalone program as the user typed them, and POSIX
// users expect the shell's matching.
#include "host/wildcards.h"

const WildcardRules& hostWildcardRules = POSIX_WILDCARDS;
