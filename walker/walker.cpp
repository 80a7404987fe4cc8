// The directory walk of one file specification.
//
// Three rules shape it beyond matching and renaming:
//  - A directory's matching entries are read completely, and its enumeration is
//    closed, before the first of them is renamed. A file system may yield an
//    entry renamed during an enumeration a second time under its new name;
//    reading first handles (and decodes) every entry exactly once. Only the
//    entries with something to do wait, so memory grows with the names to
//    change, not with the directory: a match whose cleaned name is its old
//    name needs no probe and prints nothing, and is counted as found and
//    skipped as it is read. The names that wait live in one arena, a single
//    growing block, not one allocation per name.
//  - The levels of the walk live in an array on the heap, not on the call
//    stack, and all of them share one path buffer and one find record: depth is
//    bounded by the length of a path (MAX_ARG_LEN), never by the stack.
//    Subdirectory names are read the same way before the first is entered, so
//    no enumeration stays open while a deeper level is walked. Without /D the
//    renames of a directory cannot touch its subdirectories, so the first scan
//    takes their names as well and the directory is enumerated once; with /D
//    a second enumeration after the renames finds them under their new names.
//  - Under /S a directory that is already on the current path, reached again
//    through a symbolic link or junction, is not entered again: identities
//    (volume and file index) are compared, not names. Whether links are
//    entered at all is the system's habit (walker/links.h).
//
// Under /W the walk reads every entry's name, not only the matches: a new
// name must not be the twin of any entry's (cleaner/twin_names.h). Entries
// that are twins of each other already are resolved as well: of tidy twins,
// the one first in the order of their names keeps its name, and the others
// are renamed; an untidy twin is renamed anyway. A tidy match whose twin is
// not selected by this run (an entry of the other kind, or one the pattern
// does not match) is renamed, since its twin stays. The matches of a directory
// are handled in the order of their names (of their code units, which for
// UTF-8 names is the order of their bytes), so that of untidy twins the later
// one gets the suffix, and the preview and the real run agree.
//
// A preview renames nothing, so a later walk of the command (another file
// specification) still reads an entry an earlier one would have renamed
// under its old name. It takes the entry under the last name the preview
// gave it (cleaner/preview_names.h), as the real run would read it: matching,
// cleaning and the twins of /W see that name; descending and the file
// system's probes use the name on the disk.
//
// A directory that does not exist (any more) is one without matches: "File
// not found", and the walk's result stays 0. One that exists but cannot be
// listed (access denied, a path too long for the system) is a failure: it is
// reported with the system's error text and makes the result 2, since its
// entries were left uncleaned and a caller must not read that as success.
#include "walker/walker.h"

#include <cassert>
#include <cstdlib>
#include <new>
#include <string>

#include "cleaner/new_name.h"
#include "cleaner/preview_names.h"
#include "cleaner/twin_names.h"
#include "command/report.h"
#include "platform/kept_directory.h"
#include "platform/rename_access.h"
#include "core/host_services.h"
#include "walker/links.h"
#include "walker/path_text.h"
#include "walker/rename.h"
#include "walker/walk_state.h"

