// The command function the host calls with the command tail.
#pragma once

#include <cstdint>

#include "core/options.h"
#include "command/report.h"

extern "C" int purifile(const char16_t* tail);

// Appends a separator (unless the path already ends in one, or is a bare drive
// such as C:) and "*". Returns 0; -1 without a buffer; 1 when the result would
// not fit in MAX_ARG_LEN characters, leaving the path unchanged.
std::int32_t AppendWildcard(char16_t* path);

// What the first pass over the arguments gathers. The lists point into the
// caller's storage (the argument table for the plug-in, the standalone
// program's own copy of its arguments), which outlives the command.
struct CommandOptions {
  OptionFlags flags;
  const char16_t* qList;    // or null
  const char16_t* rList;    // or null
  const char16_t* journal;  // /J: the journal to write, or null
  const char16_t* undo;     // /Z: the journal to undo, or null
  RunOutput output;         // what standard output carries (a standalone program's choice)
};

// ApplyOption wrote the help text for /? or /??: the command ends with 0.
constexpr std::int32_t OPTIONS_HELP_WRITTEN = -2;

// The option table, shared by every form of the command. option is one option
// in the table's own form, a solidus and upper case ("/N:S"); typed is the same
// option as the user wrote it ("/n:s", "-n:s"), of the same length, and is
// what a message names. Folds the option into options and returns 0; returns 1
// after reporting an unknown option or sub-option, or OPTIONS_HELP_WRITTEN.
std::int32_t ApplyOption(const char16_t* option, const char16_t* typed, CommandOptions* options);

// Whether option (in the table's form) fits a row of the option table, valid
// sub-options or not: "/N", "/N:Q" and "/Q:AB" do, "/X" and "/HOME" do not.
bool FitsOptionTable(const char16_t* option);

// Whether option is one the table takes as it stands, its sub-options
// included: "/N", "/N:S" and "/Q:AB" are, "/N:Q" and "/NONE" are not.
bool IsOptionSpelling(const char16_t* option);

// What /X ends with when something would change, in every form.
constexpr std::int32_t CHECK_FOUND_CHANGES = 4;

// The second pass, shared by every form: resolves each file specification
// exactly as given, walks it, and writes the grand total under /S unless /N:S.
// For its length, the console's control events ask the run to stop before
// its next rename (core/stop.h). Returns 0, 2 when a specification failed
// (in the POSIX style also one that matched nothing) or the journal could not
// record a rename (the run stopped before it), 3 after the answer Quit,
// CHECK_FOUND_CHANGES under /X when the walk went through without a failure
// and found entries it would rename, or one of these two when the run was
// stopped before its end:
constexpr std::int32_t COMMAND_INTERRUPTED = -4;    // by a console control event (Ctrl+C)
constexpr std::int32_t COMMAND_OUTPUT_CLOSED = -5;  // because standard output refused the text
std::int32_t WalkFileSpecs(const char16_t* const* specs, std::int32_t count, CommandOptions* options);

// The command once its arguments are read, in every form: sets up its report
// (the journal is created here, before anything is touched), then walks the
// file specifications or, with /Z, undoes a journal (an interrupt stops it
// before its next rename, as it stops a walk), and ends the report. command
// is the command line as typed (commandCount texts), for the journal.
// Returns the walk's or the undo's result, 1 when the journal cannot be
// created or /Z is given file specifications, or 2 when the journal could not
// be completed.
std::int32_t RunCommand(const char16_t* const* specs, std::int32_t count, CommandOptions* options,
                        const char16_t* const* command, std::int32_t commandCount);

// The result the shell's forms give for RunCommand's result: a stopped run
// is 3, as a run ended by Quit.
std::int32_t ShellResult(std::int32_t result);

// Cuts a true name after its last path separator (or after a drive colon that
// no separator precedes) into directory and pattern, both MAX_ARG_LEN buffers.
// Returns 0, or -1 when the name has no split point or nothing follows it.
std::int32_t SplitTrueName(const char16_t* trueName, char16_t* directory, char16_t* pattern);
