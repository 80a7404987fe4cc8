// The journal: a file of JSON Lines (command/json_lines.h) that tells what a
// run is about to rename before it renames it, so that undo can take back
// exactly what was done, also after a run that was killed.
//
// The intent line of a rename reaches the system (a write that has completed)
// before the rename is attempted; every other line waits in memory and goes
// out with the next intent line, so that a run makes one write per rename.
// The result line of rename k thus goes out with the intent line of rename
// k + 1: a run killed between the two leaves an intent without a result,
// which undo decides by the identity it finds at the new name. At the end of
// the run, on Quit and before any other end, the journal is written out and
// put on the disk (FlushFileBuffers: fdatasync on POSIX).
#include <string>

#include "command/json_lines.h"
#include "command/report.h"
#include "platform/system_error.h"
#include "platform/win32.h"

namespace {

// Lines that wait are written out at this size, whatever comes.
constexpr std::size_t WAITING_LIMIT = 64 * 1024;
// Longer than any line a journal holds: an intent's directory and names are
// at most MAX_ARG_LEN units each, six bytes a unit when escaped, and a start
// line's command at most the system's limit on arguments (a few MiB).
constexpr std::size_t LONGEST_LINE = 64 * 1024 * 1024;

struct Journal {
  HANDLE file;
  std::string waiting;     // lines not yet written
  std::uint32_t sequence;  // of the last intent
  SystemFailure failure;   // of a line that could not be written (code 0: none)
  bool failureTold;        // to the user already, as the failure of an intent
  bool unsynced;           // lines written since the journal was last put on the disk
};

Journal journal{INVALID_HANDLE_VALUE, std::string(), 0, SystemFailure{0, 0}, false, false};

// The last call's failure, never of code 0: a failure must not read as success.
SystemFailure LastFailure() {
  return GetLastError() != 0 ? SystemFailure{GetLastError(), GetLastSystemError()}
                             : SystemFailure{ERROR_INVALID_FUNCTION, SystemErrorOf(ERROR_INVALID_FUNCTION)};
}

// Writes what waits. Returns the failure (code 0: none), which breaks the journal.
SystemFailure WriteWaiting() {
  if (journal.failure.code != 0) {
    return journal.failure;
  }
  DWORD written = 0;
  if (!journal.waiting.empty() &&
      !WriteFile(journal.file, journal.waiting.data(), static_cast<DWORD>(journal.waiting.size()), &written,
                 nullptr)) {
    journal.failure = LastFailure();
  }
  journal.unsynced = journal.unsynced || written != 0;
  journal.waiting.clear();
  return journal.failure;
}

// Writes what waits and puts the journal on the disk, unless nothing was
// written since it was last put there (the grand total's line, then the close).
SystemFailure Sync() {
  if (WriteWaiting().code == 0 && journal.unsynced) {
    if (!FlushFileBuffers(journal.file)) {
      journal.failure = LastFailure();
    }
    journal.unsynced = false;
  }
  return journal.failure;
}

// An intent that could not be written: its failure goes back to the caller,
// which tells it and makes no rename.
SystemFailure IntentFailure() {
  journal.failureTold = true;
  return journal.failure;
}

}  // namespace

bool JournalOpen() { return journal.file != INVALID_HANDLE_VALUE; }

SystemFailure OpenJournal(const ReportSettings& settings) {
  if (settings.journal == nullptr) {
    return SystemFailure{0, 0};
  }
  // Created new: a journal is never overwritten, nor appended to.
  journal.file = CreateFileW(settings.journal, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal.file == INVALID_HANDLE_VALUE) {
    return LastFailure();
  }
  journal.waiting.clear();
  journal.sequence = 0;
  journal.failure = SystemFailure{0, 0};
  journal.failureTold = false;
  journal.unsynced = false;
  AppendStartLine(&journal.waiting, settings);
  const SystemFailure failure = WriteWaiting();
  if (failure.code != 0) {
    // No journal without its first line: the file made for it goes again,
    // and the command, which touches nothing, may be given again as it was.
    CloseHandle(journal.file);
    DeleteFileW(settings.journal);
    journal.file = INVALID_HANDLE_VALUE;
  }
  return failure;
}

