// The request that a run stop before its next rename. It comes from the
// console (Ctrl+C and Ctrl+Break; on POSIX SIGINT, SIGTERM and SIGHUP), taken
// by a console control handler for the length of one command, from a sink
// whose output can take no more (a pipe whose reader has gone: what is renamed
// from then on could not be shown), or from the journal, when it cannot
// record the next rename before it is made. The walk asks before every entry and every
// directory; a rename under way is never cut short, and the run ends with the
// tallies of what was done.
#pragma once

#include <cstdint>

enum StopReason : std::int32_t {
  STOP_NONE,
  STOP_QUIT,           // the answer Quit at a prompt (the rename step returns it; never pending)
  STOP_INTERRUPTED,    // a console control event
  STOP_OUTPUT_CLOSED,  // standard output refused what was written to it
  STOP_JOURNAL_FAILED, // the journal could not take the intent of the next rename
};

// For the length of one command: any earlier request is forgotten, and the
// console's control events are taken as requests to stop. (A class only for
// its destructor, which gives the events back on every way out.)
class StopRequestScope {
 public:
  StopRequestScope();
  ~StopRequestScope();
  StopRequestScope(const StopRequestScope&) = delete;
  StopRequestScope& operator=(const StopRequestScope&) = delete;

 private:
  bool installed_;
};

// For a program that is one command (the standalone programs): the console's
// events are taken from now until the process exits, so that one that comes
// after the last rename, while the journal is put on the disk or the output
// written out, ends nothing: the program ends by itself, with its own status.
// The command's StopRequestScope then takes over nothing and forgets nothing.
void TakeStopRequestsUntilExit();

// The request made so far in this command, STOP_NONE without one. The first
// request stands.
StopReason PendingStop();

// Asks the run to stop before its next rename. Safe in a signal handler and
// from another thread.
void RequestStop(StopReason reason);
