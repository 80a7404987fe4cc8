// Derives the name a directory entry is to carry from its old name.
#pragma once

#include <cstdint>

#include "core/options.h"

#include "platform/file_identity.h"
#include "platform/system_error.h"

struct PreviewNames;  // cleaner/preview_names.h
struct TwinNames;     // cleaner/twin_names.h

// What the builder knows of an entry's directory beyond the file system's
// answer for one name. Null in its place: the file system alone decides.
struct DirectoryNames {
  // In a preview (/N): the names earlier entries of the command would have
  // been given and left; null for none.
  PreviewNames* changes;
  // The directory's number in changes (NO_PREVIEW_DIRECTORY until it has
  // one: RecordNewName gives it one, from its identity).
  std::uint32_t directory;
  FileIdentity identity;
  bool identityKnown;
  // Under /W: every entry's twin key as the walk read the directory, and in
  // a real run the names given there since; else null.
  TwinNames* twins;
  // Without /W, in a preview: the directory finds a name in any letter case,
  // so its names are recorded by UpperCaseKey.
  bool ignoresCase;
  // Under /W: the fingerprint of the twin key of the name BuildNewName
  // handed back last, for RecordNewName; 0 where it was not worked out.
  std::uint64_t newFingerprint;
  // In a preview: a later walk of the command may read the directory again
  // (or this walk, reaching it again through a link), so RecordNewName
  // follows each entry under the name it gives it. The last walk of a
  // command need not, unless it enters links: nothing reads what it would follow.
  bool followsEntries = true;
  // In a preview that shows what the real run would give (the standalone
  // programs', a check's): the failure every rename in the directory would
  // meet, there being no write access to it; {0, 0} for none.
  SystemFailure refusesRenames = {0, 0};
  // Under /W, where the entry in hand has no other change to make but is the
  // twin of an entry that keeps its name, and so must change its own: that
  // twin's name; else null.
  const char16_t* keptTwin = nullptr;
};

// Results of BuildNewName.
constexpr std::int32_t NEW_NAME_READY = 0;         // the new bare name is in the buffer
constexpr std::int32_t NEW_NAME_UNCHANGED = 1;     // nothing to do: equal to the old name but for ASCII case
constexpr std::int32_t NEW_NAME_TOO_LONG = -2;     // directory + candidate would not fit MAX_ARG_LEN
constexpr std::int32_t NEW_NAME_NO_FREE_SUFFIX = -3;  // every counter value is taken
constexpr std::int32_t NEW_NAME_DEVICE = -4;  // under /N:F the name, in the buffer, is a Windows device name
constexpr std::int32_t NEW_NAME_TAKEN = -5;   // under /N:F the name, in the buffer, is taken (see MakeNameUnique)

// Building a new name has three steps, each its own call, so that a caller can
// tell an entry with nothing to do from the cleaning alone:
//   CleanName      decoding, the character loop, condensing, trimming and the
//                  default name: a pure function of the old name, the options
//                  and the lists, which asks the file system nothing;
//   NeedsNoChange  whether the cleaned name is the old name (nothing to do);
//   MakeNameUnique the existence probe and the "-NNN" suffix.
// BuildNewName runs all three.

// Writes the cleaned old name into cleaned, a buffer of MAX_ARG_LEN characters,
// and returns its length; or NEW_NAME_TOO_LONG, writing nothing, when the old
// name does not fit such a buffer. qList and rList may be null.
std::int32_t CleanName(const char16_t* oldName, char16_t* cleaned, const OptionFlags& options, const char16_t* qList,
                       const char16_t* rList);

// Nothing to do: the cleaned name equals the old name but for the case of
// ASCII letters; under /W it is not a Windows device name either. (Under /W
// a twin can still have to change: DirectoryNames::keptTwin.)
bool NeedsNoChange(const char16_t* oldName, const char16_t* cleaned, const OptionFlags& options);

// The name for an entry whose cleaned name differs from its old one: the
// cleaned name when it is free or when /N:F wants no suffix, else
// the first free one with a counter suffix. A Windows device name is never
// free; under /N:F it is handed back as NEW_NAME_DEVICE. Under /N:F a name
// taken by what only the walk knows (a twin under /W, or in a preview a name
// an earlier entry was given) is handed back as NEW_NAME_TAKEN, and so is one
// the file system holds, in a preview of OPT_PREVIEW_FAILURES; a real run
// leaves that to the rename, which refuses a taken name. Every candidate is
// first shortened to one name's limit in the directory, where one is set
// (platform/name_limit.h: under /W, and on POSIX always). directory ends in a path
// separator; newName is a buffer of MAX_ARG_LEN characters, written only when
// the result is NEW_NAME_READY.
//
// A candidate is taken when the file system finds it, counting what names
// tells of the names earlier entries were given and left. Under /W it is also
// taken when it is the twin of another entry's name (names->twins), or of a
// name given to an earlier entry; the entry's own old name does not count.
// In a preview under /W the names the walk read (under the names the
// preview gave them: see cleaner/preview_names.h) and the names given since
// decide alone, as in a real run: the disk still holds the names the preview
// has renamed away.
std::int32_t MakeNameUnique(const char16_t* directory, const char16_t* oldName, const char16_t* cleaned,
                            char16_t* newName, const OptionFlags& options, DirectoryNames* names = nullptr);

// All three steps. Arguments as above; the result is any of the NEW_NAME_ codes.
std::int32_t BuildNewName(const char16_t* directory, const char16_t* oldName, char16_t* newName,
                          const OptionFlags& options, const char16_t* qList, const char16_t* rList,
                          DirectoryNames* names = nullptr);

// Tells names that the entry oldName was, or in a preview would have been,
// renamed to newName: under /W the twin given and the name left (free again:
// see cleaner/twin_names.h); in a preview, the
// record of the entry's names and, without /W, the counts by the keys the
// directory compares names by. Returns 0, or -1 when it could not be recorded.
std::int32_t RecordNewName(DirectoryNames* names, const char16_t* oldName, const char16_t* newName,
                           const OptionFlags& options);

// Whether the entry that carries name in the walk has another on the disk:
// in a preview, the name it had before an earlier walk of the command would
// have renamed it, which is then written into onDisk (MAX_ARG_LEN units).
bool NameOnDisk(const DirectoryNames* names, const char16_t* name, char16_t* onDisk);