SystemFailure WriteJournalEvent(const RunEvent& event) {
  constexpr SystemFailure NONE{0, 0};
  if (!JournalOpen()) {
    return NONE;
  }
  if (journal.failure.code != 0) {
    return event.kind == EVENT_RENAMING ? IntentFailure() : NONE;
  }
  switch (event.kind) {
    case EVENT_RENAMING:
      AppendEventLine(&journal.waiting, event, ++journal.sequence, true);
      return WriteWaiting().code != 0 ? IntentFailure() : NONE;
    case EVENT_RENAMED:
    case EVENT_RENAME_FAILED: {
      // The result of the intent just written; a failure before any intent
      // (no new name could be had) has a line of its own.
      const bool result = event.kind == EVENT_RENAMED || event.attempted;
      AppendEventLine(&journal.waiting, event, result ? journal.sequence : 0, !result);
      break;
    }
    case EVENT_QUIT:
    case EVENT_INTERRUPTED:
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      // The run ends: what it did is put on the disk at once.
      AppendEventLine(&journal.waiting, event, 0, true);
      Sync();  // a failure is told when the journal is closed
      return NONE;
    default:
      AppendEventLine(&journal.waiting, event, 0, true);
      break;
  }
  if (journal.waiting.size() >= WAITING_LIMIT) {
    WriteWaiting();
  }
  return NONE;
}

SystemFailure CloseJournal() {
  if (!JournalOpen()) {
    return SystemFailure{0, 0};
  }
  Sync();
  if (!CloseHandle(journal.file) && journal.failure.code == 0) {
    journal.failure = LastFailure();
  }
  journal.file = INVALID_HANDLE_VALUE;
  journal.waiting.clear();
  // Every failure is told once: that of an intent when it happened, any
  // other (a line after the last intent, putting the journal on the disk) now.
  return journal.failureTold ? SystemFailure{0, 0} : journal.failure;
}

namespace {

struct JournalReading {
  const char16_t* path;
  OptionFlags options;
  JournalRenames* renames;
  std::uint64_t lineNumber;
};

// code: the system's failure for JOURNAL_NOT_READ, else the number the
// problem names (a line, a version).
std::int32_t TellProblem(const JournalReading& reading, JournalProblem problem, SystemFailure code) {
  RunEvent event{};
  event.kind = EVENT_JOURNAL_PROBLEM;
  event.options = reading.options;
  event.reason = problem;
  event.name = reading.path;
  event.code = code.code;
  event.systemError = code.systemError;
  Report(event);
  return 1;
}

SystemFailure Numbered(std::uint64_t number) { return SystemFailure{static_cast<std::uint32_t>(number), 0}; }

// A bare name of an entry, as a rename gives one: not empty, not "." or "..",
// no separator and no NUL, so that undo renames within the journal's
// directory and nowhere else.
bool IsEntryName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") {
    return false;
  }
  for (const char16_t unit : name) {
    if (unit == 0 || IsPathSeparator(unit)) {
      return false;
    }
  }
  return true;
}

// An intent that undo can take as it stands: a directory ending in its
// separator and two entry names. One whose names are equal renamed nothing.
bool IsSoundIntent(const JournalLine& line) {
  return !line.directory.empty() && IsPathSeparator(line.directory.back()) && IsEntryName(line.oldName) &&
         IsEntryName(line.newName);
}

