#include "walker/rename.h"

#include <vector>

#include "cleaner/char_classes.h"
#include "cleaner/name_reasons.h"
#include "cleaner/new_name.h"
#include "command/report.h"
#include "platform/terminal_text.h"
#include "core/host_services.h"
#include "walker/key_read.h"
#include "walker/path_text.h"

namespace {

constexpr char16_t ARROW[] = u"\u2500\u25BA";
constexpr std::int32_t ANSWER_NO = 0;
constexpr std::int32_t ANSWER_YES = 1;
constexpr std::int32_t ANSWER_ALL = 2;
constexpr int KEY_ESCAPE = 27;
constexpr int KEYSTROKE_FLAGS = 560;

// Writes the pieces, in order, to the console device rather than standard
// output, so that the prompt and its echoes stay on the screen when standard
// output is redirected. Without a console there is nowhere to ask, and nothing
// is written.
std::int32_t WriteToConsole(const char16_t* const pieces[], std::size_t count) {
  HANDLE console = CreateFileW(u"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) {
    return 1;
  }
  for (std::size_t i = 0; i < count; ++i) {
    DWORD written = 0;
    WriteConsoleW(console, pieces[i], static_cast<DWORD>(TextLength(pieces[i])), &written, nullptr);
  }
  CloseHandle(console);
  return 0;
}

std::int32_t WriteToConsole(const char16_t* text) {
  const char16_t* const pieces[] = {text};
  return WriteToConsole(pieces, 1);
}

// The entry in hand, as the events about it tell it.
RunEvent EntryEvent(const OptionFlags* options, const char16_t* directory, const char16_t* name) {
  RunEvent event{};
  event.options = *options;
  event.directory = directory;
  event.name = name;
  return event;
}

// A failure of the engine's own, which no call reported.
SystemFailure FailureOf(DWORD code) { return SystemFailure{code, SystemErrorOf(code)}; }

// Reports the entry's failure and counts it. Returns 2. attempted says
// whether a rename was tried (else no new name could be had).
std::int32_t Fail(RunEvent* event, SystemFailure failure, bool attempted, RenameTally* tally) {
  event->kind = EVENT_RENAME_FAILED;
  event->code = failure.code;
  event->systemError = failure.systemError;
  event->attempted = attempted;
  Report(*event);
  ++tally->failed;
  return 2;
}

// The identity of the entry name of directory, whose path the file system
// takes as source, for the record of its rename. In a preview the entry may
// carry on the disk the name an earlier walk of the command renamed away.
bool FindEntryIdentity(const char16_t* directory, const char16_t* name, const char16_t* source,
                       const DirectoryNames* names, FileIdentity* identity) {
  char16_t onDisk[MAX_ARG_LEN];
  if (!NameOnDisk(names, name, onDisk)) {
    return GetEntryIdentity(source, identity) != 0;
  }
  char16_t path[MAX_ARG_LEN];
  char16_t buffer[MAX_ARG_LEN];
  std::size_t length = 0;
  const char16_t* diskSource = AppendText(path, &length, directory) == 0 && AppendText(path, &length, onDisk) == 0
                                   ? FileSystemPath(path, buffer)
                                   : nullptr;
  if (diskSource == nullptr) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return GetEntryIdentity(diskSource, identity) != 0;
}

// Renames source to target (the file system's forms of oldPath and newPath),
// and when that fails retries by the long-path form and by the short name.
// Returns a code of 0, or the first attempt's failure (never a code of 0: a
// system that gave none is reported as an unknown error).
SystemFailure Move(const char16_t* directory, const char16_t* name, const char16_t* shortName, const char16_t* oldPath,
             const char16_t* newPath, const char16_t* source, const char16_t* target) {
  if (MoveFileW(source, target)) {
    return SystemFailure{0, 0};
  }
  // The first attempt's error is the one the user sees; the retries' own
  // errors say less about why the rename failed.
  const SystemFailure first{GetLastError(), GetLastSystemError()};
  if (RenameByLongPath(oldPath, newPath) == 0) {
    return SystemFailure{0, 0};
  }
  if (shortName != nullptr && shortName[0] != u'\0' && CompareIgnoringAsciiCase(shortName, name) != 0 &&
      RenameByShortName(directory, shortName, target) == 0) {
    return SystemFailure{0, 0};
  }
  return first.code != 0 ? first : SystemFailure{static_cast<DWORD>(-1), 0};
}

}  // namespace

