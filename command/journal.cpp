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

struct Journal {
  HANDLE file;
  std::string waiting;     // lines not yet written
  std::uint32_t sequence;  // of the last intent
  DWORD failure;           // the error of a line that could not be written, else 0
  bool unsynced;           // lines written since the journal was last put on the disk
};

Journal journal{INVALID_HANDLE_VALUE, std::string(), 0, 0, false};

// The last error, never 0: a failure must not read as success.
DWORD LastFailure() { return GetLastError() != 0 ? GetLastError() : ERROR_INVALID_FUNCTION; }

// Writes what waits. Returns 0 or the system's error, which breaks the journal.
DWORD WriteWaiting() {
  if (journal.failure != 0) {
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
DWORD Sync() {
  if (WriteWaiting() == 0 && journal.unsynced) {
    if (!FlushFileBuffers(journal.file)) {
      journal.failure = LastFailure();
    }
    journal.unsynced = false;
  }
  return journal.failure;
}

}  // namespace

bool JournalOpen() { return journal.file != INVALID_HANDLE_VALUE; }

std::uint32_t OpenJournal(const ReportSettings& settings) {
  if (settings.journal == nullptr) {
    return 0;
  }
  // Created new: a journal is never overwritten, nor appended to.
  journal.file = CreateFileW(settings.journal, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal.file == INVALID_HANDLE_VALUE) {
    return LastFailure();
  }
  journal.waiting.clear();
  journal.sequence = 0;
  journal.failure = 0;
  journal.unsynced = false;
  AppendStartLine(&journal.waiting, settings);
  return WriteWaiting();
}

std::uint32_t WriteJournalEvent(const RunEvent& event) {
  if (!JournalOpen()) {
    return 0;
  }
  if (journal.failure != 0) {
    return event.kind == EVENT_RENAMING ? journal.failure : 0;
  }
  switch (event.kind) {
    case EVENT_RENAMING:
      AppendEventLine(&journal.waiting, event, ++journal.sequence, true);
      return WriteWaiting();
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
      Sync();
      return 0;
    default:
      AppendEventLine(&journal.waiting, event, 0, true);
      break;
  }
  if (journal.waiting.size() >= WAITING_LIMIT) {
    WriteWaiting();
  }
  return 0;
}

std::uint32_t CloseJournal() {
  if (!JournalOpen()) {
    return 0;
  }
  const bool failedBefore = journal.failure != 0;
  const DWORD failure = Sync();
  if (!CloseHandle(journal.file) && journal.failure == 0) {
    journal.failure = LastFailure();
  }
  journal.file = INVALID_HANDLE_VALUE;
  journal.waiting.clear();
  return failedBefore ? 0 : (failure != 0 ? failure : journal.failure);
}

namespace {

struct JournalReading {
  const char16_t* path;
  OptionFlags options;
  JournalRenames* renames;
  std::uint64_t lineNumber;
};

std::int32_t TellProblem(const JournalReading& reading, JournalProblem problem, std::uint32_t code) {
  RunEvent event{};
  event.kind = EVENT_JOURNAL_PROBLEM;
  event.options = reading.options;
  event.reason = problem;
  event.name = reading.path;
  event.code = code;
  event.systemError = SystemErrorOf(code);
  Report(event);
  return 1;
}

// Takes one line into the renames: 0, or -1 when it is no journal line.
std::int32_t TakeLine(JournalReading* reading, const JournalLine& line) {
  JournalRenames* renames = reading->renames;
  const std::uint64_t count = renames->renames.size();
  if (line.type == "rename") {
    if (line.sequence != count + 1 || !line.hasDirectory || !line.hasOld || !line.hasNew || !line.hasIdentity) {
      return -1;
    }
    if (renames->directories.empty() || renames->directories.back() != line.directory) {
      renames->directories.push_back(line.directory);
    }
    renames->renames.push_back(
        JournalRename{renames->directories.size() - 1, line.oldName, line.newName, line.identity, false, false});
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
      return TellProblem(*reading, JOURNAL_NOT_A_JOURNAL, 0);
    }
    if (line.version > JOURNAL_VERSION) {
      return TellProblem(*reading, JOURNAL_TOO_NEW, static_cast<std::uint32_t>(line.version));
    }
    return 0;
  }
  if (parsed && TakeLine(reading, line) == 0) {
    return 0;
  }
  // A line whose write was cut off: its rename was never attempted, since a
  // rename follows only a completed write of its intent.
  if (cut && !parsed) {
    TellProblem(*reading, JOURNAL_LAST_LINE_CUT, static_cast<std::uint32_t>(reading->lineNumber));
    return 0;
  }
  return TellProblem(*reading, JOURNAL_BAD_LINE, static_cast<std::uint32_t>(reading->lineNumber));
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