namespace walking {



bool IsDotName(const char16_t* name) {
  return name[0] == u'.' && (name[1] == u'\0' || (name[1] == u'.' && name[2] == u'\0'));
}

// Reports a directory that was not searched: path itself when name is empty,
// else its subdirectory name.
std::int32_t ReportPassedOver(PassedOverReason reason, const OptionFlags* options, const char16_t* path,
                              const char16_t* name) {
  RunEvent event{};
  event.kind = EVENT_DIRECTORY_PASSED_OVER;
  event.options = *options;
  event.directory = path;
  event.name = name;
  event.reason = reason;
  return Report(event);
}

// A directory passed over for want of memory counts as a failure: 2.
std::int32_t ReportOutOfMemory(const WalkState* state) {
  ReportPassedOver(PASSED_OVER_NO_MEMORY, state->options, state->path, u"");
  return 2;
}

// Whether an enumeration failed because there is no such directory, rather
// than because the directory could not be listed. A file named where a
// directory should be answers ERROR_PATH_NOT_FOUND, ERROR_DIRECTORY or (under
// Wine) ERROR_INVALID_NAME, as does a name no directory can have.
bool IsMissingDirectory(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES ||
         code == ERROR_DIRECTORY || code == ERROR_INVALID_NAME;
}

// A directory that exists but cannot be listed counts as a failure: 2.
std::int32_t ReportUnreadable(const WalkState* state, DWORD code, std::uint32_t systemError) {
  RunEvent event{};
  event.kind = EVENT_DIRECTORY_UNREADABLE;
  event.options = *state->options;
  event.directory = state->path;
  event.code = code;
  event.systemError = systemError;
  Report(event);
  return 2;
}

// Opens an enumeration of every entry of the directory in state->path: the
// directory found, also when Win32 path rules would take "dir." for "dir", and
// also when its path is too long for the plain form.
HANDLE OpenEnumeration(WalkState* state, std::size_t pathLength) {
  state->path[pathLength] = u'*';
  state->path[pathLength + 1] = u'\0';
  const char16_t* searchPath = SearchedPath(state->path, state->fileSystemPath);
  HANDLE find = INVALID_HANDLE_VALUE;
  if (searchPath == nullptr) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  } else {
    find = FindFirstFileW(searchPath, &state->found);
  }
  state->path[pathLength] = u'\0';
  return find;
}

// The identity of the directory in state->path; 0 when it cannot be had.
int GetDirectoryIdentity(WalkState* state, FileIdentity* identity) {
  const char16_t* path = SearchedPath(state->path, state->fileSystemPath);
  return path != nullptr && GetFileIdentity(path, identity) != 0 ? 1 : 0;
}

// Whether name is that of a directory in which version control keeps its own
// records, by the name its tool gives it. A name changed there breaks the
// repository: git reads a branch "fix%20typo" by exactly that name.
bool IsRepositoryName(const char16_t* name) {
  for (const char16_t* repository : {u".git", u".hg", u".svn", u".bzr", u"_darcs"}) {
    if (std::char_traits<char16_t>::compare(name, repository, TextLength(repository) + 1) == 0) {
      return true;
    }
  }
  return false;
}

// Whether /S enters the directory entry in found: not "." or "..", not a
// link unless this system's habit and the options say so (walker/links.h),
// not hidden under /N:D, not a repository's own under OPT_NO_REPOSITORIES.
bool IsEntered(const WIN32_FIND_DATAW& found, OptionFlags options) {
  const DWORD attributes = found.dwFileAttributes;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || EntersLinks(options)) &&
         ((options & OPT_NO_HIDDEN_DIRS) == 0 || (attributes & FILE_ATTRIBUTE_HIDDEN) == 0) &&
         ((options & OPT_NO_REPOSITORIES) == 0 || !IsRepositoryName(FoundName(found))) &&
         !IsDotName(FoundName(found));
}

// Whether the match has nothing to do: then it is not stored but counted.
bool NeedsNothing(WalkState* state, const char16_t* name) {
  return CleanName(name, state->cleaned, *state->options, state->qList, state->rList) >= 0 &&
         NeedsNoChange(name, state->cleaned, *state->options);
}