std::int32_t ReadPromptAnswer() {
  for (;;) {
    int key = 0;
    if (ReadHostKey(KEYSTROKE_FLAGS, &key) != 0) {
      // No key can be read (end of input, no console, a fault in the host's
      // key read): stop as for Quit, without echo.
      return RENAME_QUIT;
    }
    switch (key) {
      case 'N':
      case KEY_ESCAPE:
        WriteToConsole(u"No  \n");
        return ANSWER_NO;
      case 'Y':
        WriteToConsole(u"Yes \n");
        return ANSWER_YES;
      case 'A':
        WriteToConsole(u"All \n");
        return ANSWER_ALL;
      case 'Q':
        WriteToConsole(u"Quit\n");
        return RENAME_QUIT;
      default:
        break;  // swallowed without echo; wait for the next key
    }
  }
}

std::int32_t RenameByLongPath(const char16_t* oldPath, const char16_t* newPath) {
  if (oldPath == nullptr || newPath == nullptr || newPath[0] == u'\0') {
    return -1;
  }
  if (!IsDrivePath(oldPath) || oldPath[3] == u'\0') {
    return 1;
  }
  // The target gets the prefix too: without it a target longer than MAX_PATH
  // fails on a system without long-path support, which is the very case
  // this retry exists for.
  char16_t source[MAX_ARG_LEN];
  char16_t target[MAX_ARG_LEN];
  if (FormPrefixedPath(source, u"\\\\?\\", oldPath) != 0 ||
      (IsDrivePath(newPath) ? FormPrefixedPath(target, u"\\\\?\\", newPath)
                            : FormPrefixedPath(target, u"", newPath)) != 0) {
    return 1;
  }
  return MoveFileW(source, target) ? 0 : 1;
}

std::int32_t RenameByShortName(const char16_t* directory, const char16_t* shortName, const char16_t* newPath) {
  if (directory == nullptr || shortName == nullptr || newPath == nullptr) {
    return -1;
  }
  if (directory[0] == u'\0' || shortName[0] == u'\0' || newPath[0] == u'\0') {
    return 1;
  }
  char16_t source[MAX_ARG_LEN];
  source[0] = u'\0';
  std::size_t length = 0;
  if (IsDrivePath(directory) && AppendText(source, &length, u"\\\\?\\") != 0) {
    return 1;
  }
  if (AppendText(source, &length, directory) != 0 || AppendText(source, &length, shortName) != 0) {
    return 1;
  }
  return MoveFileW(source, newPath) ? 0 : 1;
}

