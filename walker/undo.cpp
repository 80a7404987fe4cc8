// Undo decides each rename of the journal by the identities it finds, never
// by the journal's word alone: the entry is renamed back only from a new name
// that holds the journalled identity, so nothing another program put there is
// touched, and the rename back never replaces an entry (MoveFileW does not),
// so an old name taken meanwhile keeps what took it. The journal's directory
// paths are used as written: after a tree was moved, what they name is gone.
//
// The reverse order takes nested renames back as they must go: under /S /D a
// directory is renamed before the walk enters it, so its entries are renamed
// after it, under its new path, and are taken back before it.
#include "walker/undo.h"

#include "command/report.h"
#include "platform/system_error.h"
#include "plugin/host_services.h"
#include "walker/path_text.h"
#include "walker/rename.h"

namespace {

// Whether the entry at path has the wanted identity; exists says whether
// there is one at all, and links how many names it has.
bool IdentityAt(const char16_t* path, const FileIdentity& wanted, bool* exists, std::uint32_t* links = nullptr) {
  FileIdentity found{0, 0};
  *exists = GetEntryIdentity(path, &found) != 0;
  if (links != nullptr) {
    *links = found.links;
  }
  return *exists && SameFile(found, wanted);
}

// Takes one rename back. Counts it in the tally: fixed (undone), failed (not
// undone), skipped (nothing to do, or previewed). Returns 0, or RENAME_STOPPED
// when the undo's own journal could not record it.
std::int32_t UndoRename(const std::u16string& directory, const JournalRename& rename, OptionFlags* options,
                        RenameTally* tally) {
  char16_t currentPath[MAX_ARG_LEN];
  char16_t restoredPath[MAX_ARG_LEN];
  char16_t sourceBuffer[MAX_ARG_LEN];
  char16_t targetBuffer[MAX_ARG_LEN];
  std::size_t currentLength = 0;
  std::size_t restoredLength = 0;
  RunEvent event{};
  event.options = *options;
  event.directory = directory.c_str();
  event.name = rename.newName.c_str();
  event.newName = rename.oldName.c_str();
  event.identityKnown = true;
  event.identity = rename.identity;
  const bool fits = AppendText(currentPath, &currentLength, event.directory) == 0 &&
                    AppendText(currentPath, &currentLength, event.name) == 0 &&
                    AppendText(restoredPath, &restoredLength, event.directory) == 0 &&
                    AppendText(restoredPath, &restoredLength, event.newName) == 0;
  const char16_t* source = fits ? FileSystemPath(currentPath, sourceBuffer) : nullptr;
  const char16_t* target = fits ? FileSystemPath(restoredPath, targetBuffer) : nullptr;
  if (source == nullptr || target == nullptr) {
    event.kind = EVENT_RENAME_FAILED;
    event.code = ERROR_FILENAME_EXCED_RANGE;
    event.systemError = SystemErrorOf(ERROR_FILENAME_EXCED_RANGE);
    Report(event);
    ++tally->failed;
    return 0;
  }
  event.oldPath = currentPath;
  event.newPath = restoredPath;

  bool newNameTaken = false;
  std::uint32_t links = 0;
  if (!IdentityAt(source, rename.identity, &newNameTaken, &links)) {
    bool oldNameTaken = false;
    if (IdentityAt(target, rename.identity, &oldNameTaken)) {
      ++tally->skipped;  // back already, or never renamed
      return 0;
    }
    event.kind = EVENT_NOT_UNDONE;
    event.reason = newNameTaken ? NOT_UNDONE_REPLACED : NOT_UNDONE_GONE;
    Report(event);
    ++tally->failed;
    return 0;
  }
  // Both names for the one entry, and two links to it: a rename cut between
  // the link to its new name and the unlink of its old one, the rename on a
  // file system that refuses to rename without replacing (move_file.cpp).
  // Taking the new name away takes the rename back, and no data goes with it.
  // Two names that reach one link (their letter case aside, where the file
  // system ignores it) are one name, which is renamed.
  bool oldNameTaken = false;
  const bool cutInHalf = links >= 2 && IdentityAt(target, rename.identity, &oldNameTaken);
  if ((*options & OPT_NOT_REALLY) != 0) {
    event.kind = EVENT_PREVIEWED;
    Report(event);
    ++tally->skipped;
    return 0;
  }
  event.kind = EVENT_RENAMING;
  if (Report(event) != 0) {
    RequestStop(STOP_JOURNAL_FAILED);
    ++tally->failed;
    return RENAME_STOPPED;
  }
  bool renamed = cutInHalf ? DeleteFileW(source) != 0 : MoveFileW(source, target) != 0;
  // The first attempt's error is the one reported, as for any rename.
  const DWORD failure = renamed ? 0 : GetLastError();
  const std::uint32_t systemError = renamed ? 0 : GetLastSystemError();
  renamed = renamed || (!cutInHalf && RenameByLongPath(currentPath, restoredPath) == 0);
  event.kind = renamed ? EVENT_RENAMED : EVENT_RENAME_FAILED;
  event.attempted = true;
  event.code = failure;
  event.systemError = systemError;
  Report(event);
  ++(renamed ? tally->fixed : tally->failed);
  return 0;
}

}  // namespace

std::int32_t UndoJournal(const char16_t* journal, OptionFlags* options) {
  JournalRenames read;
  if (ReadJournal(journal, *options, &read) != 0) {
    return 1;
  }
  RenameTally tally{0, 0, 0, 0};
  bool stopped = false;
  for (std::size_t i = read.renames.size(); i-- > 0 && !stopped;) {
    const JournalRename& rename = read.renames[i];
    if (rename.failed) {
      continue;  // nothing was renamed
    }
    // Asked to stop (an interrupt): before the next rename back, as a run.
    if (PendingStop() != STOP_NONE) {
      RunEvent event{};
      event.kind = EVENT_INTERRUPTED;
      event.options = *options;
      event.directory = read.directories[rename.directory].c_str();
      event.reason = PendingStop();
      Report(event);
      stopped = true;
      break;
    }
    ++tally.found;
    stopped = UndoRename(read.directories[rename.directory], rename, options, &tally) == RENAME_STOPPED;
  }
  RunEvent total{};
  total.kind = EVENT_UNDO_TOTAL;
  total.options = *options;
  total.tally = tally;
  total.reason = stopped ? PendingStop() : STOP_NONE;
  Report(total);
  return stopped ? RENAME_STOPPED : tally.failed == 0 ? 0 : 2;
}