// Whether the entry in found, by the name it carries, is one this walk
// selects: of the kind asked for, not "." or "..", and matching the pattern.
bool IsSelected(const WalkState* state, const char16_t* name) {
  const bool isDirectory = (state->found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool wantsDirectories = (*state->options & OPT_DIRECTORIES) != 0;
  return isDirectory == wantsDirectories && !IsDotName(name) && WildcardComparison(state->pattern, name, 1, 1) == 0;
}

// The record of the renames shown in a preview, for the whole command (see
// PreviewScope); null outside a preview scope, or when no memory could be had.
PreviewNames* commandPreview = nullptr;
int previewScopes = 0;
bool laterWalksFollow = true;  // see PreviewScope::SetLaterWalksFollow

PreviewNames* CommandPreview() {
  if (commandPreview == nullptr && previewScopes > 0) {
    commandPreview = CreatePreviewNames();
  }
  return commandPreview;
}

// In a preview: finds the identity of the directory in state->path and its
// number in the command's record, if an earlier entry of the command would
// have been renamed there.
void FindPreviewDirectory(WalkState* state) {
  state->previewDirectory = NO_PREVIEW_DIRECTORY;
  state->identityKnown = false;
  if ((*state->options & OPT_NOT_REALLY) == 0 || CommandPreview() == nullptr) {
    return;
  }
  // Under /S the level knows its identity already.
  const WalkLevel& level = state->levels[state->levelCount - 1];
  state->identity = level.identity;
  state->identityKnown = level.identityKnown || GetDirectoryIdentity(state, &state->identity) != 0;
  if (state->identityKnown) {
    state->previewDirectory = PreviewDirectory(commandPreview, state->identity, false);
  }
}

// The name the entry in found carries: in a preview, the last name an earlier
// walk of the command gave it, as the real run would read it; else its own.
const char16_t* CarriedName(WalkState* state) {
  const char16_t* onDisk = FoundName(state->found);
  if (state->previewDirectory != NO_PREVIEW_DIRECTORY &&
      PreviewNameOf(commandPreview, state->previewDirectory, onDisk, state->carried)) {
    return state->carried;
  }
  return onDisk;
}

// How a preview without /W finds out whether the directory finds a name in any
// letter case (exFAT, FAT, NTFS as Windows sees it, an ext4 directory with
// case folding), as the real run's probe then does: the first name read that
// holds an ASCII letter is asked for with the case of its ASCII letters
// turned. The directory ignores case when the file system finds that name and
// no entry of the listing carries it (a name read before has no ASCII letter,
// so only later ones are compared). A directory without such a name is taken
// to compare names exactly.
struct CaseProbe {
  char16_t turned[MAX_PATH];
  bool chosen;
  bool seen;  // an entry of the listing carries the turned name
};

void ProbeName(CaseProbe* probe, const char16_t* name) {
  if (probe->chosen) {
    probe->seen = probe->seen || TextEquals(probe->turned, name);
    return;
  }
  bool letter = false;
  std::size_t i = 0;
  for (; name[i] != 0 && i + 1 < MAX_PATH; ++i) {
    const char16_t upper = ToUpperAscii(name[i]);
    const char16_t lower = ToLowerAscii(name[i]);
    letter = letter || upper != lower;
    probe->turned[i] = name[i] == upper ? lower : upper;
  }
  probe->turned[i] = 0;
  probe->chosen = letter && name[i] == 0;
}

bool IgnoresCase(WalkState* state, std::size_t pathLength, const CaseProbe& probe) {
  if (!probe.chosen || probe.seen) {
    return false;
  }
  std::size_t length = pathLength;
  const bool fits = AppendText(state->path, &length, probe.turned) == 0;
  const char16_t* path = fits ? FileSystemPath(state->path, state->fileSystemPath) : nullptr;
  const bool found = path != nullptr && QueryIsFileOrDirectory(path) != 0;
  state->path[pathLength] = u'\0';
  return found;
}


// Reads every entry that matches. One with something to do goes into
// state->matches, with the number of matches with nothing to do read since the
// one before it; the number after the last is left in state->unchangedAtEnd.
// Under /S without /D the names of the subdirectories to enter go into
// state->subdirectories too. Returns 0, or 2 after reporting a directory that
// exists but cannot be listed, or memory that ran out (the arenas then hold
// only part of the names).
std::int32_t ReadMatches(WalkState* state, std::size_t pathLength) {
  state->matches.used = 0;
  state->subdirectories.used = 0;
  state->subdirectoriesTaken = false;
  state->unchangedAtEnd = 0;
  state->ignoresCase = false;
  ClearTwinNames(&state->twins);
  FindPreviewDirectory(state);
  HANDLE find = OpenEnumeration(state, pathLength);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return IsMissingDirectory(code) ? 0 : ReportUnreadable(state, code, GetLastSystemError());
  }
  const OptionFlags options = *state->options;
  const bool takeSubdirectories = (options & (OPT_RECURSE | OPT_DIRECTORIES)) == OPT_RECURSE;
  const bool readTwins = (options & OPT_WINDOWS_NAMES) != 0;
  const bool probeCase = (options & (OPT_NOT_REALLY | OPT_WINDOWS_NAMES)) == OPT_NOT_REALLY;
  // Under /W every match with nothing to do is counted before the first one
  // is handled: the matches are handled in the order of their names.
  const bool countFirst = readTwins;
  CaseProbe caseProbe{{0}, false, false};
  std::int32_t result = 0;
  do {
    // Subdirectories are entered, and the file system asked, by the names on
    // the disk; the rest sees the names the entries carry.
    const char16_t* onDisk = FoundName(state->found);
    const char16_t* name = CarriedName(state);
    if (takeSubdirectories && IsEntered(state->found, options) && PushName(&state->subdirectories, onDisk) != 0) {
      result = -1;
      break;
    }
    if (readTwins && !IsDotName(name) && AddTwinName(&state->twins, TwinFingerprintOfName(name)) != 0) {
      result = -1;
      break;
    }
    if (probeCase) {
      ProbeName(&caseProbe, onDisk);
    }
    if (!IsSelected(state, name)) {
      continue;
    }
    if (NeedsNothing(state, name)) {
      ++state->unchangedAtEnd;
      continue;
    }
    if (PushMatch(&state->matches, countFirst ? 0 : state->unchangedAtEnd, MATCH_PLAIN, name,
                  FoundShortName(state->found)) != 0) {
      result = -1;
      break;
    }
    if (!countFirst) {
      state->unchangedAtEnd = 0;
    }
  } while (FindNextFileW(find, &state->found));
  FindClose(find);
  if (result == 0 && readTwins && SortTwinNames(&state->twins)) {
    result = ResolveTwins(state, pathLength);
  }
  if (result == 0 && probeCase) {
    state->ignoresCase = IgnoresCase(state, pathLength, caseProbe);
  }
  state->subdirectoriesTaken = takeSubdirectories && result == 0;
  return result == 0 ? 0 : ReportOutOfMemory(state);
}

