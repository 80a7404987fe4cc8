// What a run did, told once: the walk and the rename step report each event
// here and print nothing themselves; every form of output is a sink of these
// events. Today's one sink is the human text on standard output and standard
// error (command/report_text.cpp).
//
// Adding an output format is adding a sink: one file that writes the events it
// cares for, and one line in Report that hands it each event.
#pragma once

#include <cstdint>

#include "command/options.h"
#include "command/shared_types.h"

enum RunEventKind : std::int32_t {
  // One entry, once it has a new name. The paths are as shown to the user.
  EVENT_RENAMING,       // the rename is about to be attempted (reported ahead of it)
  EVENT_RENAMED,        // it was done
  EVENT_RENAME_FAILED,  // it failed, or could not be attempted: code is the system's error
  EVENT_DEVICE_NAME,    // under /N:F the only new name is a Windows device name: failed, not attempted
  EVENT_PREVIEWED,      // under /N: the rename that a real run would make
  EVENT_DECLINED,       // the user answered No at the prompt
  EVENT_QUIT,           // the user answered Quit (or no key could be read): the run ends here

  // One directory of the walk.
  EVENT_DIRECTORY_DONE,         // its matches are handled: tally holds its own counts (found 0: none matched)
  EVENT_DIRECTORY_UNREADABLE,   // it exists but could not be listed: code is the system's error
  EVENT_DIRECTORY_PASSED_OVER,  // it was not searched: see PassedOverReason

  // The command.
  EVENT_SPEC_REFUSED,  // a file specification that cannot be walked: see SpecRefusal
  EVENT_GRAND_TOTAL,   // after the last file specification: tally holds the whole command's counts
};

// Why a directory was not searched.
enum PassedOverReason : std::int32_t {
  PASSED_OVER_NO_MEMORY,  // not enough memory to read it
  PASSED_OVER_TOO_LONG,   // its path would not fit MAX_ARG_LEN
  PASSED_OVER_LINK_LOOP,  // a link back to a directory that is being walked
};

// Why a file specification cannot be walked.
enum SpecRefusal : std::int32_t {
  SPEC_UNRESOLVED,  // no true name, or one without a directory and a pattern
  SPEC_TOO_LONG,    // the directory's path and "*" would not fit MAX_ARG_LEN
};

// One event. Which fields hold what depends on the kind; the others are null
// or 0.
struct RunEvent {
  RunEventKind kind;
  // The option word when the event happened (read afresh for every event: the
  // answer All clears OPT_PROMPT in the middle of a run).
  OptionFlags options;

  // Entry events: the directory (ending in its separator), the entry's old and
  // new bare names, and the two full paths as shown. newName and newPath are
  // null for a failure before a new name could be formed. Directory events:
  // directory, and for EVENT_DIRECTORY_DONE the pattern in name; for
  // EVENT_DIRECTORY_PASSED_OVER the subdirectory's name in name (empty when
  // directory is itself the one passed over). EVENT_SPEC_REFUSED: the
  // specification (or its true name) in name.
  const char16_t* directory;
  const char16_t* name;
  const char16_t* newName;
  const char16_t* oldPath;
  const char16_t* newPath;

  // Entry events: whether the user was asked at the prompt first (the prompt
  // showed the rename then); EVENT_RENAME_FAILED: whether a rename was
  // attempted at all (else no new name could be formed or taken).
  bool prompted;
  bool attempted;

  std::uint32_t code;  // EVENT_RENAME_FAILED, EVENT_DIRECTORY_UNREADABLE
  std::int32_t reason;  // PassedOverReason, SpecRefusal
  RenameTally tally;    // EVENT_DIRECTORY_DONE, EVENT_GRAND_TOTAL
};

// Hands the event to every sink. Returns 0.
std::int32_t Report(const RunEvent& event);

// ---- The sinks. ----

// The human text: rename lines and tally lines on standard output,
// diagnostics on standard error (quiet as /N:E and /N:S say).
std::int32_t WriteTextEvent(const RunEvent& event);
