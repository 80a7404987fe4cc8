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
//
// Renames of one journal depend on each other: an entry renamed twice (by two
// file specifications) was given its second old name by the first rename, and
// an entry of a renamed directory was journalled under the directory's new
// path. An entry found at neither of its names is therefore looked for where
// the earlier renames it depends on, taken back already, put it: a journal
// undone once is found undone, not gone. A preview renames nothing, so it
// keeps the entries it would have moved, and the later renames back it shows
// see them where the real undo would have put them.
#include "walker/undo.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "command/report.h"
#include "platform/system_error.h"
#include "core/host_services.h"
#include "walker/path_text.h"
#include "walker/rename.h"

namespace {

// What is at a path: an entry and its identity, or nothing.
struct Presence {
  bool exists;
  FileIdentity identity;
};

// One undo of one journal.
class UndoRun {
 public:
  UndoRun(const JournalRenames& journal, OptionFlags* options) : journal_(journal), options_(options) {
    for (std::size_t i = 0; i < journal.renames.size(); ++i) {
      byNewPath_[NewPath(journal.renames[i])].push_back(i);
    }
  }

  // Takes rename k back. Counts it in the tally: fixed (undone), failed (not
  // undone), skipped (nothing to do, or previewed). Returns 0, or
  // RENAME_STOPPED when the undo's own journal could not record it.
  std::int32_t UndoRename(std::size_t k);

  RenameTally tally{0, 0, 0, 0};

 private:
  const JournalRename& At(std::size_t k) const { return journal_.renames[k]; }
  const std::u16string& JournalledDirectory(std::size_t k) const { return journal_.directories[At(k).directory]; }
  std::u16string NewPath(const JournalRename& rename) const {
    return journal_.directories[rename.directory] + rename.newName;
  }

  // The latest rename before k that gave an entry the path, or k itself for none.
  std::size_t EarlierRenameTo(const std::u16string& path, std::size_t k) const;
  // What is at path, as the undo sees it: in a preview, what its renames back would have left.
  Presence PresenceAt(const std::u16string& path) const;
  bool EntryIsAt(const std::u16string& path, const FileIdentity& identity) const {
    const Presence presence = PresenceAt(path);
    return presence.exists && SameEntry(identity, presence.identity);
  }
  // Where rename k's directory is now: the journalled path, with an enclosing
  // directory renamed earlier in the journal at its old name once that rename
  // is taken back.
  std::u16string DirectoryNow(std::size_t k) const;
  // Whether rename k's entry is at its old name, or at a name it had before it.
  bool BackAlready(std::size_t k) const;
  void RecordPreviewed(const std::u16string& from, const std::u16string& to, const FileIdentity& identity) {
    previewed_[from] = Presence{false, {0, 0}};
    previewed_[to] = Presence{true, identity};
  }

