// What a run did, told once: the walk, the rename step and undo report each
// event here and print nothing themselves; every form of output is a sink of
// these events:
//   - the human text on standard output and standard error
//     (command/report_text.cpp), in the style the program chose; the default;
//   - JSON Lines on standard output, --json (command/report_json.cpp);
//   - the old and new path of each rename, NUL-terminated, -0
//     (command/report_nul.cpp);
//   - the journal, a file of JSON Lines written ahead of every rename,
//     --journal and /J (command/journal.cpp).
// With JSON Lines or NUL output the text sink still writes the diagnostics on
// standard error, and nothing on standard output.
//
// Adding an output format is adding a sink: one file that writes the events it
// cares for, and one line in Report that hands it each event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cleaner/name_reasons.h"
#include "core/options.h"
#include "core/shared_types.h"
#include "core/stop.h"
#include "platform/file_identity.h"
#include "platform/system_error.h"

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
  EVENT_INTERRUPTED,   // the run stops before its next rename (reason: STOP_INTERRUPTED, STOP_OUTPUT_CLOSED
                       // or STOP_JOURNAL_FAILED),
                       // in directory; the tallies so far and the grand total follow
  EVENT_GRAND_TOTAL,   // after the last file specification, or the stop: the whole command's counts

  // The journal, and undo. An undo's renames are reported as any rename is
  // (EVENT_RENAMING, EVENT_RENAMED, EVENT_RENAME_FAILED, EVENT_PREVIEWED under
  // /N), name being the entry's name now and newName the one it takes back.
  EVENT_JOURNAL_PROBLEM,  // the journal cannot be made, written or read: see JournalProblem; name is its path
  EVENT_NOT_UNDONE,       // an entry undo leaves as it is: see NotUndoneReason
  EVENT_UNDO_TOTAL,       // the end of an undo: tally holds fixed (undone), failed (not undone),
                          // skipped (nothing to do, or previewed) and found (all of them)
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
  SPEC_MISSING,     // a path ending in a separator names no directory: code tells why
};

// What is wrong with the journal. code holds the system's error where there
// is one, else as said.
enum JournalProblem : std::int32_t {
  JOURNAL_NOT_CREATED,     // it exists already, or cannot be made: nothing is touched
  JOURNAL_NOT_WRITTEN,     // a line could not be written or put on the disk: nothing more is renamed
  JOURNAL_NOT_READ,        // the journal to undo cannot be read
  JOURNAL_NOT_A_JOURNAL,   // its first line is not the first line of a journal
  JOURNAL_TOO_NEW,         // written by a newer version: code is that journal's version
  JOURNAL_BAD_LINE,        // code is the number of a line that is not a journal line
  JOURNAL_LAST_LINE_CUT,   // code is the number of the last line, cut off: it is left out
};

// Why undo leaves an entry of the journal as it is.
enum NotUndoneReason : std::int32_t {
  NOT_UNDONE_GONE,      // nothing has the new name now, nor the old one the entry
  NOT_UNDONE_REPLACED,  // another entry has the new name now
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

  // Entry events, when a sink asks for identities (IdentitiesWanted): the
  // entry's identity before the rename, a link not followed.
  bool identityKnown;
  FileIdentity identity;

  // EVENT_RENAME_FAILED, EVENT_DIRECTORY_UNREADABLE, EVENT_JOURNAL_PROBLEM:
  // the Windows error code, and the same error in the system's own numbering
  // (the errno value on POSIX; platform/system_error.h), 0 when there is none.
  std::uint32_t code;
  std::uint32_t systemError;
  // PassedOverReason, SpecRefusal, JournalProblem, NotUndoneReason; for
  // EVENT_INTERRUPTED, EVENT_DIRECTORY_DONE and EVENT_GRAND_TOTAL the
  // StopReason (STOP_NONE unless the run stops).
  std::int32_t reason;
  RenameTally tally;  // EVENT_DIRECTORY_DONE, EVENT_GRAND_TOTAL, EVENT_UNDO_TOTAL
  // EVENT_PREVIEWED under /X: why the entry would be renamed; else null.
  const std::vector<NameReason>* reasons;
};