std::int32_t RenameEntry(const char16_t* directory, const char16_t* name, const char16_t* shortName,
                         OptionFlags* options, const char16_t* qList, const char16_t* rList,
                         RenameTally* tally, DirectoryNames* names) {
  char16_t newName[MAX_ARG_LEN];
  const std::int32_t built = BuildNewName(directory, name, newName, *options, qList, rList, names);
  if (built == NEW_NAME_UNCHANGED) {
    ++tally->skipped;  // nothing to do, and nothing is shown
    return 0;
  }
  RunEvent event = EntryEvent(options, directory, name);
  if (built == NEW_NAME_NO_FREE_SUFFIX) {
    return Fail(&event, FailureOf(ERROR_ALREADY_EXISTS), false, tally);
  }
  event.newName = newName;
  if (built == NEW_NAME_TAKEN) {
    // Failed as the rename would fail, without an attempt: nothing is
    // journalled that is not tried.
    return Fail(&event, FailureOf(ERROR_ALREADY_EXISTS), false, tally);
  }
  if (built == NEW_NAME_DEVICE) {
    event.kind = EVENT_DEVICE_NAME;
    Report(event);
    ++tally->failed;
    return 2;
  }
  char16_t oldPath[MAX_ARG_LEN];
  char16_t newPath[MAX_ARG_LEN];
  std::size_t oldLength = 0;
  std::size_t newLength = 0;
  if (built != NEW_NAME_READY || AppendText(oldPath, &oldLength, directory) != 0 ||
      AppendText(oldPath, &oldLength, name) != 0 || AppendText(newPath, &newLength, directory) != 0 ||
      AppendText(newPath, &newLength, newName) != 0) {
    // NEW_NAME_TOO_LONG, or a path that does not fit: no entry of that path
    // can be renamed, and nothing is shown that could not be done.
    event.newName = nullptr;
    return Fail(&event, FailureOf(ERROR_FILENAME_EXCED_RANGE), false, tally);
  }
  event.oldPath = oldPath;
  event.newPath = newPath;

  if ((*options & OPT_PROMPT) != 0) {
    event.prompted = true;
    // The console would act on a name's control characters: it is shown them escaped.
    const std::u16string oldShown = TerminalForm(oldPath, oldLength);
    const std::u16string newShown = TerminalForm(newPath, newLength);
    // The POSIX program lists every answer it takes, as its platform's prompts do.
    const char16_t* answers = ReportStyleInUse() == REPORT_POSIX_STYLE ? u"\"  (y/n/a/q)? " : u"\"  (Y/N/A)? ";
    const char16_t* const prompt[] = {u"\"", oldShown.c_str(), u"\" ", ARROW, u" \"", newShown.c_str(), answers};
    WriteToConsole(prompt, sizeof prompt / sizeof prompt[0]);
    const std::int32_t answer = ReadPromptAnswer();
    // A stop asked for while the prompt waited holds whatever the answer: the
    // rename under way was the one before.
    if (PendingStop() != STOP_NONE) {
      ++tally->skipped;
      return RENAME_STOPPED;
    }
    if (answer == RENAME_QUIT || answer == ANSWER_NO) {
      event.kind = answer == RENAME_QUIT ? EVENT_QUIT : EVENT_DECLINED;
      Report(event);
      ++tally->skipped;
      return answer == RENAME_QUIT ? RENAME_QUIT : 0;
    }
    if (answer == ANSWER_ALL) {
      *options &= ~OPT_PROMPT;  // for every later entry of this command
    }
  }

  // The paths shown stay as they are; the file system is handed the
  // long-path form of one that Win32 path rules would rewrite, since the
  // plain "bar " would rename its twin "bar", and the plain "con" reaches a
  // device, whose error would be reported instead of the entry's.
  char16_t sourceBuffer[MAX_ARG_LEN];
  char16_t targetBuffer[MAX_ARG_LEN];
  const char16_t* source = FileSystemPath(oldPath, sourceBuffer);
  const char16_t* target = FileSystemPath(newPath, targetBuffer);
  if (source == nullptr || target == nullptr) {
    return Fail(&event, FailureOf(ERROR_FILENAME_EXCED_RANGE), false, tally);
  }
  // A record of the rename (the journal, JSON Lines) names the entry by its
  // identity as well: undo takes back that entry only. One that cannot be
  // had now could not be renamed either.
  if (IdentitiesWanted()) {
    event.identityKnown = FindEntryIdentity(directory, name, source, names, &event.identity);
    if (!event.identityKnown) {
      return Fail(&event, SystemFailure{GetLastError(), GetLastSystemError()}, false, tally);
    }
  }

  if ((*options & OPT_NOT_REALLY) != 0 && names != nullptr && names->refusesRenames.code != 0) {
    return Fail(&event, names->refusesRenames, false, tally);
  }
  if ((*options & OPT_NOT_REALLY) != 0) {
    event.kind = EVENT_PREVIEWED;
    event.options = *options;
    std::vector<NameReason> reasons;
    if ((*options & OPT_CHECK) != 0) {
      reasons = ExplainName(directory, name, *options, qList, rList, names != nullptr ? names->keptTwin : nullptr);
      event.reasons = &reasons;
    }
    Report(event);
    // Later entries see the name as taken, and the old one as free, just as
    // they would after the real rename.
    RecordNewName(names, name, newName, *options);
    ++tally->skipped;
    return 0;
  }

  event.kind = EVENT_RENAMING;
  event.options = *options;
  if (Report(event) != 0) {
    // The journal could not record the intent: this rename and every later
    // one are not made, and the run stops here.
    RequestStop(STOP_JOURNAL_FAILED);
    ++tally->failed;
    return RENAME_STOPPED;
  }
  const SystemFailure failure = Move(directory, name, shortName, oldPath, newPath, source, target);
  if (failure.code != 0) {
    return Fail(&event, failure, true, tally);
  }
  RecordNewName(names, name, newName, *options);
  event.kind = EVENT_RENAMED;
  Report(event);
  ++tally->fixed;
  return 0;
}