// The directory's own report: its tally, found 0 when nothing matched, and
// why the run stops in it, if it does. It never changes the walk's result.
std::int32_t ReportDirectory(const WalkState* state, const RenameTally& local, StopReason stop) {
  RunEvent event{};
  event.kind = EVENT_DIRECTORY_DONE;
  event.options = *state->options;
  event.directory = state->path;
  event.name = state->pattern;
  event.tally = local;
  event.reason = stop;
  return Report(event);
}


// What the rename step is told of the directory in state->path (see
// DirectoryNames).
DirectoryNames NamesOfDirectory(WalkState* state) {
  const OptionFlags options = *state->options;
  DirectoryNames names{nullptr, NO_PREVIEW_DIRECTORY, {0, 0}, false, nullptr, state->ignoresCase, 0};
  if ((options & OPT_WINDOWS_NAMES) != 0) {
    names.twins = &state->twins;
  }
  if ((options & OPT_NOT_REALLY) != 0) {
    names.changes = CommandPreview();
    names.identity = state->identity;
    names.identityKnown = state->identityKnown;
    names.directory = state->previewDirectory;
    // A walk that enters links may reach a directory a second time under
    // another path, and must read it as the real run would then: it follows.
    names.followsEntries = laterWalksFollow || ((options & OPT_RECURSE) != 0 && EntersLinks(options));
  }
  return names;
}

// The run was asked to stop (core/stop.h) before the next rename, which
// would have been in the directory in state->path. Returns RENAME_STOPPED.
std::int32_t ReportStop(const WalkState* state) {
  RunEvent event{};
  event.kind = EVENT_INTERRUPTED;
  event.options = *state->options;
  event.directory = state->path;
  event.reason = PendingStop();
  Report(event);
  return RENAME_STOPPED;
}