// What standard output carries.
enum RunOutput : std::int32_t {
  OUTPUT_TEXT,  // the human text
  OUTPUT_JSON,  // JSON Lines (--json)
  OUTPUT_NUL,   // old path NUL new path NUL for each rename or preview (-0)
};

// How one command reports, fixed before its first event.
struct ReportSettings {
  RunOutput output;
  const char16_t* journal;         // the journal to write, or null
  const char16_t* const* command;  // the command line as typed: the argument vector, or one text
  std::int32_t commandCount;
  const char16_t* undone;          // the journal an undo takes back, or null for a run
  bool preview;                    // /N: nothing is renamed
  // The standalone programs, where no prompt waits at the terminal: a long
  // run may show its progress (command/progress.h).
  bool progress;
};

// Sets the sinks up for one command: with a journal, creates it (never one
// that exists) and writes its first line. Returns 0, or 1 after reporting a
// journal that cannot be created: the command must then touch nothing.
std::int32_t BeginReport(const ReportSettings& settings);

// Ends the command's report: the journal's last lines are written and put on
// the disk, and it is closed. Returns 0, or 2 after reporting that it could
// not be (the journal may then lack its end).
std::int32_t EndReport();

// Hands the event to every sink. Returns 0, or for EVENT_RENAMING the system's
// error when the journal could not take its intent line: the rename must then
// not be made, and no other sink has been told of it.
std::uint32_t Report(const RunEvent& event);

// Whether a sink records identities, so that entry events must carry them.
bool IdentitiesWanted();

// The renames the command's report has shown as previews (EVENT_PREVIEWED)
// since BeginReport: under /X, what would change.
std::uint32_t PreviewsReported();

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

// The human text: rename lines and tally lines on standard output (unless
// diagnosticsOnly), diagnostics on standard error (quiet as /N:E and /N:S say).
std::int32_t WriteTextEvent(const RunEvent& event, bool diagnosticsOnly);

// JSON Lines on standard output, in the journal's schema.
std::int32_t BeginJsonOutput(const ReportSettings& settings);
std::int32_t WriteJsonEvent(const RunEvent& event);

// The paths of each rename (or preview) on standard output, each followed by NUL.
std::int32_t WriteNulEvent(const RunEvent& event);

// The bytes of a sink for programs (JSON Lines, NUL) on standard output. When
// they are refused (a pipe whose reader has gone) and the host tells such
// refusals, the run stops before its next rename, as after a refused line of text.
void WriteStandardOutput(const std::string& bytes);

// The journal. Each returns the system's failure, of code 0 for none.
// OpenJournal creates the file and writes its first line (a file that cannot
// take it is removed again). WriteJournalEvent fails only where a line that
// must reach the system before a rename (an intent) could not. CloseJournal
// writes what is left, puts it on the disk and closes it; it fails where any
// line or the disk failed, unless an intent's failure was returned already.
// Without an open journal each does nothing.
SystemFailure OpenJournal(const ReportSettings& settings);
SystemFailure WriteJournalEvent(const RunEvent& event);
SystemFailure CloseJournal();
bool JournalOpen();

// ---- Reading a journal back, for undo. ----

// One rename of a journal: its intent, and what its result line says.
struct JournalRename {
  std::size_t directory;  // in JournalRenames::directories
  std::u16string oldName;
  std::u16string newName;
  FileIdentity identity;
  bool done;    // a result line says it was made
  bool failed;  // a result line says it failed, or it kept its name: there is nothing to undo
};

struct JournalRenames {
  std::vector<std::u16string> directories;  // each ends in its separator
  std::vector<JournalRename> renames;       // in the order they were made
};

// Reads the journal at path into renames. Returns 0, or 1 after reporting a
// journal that cannot be read or is not one, or a line of it that is not a
// journal line: then nothing may be undone. A last line that is cut off is
// reported and left out; an empty file holds no rename.
std::int32_t ReadJournal(const char16_t* path, OptionFlags options, JournalRenames* renames);