// Takes one line into the renames: 0, or -1 when it is no journal line.
std::int32_t TakeLine(JournalReading* reading, const JournalLine& line) {
  JournalRenames* renames = reading->renames;
  const std::uint64_t count = renames->renames.size();
  if (line.type == "rename") {
    if (line.sequence != count + 1 || !line.hasDirectory || !line.hasOld || !line.hasNew || !line.hasIdentity ||
        !IsSoundIntent(line)) {
      return -1;
    }
    if (renames->directories.empty() || renames->directories.back() != line.directory) {
      renames->directories.push_back(line.directory);
    }
    // An entry renamed onto its own name has nothing to take back.
    const bool nothingToUndo = line.oldName == line.newName;
    renames->renames.push_back(JournalRename{renames->directories.size() - 1, line.oldName, line.newName,
                                             line.identity, false, nothingToUndo});
    return 0;
  }
  if (line.type == "renamed" || (line.type == "failed" && line.sequence != 0)) {
    if (line.sequence == 0 || line.sequence > count) {
      return -1;
    }
    (line.type == "renamed" ? renames->renames[line.sequence - 1].done : renames->renames[line.sequence - 1].failed) =
        true;
    return 0;
  }
  return line.type == "start" ? -1 : 0;  // the other lines tell undo nothing
}

// One line of the journal, without its line end; cut when the file ended
// before its line end.
std::int32_t ReadLine(JournalReading* reading, const char* text, std::size_t length, bool cut) {
  ++reading->lineNumber;
  JournalLine line;
  const bool parsed = ParseJournalLine(text, length, &line) == 0;
  if (reading->lineNumber == 1) {
    if (!parsed || line.type != "start" || line.version == 0) {
      return TellProblem(*reading, JOURNAL_NOT_A_JOURNAL, Numbered(0));
    }
    if (line.version > JOURNAL_VERSION) {
      return TellProblem(*reading, JOURNAL_TOO_NEW, Numbered(line.version));
    }
    return 0;
  }
  if (parsed && TakeLine(reading, line) == 0) {
    return 0;
  }
  // A line whose write was cut off: its rename was never attempted, since a
  // rename follows only a completed write of its intent.
  if (cut && !parsed) {
    TellProblem(*reading, JOURNAL_LAST_LINE_CUT, Numbered(reading->lineNumber));
    return 0;
  }
  return TellProblem(*reading, JOURNAL_BAD_LINE, Numbered(reading->lineNumber));
}

}  // namespace

std::int32_t ReadJournal(const char16_t* path, OptionFlags options, JournalRenames* renames) {
  JournalReading reading{path, options, renames, 0};
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return TellProblem(reading, JOURNAL_NOT_READ, LastFailure());
  }
  // Read a piece at a time: lines are taken as they are complete.
  constexpr DWORD PIECE = 64 * 1024;
  std::string text;
  std::int32_t result = 0;
  for (;;) {
    const std::size_t kept = text.size();
    text.resize(kept + PIECE);
    DWORD read = 0;
    if (!ReadFile(file, text.data() + kept, PIECE, &read, nullptr)) {
      result = TellProblem(reading, JOURNAL_NOT_READ, LastFailure());
      break;
    }
    text.resize(kept + read);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n', kept); end != std::string::npos && result == 0;
         end = text.find('\n', start)) {
      result = ReadLine(&reading, text.data() + start, end - start, false);
      start = end + 1;
    }
    text.erase(0, start);
    // No line of a journal is this long, not even a start line of the
    // longest command line: the file is something else (/dev/zero, say),
    // which is not read on without end.
    if (result == 0 && text.size() > LONGEST_LINE) {
      result = reading.lineNumber == 0 ? TellProblem(reading, JOURNAL_NOT_A_JOURNAL, Numbered(0))
                                       : TellProblem(reading, JOURNAL_BAD_LINE, Numbered(reading.lineNumber + 1));
    }
    if (result != 0 || read == 0) {
      break;
    }
  }
  // An empty file is what a run killed before it wrote its first line leaves:
  // it renamed nothing, and there is nothing to undo.
  if (result == 0 && !text.empty()) {
    result = ReadLine(&reading, text.data(), text.size(), true);
  }
  CloseHandle(file);
  return result;
}