// Cleans the directory in state->path: reads its matches, hands each with
// something to do to the rename step, adds its counts to the command's tally
// and reports them. Returns 0, 2, RENAME_QUIT or RENAME_STOPPED. A stop asked
// for is honoured before the directory is read and before each match, so
// that the rename under way is the last.
std::int32_t CleanDirectory(WalkState* state, std::size_t pathLength) {
  if (PendingStop() != STOP_NONE) {
    return ReportStop(state);
  }
  const std::int32_t read = ReadMatches(state, pathLength);
  if (read != 0) {
    return read;
  }
  const bool ordered = (*state->options & OPT_WINDOWS_NAMES) != 0;
  std::size_t orderCount = 0;
  if (ordered && OrderMatches(state, &orderCount) != 0) {
    return ReportOutOfMemory(state);
  }

  // A preview renames nothing, so the names earlier entries would have taken and left
  // are recorded, for the uniqueness probe of later ones (see RecordNewName). Without
  // it the preview would promise two entries the same name.
  DirectoryNames names = NamesOfDirectory(state);
  if (PreviewTellsFailures(*state->options) && state->matches.used > 0) {
    names.refusesRenames = RenamesRefusedIn(state->path);  // asked once
  }
  RenameTally local{0, 0, 0, 0};
  std::int32_t result = 0;
  std::size_t reached = 0;  // under /W, the records counted
  for (std::size_t offset = 0, handled = 0; ordered ? handled < orderCount : offset < state->matches.used;
       ++handled) {
    if (PendingStop() != STOP_NONE) {
      result = RENAME_STOPPED;
      break;
    }
    // The matches with nothing to do that came before this one, counted as the
    // rename step would have counted them (it would have shown nothing for them).
    std::uint32_t unchanged = 0;
    unsigned char flags = MATCH_PLAIN;
    const std::size_t record = ordered ? state->order[handled] : offset;
    offset = TakeMatch(state->matches, record, &unchanged, &flags, state->name, state->shortName, state->keptTwin);
    local.found += unchanged + 1;
    local.skipped += unchanged;
    reached = handled + 1;
    names.keptTwin = (flags & MATCH_LEAVES_ITS_NAME) != 0 ? state->keptTwin : nullptr;
    const std::int32_t renamed = RenameEntry(state->path, state->name, state->shortName, state->options,
                                             state->qList, state->rList, &local, &names);
    if (renamed == RENAME_QUIT || renamed == RENAME_STOPPED) {
      result = renamed;
      break;
    }
    if (renamed != 0) {
      result = 2;
    }
  }
  const bool ended = result == RENAME_QUIT || result == RENAME_STOPPED;
  // Those after the last stored match, unless the walk ended before them;
  // under /W, where the order of the names mixes them with the others, all of
  // them, or those before the last match reached.
  std::uint32_t tidyCounted = ended ? 0 : state->unchangedAtEnd;
  if (ordered && ended && reached > 0) {
    tidyCounted = CountTidyBefore(state, pathLength, state->order[reached - 1], orderCount);
  }
  local.found += tidyCounted;
  local.skipped += tidyCounted;
  if (result == RENAME_STOPPED) {
    ReportStop(state);
  }

  // Counted also after Quit or a stop: the entries handled so far, the Quit
  // one included.
  state->tally->found += local.found;
  state->tally->fixed += local.fixed;
  state->tally->skipped += local.skipped;
  state->tally->failed += local.failed;
  ReportDirectory(state, local, result == RENAME_QUIT ? STOP_QUIT : ended ? PendingStop() : STOP_NONE);
  return result;
}

// Reads the names of the subdirectories to enter below the deepest level:
// those the first scan took, or else a new enumeration, begun after the
// renames of the first, so that a directory renamed under /D is entered under
// its new name. A directory that could not be listed for its matches was
// reported then; its descent finds nothing here.
std::int32_t ReadSubdirectories(WalkState* state) {
  WalkLevel* level = &state->levels[state->levelCount - 1];
  // A level's names sit above its parent's, which stay until it ends.
  assert(state->levelCount == 1 || state->levels[state->levelCount - 2].namesEnd <= state->names.used);
  level->namesStart = state->names.used;
  level->nextName = state->names.used;
  level->namesEnd = state->names.used;
  std::int32_t result = 0;
  if (state->subdirectoriesTaken) {
    state->subdirectoriesTaken = false;
    for (std::size_t offset = 0; offset < state->subdirectories.used && result == 0;) {
      const char16_t* name = state->subdirectories.text + offset;
      offset += TextLength(name) + 1;
      result = PushName(&state->names, name);
    }
  } else {
    HANDLE find = OpenEnumeration(state, level->pathLength);
    if (find == INVALID_HANDLE_VALUE) {
      return 0;
    }
    do {
      if (IsEntered(state->found, *state->options) && PushName(&state->names, FoundName(state->found)) != 0) {
        result = -1;
        break;
      }
    } while (FindNextFileW(find, &state->found));
    FindClose(find);
  }
  if (result != 0) {
    state->names.used = level->namesStart;
    return ReportOutOfMemory(state);
  }
  level->namesEnd = state->names.used;
  return 0;
}

