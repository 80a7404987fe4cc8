// As chmod -R, rm -r and find do, the walk enters a symbolic link only when
// asked to (-L); /N:J still has the last word.
#include "walker/links.h"

bool EntersLinks(OptionFlags options) {
  return (options & OPT_FOLLOW_LINKS) != 0 && (options & OPT_NO_JUNCTIONS) == 0;
}
