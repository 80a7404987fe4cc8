// Undo: the renames of a journal taken back.
#pragma once

#include <cstdint>

#include "core/options.h"

// Renames back, in the reverse of the journal's order, every rename it shows
// done and every intent without a result (the run was killed between the
// two): each only when the entry at the new name is the journalled one (its
// identity), and never over an entry that has the old name now. An entry that
// is back already, or was never renamed, has nothing to do. Under /N the
// renames are shown, not made. A stop asked for (core/stop.h) is honoured
// before each rename back. Ends with the tally. Returns 0 when nothing was
// left undone, 2 when something was, RENAME_STOPPED after a stop, 1 after
// reporting a journal that cannot be read or is not one (nothing is touched
// then).
std::int32_t UndoJournal(const char16_t* journal, OptionFlags* options);