// Adds a level for the directory whose path now stands in state->path.
std::int32_t PushLevel(WalkState* state, std::size_t pathLength) {
  assert(pathLength + 1 < static_cast<std::size_t>(MAX_ARG_LEN));  // room for the "*" of the search path
  if (state->levelCount == state->levelCapacity) {
    const std::size_t capacity = state->levelCapacity == 0 ? 64 : state->levelCapacity * 2;
    void* grown = std::realloc(state->levels, capacity * sizeof(WalkLevel));
    if (grown == nullptr) {
      return -1;
    }
    state->levels = static_cast<WalkLevel*>(grown);
    state->levelCapacity = capacity;
  }
  WalkLevel* level = &state->levels[state->levelCount++];
  *level = WalkLevel{pathLength, state->names.used, state->names.used, state->names.used, {0, 0}, false, 0};
  // Identities matter only for the loop test of deeper levels.
  if ((*state->options & OPT_RECURSE) != 0) {
    level->identityKnown = GetDirectoryIdentity(state, &level->identity) != 0;
  }
  return 0;
}

bool IsOnCurrentPath(const WalkState* state, const FileIdentity& identity) {
  for (std::size_t i = 0; i < state->levelCount; ++i) {
    if (state->levels[i].identityKnown && SameFile(state->levels[i].identity, identity)) {
      return true;
    }
  }
  return false;
}

// Enters the next subdirectory of the deepest level: checks that its path fits
// and that it is not already on the current path, then cleans it and reads its
// own subdirectories. Returns 0, RENAME_QUIT or RENAME_STOPPED; a subdirectory passed over
// sets the parent's result.
std::int32_t EnterNextSubdirectory(WalkState* state) {
  WalkLevel* parent = &state->levels[state->levelCount - 1];
  const std::size_t nameOffset = parent->nextName;
  assert(nameOffset < parent->namesEnd && parent->namesEnd <= state->names.used);
  const std::size_t nameLength = TextLength(state->names.text + nameOffset);
  parent->nextName += nameLength + 1;

  // Room for the name, the separator, and the "*" of the search path.
  const std::size_t pathLength = parent->pathLength + nameLength + 1;
  if (pathLength + 1 >= static_cast<std::size_t>(MAX_ARG_LEN)) {
    // Counted as a failure: part of the tree was not searched.
    ReportPassedOver(PASSED_OVER_TOO_LONG, state->options, state->path, state->names.text + nameOffset);
    parent->result = 2;
    return 0;
  }
  for (std::size_t i = 0; i < nameLength; ++i) {
    state->path[parent->pathLength + i] = state->names.text[nameOffset + i];
  }
  state->path[pathLength - 1] = PATH_SEPARATOR;
  state->path[pathLength] = u'\0';

  FileIdentity identity{0, 0};
  if (GetDirectoryIdentity(state, &identity) != 0 && IsOnCurrentPath(state, identity)) {
    // A link back to a directory being walked: entering it would repeat that
    // directory's walk without end.
    // Not a failure: the directory is being walked already.
    ReportPassedOver(PASSED_OVER_LINK_LOOP, state->options, state->path, u"");
    state->path[parent->pathLength] = u'\0';
    return 0;
  }

  if (PushLevel(state, pathLength) != 0) {
    parent->result = ReportOutOfMemory(state);
    state->path[parent->pathLength] = u'\0';
    return 0;
  }
  const std::int32_t cleaned = CleanDirectory(state, pathLength);
  if (cleaned == RENAME_QUIT || cleaned == RENAME_STOPPED) {
    return cleaned;
  }
  state->levels[state->levelCount - 1].result = cleaned;
  const std::int32_t read = ReadSubdirectories(state);
  if (read != 0) {
    state->levels[state->levelCount - 1].result = read;
  }
  return 0;
}