  const JournalRenames& journal_;
  OptionFlags* options_;
  std::unordered_map<std::u16string, std::vector<std::size_t>> byNewPath_;  // each list ascending
  std::unordered_map<std::u16string, Presence> previewed_;
};

std::size_t UndoRun::EarlierRenameTo(const std::u16string& path, std::size_t k) const {
  const auto found = byNewPath_.find(path);
  if (found == byNewPath_.end()) {
    return k;
  }
  const std::vector<std::size_t>& renames = found->second;
  const auto after = std::lower_bound(renames.begin(), renames.end(), k);
  return after == renames.begin() ? k : *(after - 1);
}

Presence UndoRun::PresenceAt(const std::u16string& path) const {
  const auto previewed = previewed_.find(path);
  if (previewed != previewed_.end()) {
    return previewed->second;
  }
  char16_t buffer[MAX_ARG_LEN];
  const char16_t* fileSystemPath = path.size() < MAX_ARG_LEN ? FileSystemPath(path.c_str(), buffer) : nullptr;
  Presence presence{false, {0, 0}};
  presence.exists = fileSystemPath != nullptr && GetEntryIdentity(fileSystemPath, &presence.identity) != 0;
  return presence;
}

std::u16string UndoRun::DirectoryNow(std::size_t k) const {
  const std::u16string& directory = JournalledDirectory(k);
  // The deepest enclosing directory first: the directory itself, then its parents.
  for (std::size_t end = directory.size() - 1; end > 0; --end) {
    if (!IsPathSeparator(directory[end])) {
      continue;
    }
    const std::size_t j = EarlierRenameTo(directory.substr(0, end), k);
    if (j == k) {
      continue;
    }
    const std::u16string parent = DirectoryNow(j);
    const JournalRename& renamed = At(j);
    const std::u16string& name = EntryIsAt(parent + renamed.oldName, renamed.identity) ? renamed.oldName
                                                                                        : renamed.newName;
    return parent + name + directory.substr(end);
  }
  return directory;
}

bool UndoRun::BackAlready(std::size_t k) const {
  const JournalRename& rename = At(k);
  if (EntryIsAt(DirectoryNow(k) + rename.oldName, rename.identity)) {
    return true;
  }
  // The entry had its old name from an earlier rename: it may be back further.
  const std::size_t j = EarlierRenameTo(JournalledDirectory(k) + rename.oldName, k);
  return j != k && SameEntry(At(j).identity, rename.identity) && BackAlready(j);
}

std::int32_t UndoRun::UndoRename(std::size_t k) {
  const JournalRename& rename = At(k);
  // Where the journal says the entry is; else where the renames it depends on put it.
  std::u16string directory = JournalledDirectory(k);
  if (!EntryIsAt(directory + rename.newName, rename.identity)) {
    directory = DirectoryNow(k);
  }
  const std::u16string current = directory + rename.newName;
  const std::u16string restored = directory + rename.oldName;
  RunEvent event{};
  event.options = *options_;
  event.directory = directory.c_str();
  event.name = rename.newName.c_str();
  event.newName = rename.oldName.c_str();
  event.identityKnown = true;
  event.identity = rename.identity;
  char16_t sourceBuffer[MAX_ARG_LEN];
  char16_t targetBuffer[MAX_ARG_LEN];
  const bool fits = current.size() < MAX_ARG_LEN && restored.size() < MAX_ARG_LEN;
  const char16_t* source = fits ? FileSystemPath(current.c_str(), sourceBuffer) : nullptr;
  const char16_t* target = fits ? FileSystemPath(restored.c_str(), targetBuffer) : nullptr;
  if (source == nullptr || target == nullptr) {
    event.kind = EVENT_RENAME_FAILED;
    event.code = ERROR_FILENAME_EXCED_RANGE;
    event.systemError = SystemErrorOf(ERROR_FILENAME_EXCED_RANGE);
    Report(event);
    ++tally.failed;
    return 0;
  }
  event.oldPath = current.c_str();
  event.newPath = restored.c_str();

  const Presence atNewName = PresenceAt(current);
  if (!atNewName.exists || !SameEntry(rename.identity, atNewName.identity)) {
    if (BackAlready(k)) {
      ++tally.skipped;  // back already, or never renamed
      return 0;
    }
    event.kind = EVENT_NOT_UNDONE;
    event.reason = atNewName.exists ? NOT_UNDONE_REPLACED : NOT_UNDONE_GONE;
    Report(event);
    ++tally.failed;
    return 0;
  }
  // Both names for the one entry, and two links to it: a rename cut between
  // the link to its new name and the unlink of its old one, the rename on a
  // file system that refuses to rename without replacing (move_file.cpp).
  // Taking the new name away takes the rename back, and no data goes with it.
  // Two names that reach one link (their letter case aside, where the file
  // system ignores it) are one name, which is renamed.
  const bool cutInHalf = atNewName.identity.links >= 2 && EntryIsAt(restored, rename.identity);
  if ((*options_ & OPT_NOT_REALLY) != 0) {
    event.kind = EVENT_PREVIEWED;
    Report(event);
    RecordPreviewed(current, restored, rename.identity);
    ++tally.skipped;
    return 0;
  }
  event.kind = EVENT_RENAMING;
  if (Report(event) != 0) {
    RequestStop(STOP_JOURNAL_FAILED);
    ++tally.failed;
    return RENAME_STOPPED;
  }
  bool renamed = cutInHalf ? DeleteFileW(source) != 0 : MoveFileW(source, target) != 0;
  // The first attempt's error is the one reported, as for any rename.
  const DWORD failure = renamed ? 0 : GetLastError();
  const std::uint32_t systemError = renamed ? 0 : GetLastSystemError();
  renamed = renamed || (!cutInHalf && RenameByLongPath(current.c_str(), restored.c_str()) == 0);
  event.kind = renamed ? EVENT_RENAMED : EVENT_RENAME_FAILED;
  event.attempted = true;
  event.code = failure;
  event.systemError = systemError;
  Report(event);
  ++(renamed ? tally.fixed : tally.failed);
  return 0;
}

}  // namespace

std::int32_t UndoJournal(const char16_t* journal, OptionFlags* options) {
  JournalRenames read;
  if (ReadJournal(journal, *options, &read) != 0) {
    return 1;
  }
  UndoRun run(read, options);
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
    ++run.tally.found;
    stopped = run.UndoRename(i) == RENAME_STOPPED;
  }
  RunEvent total{};
  total.kind = EVENT_UNDO_TOTAL;
  total.options = *options;
  total.tally = run.tally;
  total.reason = stopped ? PendingStop() : STOP_NONE;
  Report(total);
  return stopped ? RENAME_STOPPED : run.tally.failed == 0 ? 0 : 2;
}
