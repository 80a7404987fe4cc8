// What a run did, told once: the walk and the rename step report each event
// here and print nothing themselves; every form of output is a sink of these
// events. Today's one sink is the human text on standard output and standard
// error (command/report_text.cpp), in the style the program chose.
//
// Adding an output format is adding a sink: one file that writes the events it
// cares for, and one line in Report that hands it each event.
#pragma once

#include <cstdint>

#include "command/options.h"
#include "command/shared_types.h"
#include "command/stop.h"

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
  EVENT_DIRECTORY_DONE,         // its matches are handled: tally holds its own counts (found 0: none matched);
                                // also when the run stops in it (reason: why, and tally: the counts so far)
  EVENT_DIRECTORY_UNREADABLE,   // it exists but could not be listed: code is the system's error
  EVENT_DIRECTORY_PASSED_OVER,  // it was not searched: see PassedOverReason

  // The command.
  EVENT_SPEC_REFUSED,  // a file specification that cannot be walked: see SpecRefusal
  EVENT_NO_MATCH,      // a file specification matched no entry in any directory its walk searched
  EVENT_INTERRUPTED,   // the run stops before its next rename (reason: STOP_INTERRUPTED or STOP_OUTPUT_CLOSED),
                       // in directory; the tallies so far and the grand total follow
  EVENT_GRAND_TOTAL,   // after the last file specification, or the stop: the whole command's counts
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
  // specification (or its true name) in name. EVENT_NO_MATCH: the
  // specification's directory and pattern.
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

  // EVENT_RENAME_FAILED, EVENT_DIRECTORY_UNREADABLE: the Windows error code,
  // and the same error in the system's own numbering (the errno value on
  // POSIX; platform/system_error.h), 0 when there is none.
  std::uint32_t code;
  std::uint32_t systemError;
  // PassedOverReason, SpecRefusal; for EVENT_INTERRUPTED, EVENT_DIRECTORY_DONE
  // and EVENT_GRAND_TOTAL the StopReason (STOP_NONE unless the run stops).
  std::int32_t reason;
  RenameTally tally;  // EVENT_DIRECTORY_DONE, EVENT_GRAND_TOTAL
};

// Hands the event to every sink. Returns 0.
std::int32_t Report(const RunEvent& event);

// How the human text speaks, chosen once by the program before its command.
enum ReportStyle : std::int32_t {
  // The command's own texts, as the plug-in has always written them; also
  // purifile.exe's.
  REPORT_SHELL_STYLE,
  // The POSIX program's: messages as coreutils words them ("purifile: cannot
  // rename 'a' to 'b': Permission denied"), a rename shown once it is done,
  // a rename made at a prompt also on standard output when that is not the
  // terminal, the prompt's every answer listed, no report of a directory
  // without a match but one of a file specification that matched nothing
  // (which is then a failure), and the tallies so far after Quit.
  REPORT_POSIX_STYLE,
};
void SetReportStyle(ReportStyle style);
ReportStyle ReportStyleInUse();

// Whether a negative result of the host's Printf or QPuts means that standard
// output took no more (then the run stops before its next rename). The
// standalone programs' own host says so; a shell's Printf makes no such
// promise, so the plug-in ignores the results, and that is the default.
void SetOutputRefusalsTold(bool told);
bool OutputRefusalsTold();

// ---- The sinks. ----

// The human text: rename lines and tally lines on standard output,
// diagnostics on standard error (quiet as /N:E and /N:S say).
std::int32_t WriteTextEvent(const RunEvent& event);