// Ends the deepest level: drops its names, passes its result to its parent.
// Returns the result of the level that ended.
std::int32_t PopLevel(WalkState* state) {
  const WalkLevel ended = state->levels[--state->levelCount];
  assert(ended.namesStart <= ended.namesEnd && ended.namesEnd <= state->names.used);
  state->names.used = ended.namesStart;
  if (state->levelCount > 0) {
    WalkLevel* parent = &state->levels[state->levelCount - 1];
    state->path[parent->pathLength] = u'\0';
    if (ended.result != 0) {
      parent->result = 2;
    }
  }
  return ended.result;
}

// The walk from the directory in state->path down. Returns 0, 2, RENAME_QUIT
// or RENAME_STOPPED.
std::int32_t Walk(WalkState* state, std::size_t pathLength) {
  if (PushLevel(state, pathLength) != 0) {
    return ReportOutOfMemory(state);
  }
  const std::int32_t cleaned = CleanDirectory(state, pathLength);
  if (cleaned == RENAME_QUIT || cleaned == RENAME_STOPPED || (*state->options & OPT_RECURSE) == 0) {
    return cleaned;
  }
  state->levels[0].result = cleaned;
  const std::int32_t read = ReadSubdirectories(state);
  if (read != 0) {
    state->levels[0].result = read;
  }
  for (;;) {
    const WalkLevel* level = &state->levels[state->levelCount - 1];
    if (level->nextName < level->namesEnd) {
      const std::int32_t entered = EnterNextSubdirectory(state);
      if (entered == RENAME_QUIT || entered == RENAME_STOPPED) {
        return entered;
      }
    } else {
      const std::int32_t ended = PopLevel(state);
      if (state->levelCount == 0) {
        return ended;
      }
    }
  }
}

}  // namespace walking

using namespace walking;

std::int32_t WalkDirectory(const char16_t* directory, const char16_t* pattern, OptionFlags* options,
                           const char16_t* qList, const char16_t* rList, RenameTally* tally) {
  if (directory == nullptr || directory[0] == u'\0' || pattern == nullptr || pattern[0] == u'\0') {
    return -1;
  }
  // The directory the file system layer keeps open for the calls on the
  // entries of the directory being worked in is the walk's, and goes with it.
  const KeptDirectoryScope keptDirectory;
  // A walk is a command of its own unless its caller holds a wider scope.
  const PreviewScope previewScope;
  WalkState* state = new (std::nothrow) WalkState;
  if (state == nullptr) {
    ReportPassedOver(PASSED_OVER_NO_MEMORY, options, directory, u"");
    return 2;
  }
  state->names = NameArena{nullptr, 0, 0};
  state->subdirectories = NameArena{nullptr, 0, 0};
  state->subdirectoriesTaken = false;
  state->matches = MatchArena{nullptr, 0, 0};
  state->unchangedAtEnd = 0;
  state->order = nullptr;
  state->orderCapacity = 0;
  state->twins = TwinNames{nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0};
  state->twinMembers = MatchArena{nullptr, 0, 0};
  state->ignoresCase = false;
  state->identityKnown = false;
  state->previewDirectory = NO_PREVIEW_DIRECTORY;
  state->levels = nullptr;
  state->levelCount = 0;
  state->levelCapacity = 0;
  state->pattern = pattern;
  state->options = options;
  state->qList = qList;
  state->rList = rList;
  state->tally = tally;

  std::int32_t result = 0;
  std::size_t pathLength = 0;
  // Room is needed for the "*" of the search path as well.
  if (AppendText(state->path, &pathLength, directory) != 0 || pathLength + 1 >= static_cast<std::size_t>(MAX_ARG_LEN)) {
    ReportPassedOver(PASSED_OVER_TOO_LONG, options, directory, u"");
    result = 2;
  } else {
    result = Walk(state, pathLength);
  }
  std::free(state->names.text);
  std::free(state->matches.bytes);
  std::free(state->order);
  ReleaseTwinNames(&state->twins);
  std::free(state->twinMembers.bytes);
  std::free(state->subdirectories.text);
  std::free(state->levels);
  delete state;
  return result;
}

PreviewScope::PreviewScope() { ++previewScopes; }

PreviewScope::~PreviewScope() {
  if (--previewScopes == 0) {
    DestroyPreviewNames(commandPreview);
    commandPreview = nullptr;
    laterWalksFollow = true;
  }
}

void PreviewScope::SetLaterWalksFollow(bool follow) { laterWalksFollow = follow; }
