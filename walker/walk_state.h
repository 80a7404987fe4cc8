// What the files of the walk share (walker.cpp, match_arenas.cpp,
// twin_groups.cpp): the state of one walk, its arenas, and the routines more
// than one of them calls. Not for use outside walker/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cleaner/twin_names.h"
#include "core/options.h"
#include "core/shared_types.h"
#include "platform/file_identity.h"
#include "platform/win32.h"

namespace walking {

// Subdirectory names read from enumerations and not yet entered: each name
// followed by its terminator. The levels of the walk use it as a stack: a
// level's names sit above its parent's and are dropped when the level ends.
struct NameArena {
  char16_t* text;
  std::size_t used;
  std::size_t capacity;
};

// The matches of the directory being cleaned that have something to do, in
// enumeration order. Each is a record of bytes: the number of matches with
// nothing to do read just before it (four bytes, least significant first),
// one byte of MATCH_ flags, then its long and its short name, each packed
// (cleaner/packed_text.h) with its terminator. Packed, a name takes about
// half its UTF-16 size.
struct MatchArena {
  unsigned char* bytes;
  std::size_t used;
  std::size_t capacity;
};

constexpr std::size_t ARENA_FIRST_BYTES = 32768;
constexpr std::size_t COUNT_BYTES = 4;
constexpr std::size_t NAME_OFFSET = COUNT_BYTES + 1;  // the long name's, in a match record

// Flags of a match record.
constexpr unsigned char MATCH_PLAIN = 0;
constexpr unsigned char MATCH_LEAVES_ITS_NAME = 1;  // a tidy twin that must change its name (under /W)


// One directory on the current path, from the top of the walk down.
struct WalkLevel {
  std::size_t pathLength;  // of this directory's path in WalkState::path, its separator included
  std::size_t namesStart;  // arena offset of this level's subdirectory names
  std::size_t nextName;    // arena offset of the next subdirectory to enter
  std::size_t namesEnd;    // arena offset just past this level's names
  FileIdentity identity;
  bool identityKnown;
  std::int32_t result;     // 0, or 2 once something failed here or below
};

struct WalkState {
  // The path of the deepest level; the search path is formed by putting "*"
  // after it for the length of one FindFirstFileW call.
  char16_t path[MAX_ARG_LEN];
  // The long-path form of path, or of the search path, where the file system
  // is handed that (see SearchedPath).
  char16_t fileSystemPath[MAX_ARG_LEN];
  WIN32_FIND_DATAW found;
  NameArena names;
  WalkLevel* levels;
  std::size_t levelCount;
  std::size_t levelCapacity;
  const char16_t* pattern;
  OptionFlags* options;
  const char16_t* qList;
  const char16_t* rList;
  RenameTally* tally;
  // The subdirectories the first scan of the deepest directory found, for the
  // descent (see ReadMatches); taken is false when that scan did not read them.
  NameArena subdirectories;
  bool subdirectoriesTaken;
  // The matches of the deepest directory with something to do, and the number
  // of those after the last of them with nothing to do (see ReadMatches).
  MatchArena matches;
  std::uint32_t unchangedAtEnd;
  // The offsets of the records of matches, in the order they are handled
  // (under /W sorted by name; see OrderMatches), and their number.
  std::size_t* order;
  std::size_t orderCapacity;
  // Under /W: the twin keys of every entry of the deepest directory, and the
  // entries of its twin groups while they are sorted out (see ResolveTwins).
  TwinNames twins;
  MatchArena twinMembers;
  // In a preview without /W: whether the deepest directory finds a name in
  // any letter case (see CaseProbe).
  bool ignoresCase;
  // In a preview: the deepest directory's identity and its number in the
  // command's record (see NamesOfDirectory), and the name the preview gave
  // the entry in hand, when an earlier walk renamed it (see CarriedName).
  FileIdentity identity;
  bool identityKnown;
  std::uint32_t previewDirectory;
  char16_t carried[MAX_ARG_LEN];
  // The match in hand: its cleaned name while it is read, its names while it is handled.
  char16_t cleaned[MAX_ARG_LEN];
  char16_t name[MAX_ARG_LEN];
  char16_t shortName[MAX_ARG_LEN];
  // Under /W, of a match that must leave its name: the twin that keeps it.
  char16_t keptTwin[MAX_ARG_LEN];
};

// ---- The arenas (match_arenas.cpp). ----

// Makes room in *block, of *capacity elements of elementSize bytes each, for
// needed elements. Returns 0, or -1 when memory ran out (the block is then as
// it was).
std::int32_t Reserve(void** block, std::size_t* capacity, std::size_t needed, std::size_t elementSize);

// Appends name and its terminator. Returns 0, or -1 when memory ran out.
std::int32_t PushName(NameArena* arena, const char16_t* name);

// Appends the record of one match: the count, the flags, its name, its short
// name and, for a match that leaves its name (MATCH_LEAVES_ITS_NAME), the
// twin that keeps it. Returns 0, or -1 when memory ran out.
std::int32_t PushMatch(MatchArena* arena, std::uint32_t unchangedBefore, unsigned char flags, const char16_t* name,
                       const char16_t* shortName, const char16_t* keptTwin = nullptr);

// Reads the record at offset into the count, the flags and the three name
// buffers (each of MAX_ARG_LEN code units; keptTwin empty where the record
// holds none). Returns the offset past it.
std::size_t TakeMatch(const MatchArena& arena, std::size_t offset, std::uint32_t* unchangedBefore,
                      unsigned char* flags, char16_t* name, char16_t* shortName, char16_t* keptTwin);

// The offset past the record at offset.
std::size_t NextMatch(const MatchArena& arena, std::size_t offset);

// Whether the packed names at left and right are in the order of their code
// units (packing keeps that order, and a terminator sorts first).
bool PackedNameBefore(const unsigned char* left, const unsigned char* right);

// ---- Twins and order under /W (twin_groups.cpp). ----

// Makes room for count offsets in state->order. Returns 0, or -1 when memory ran out.
std::int32_t ReserveOrder(WalkState* state, std::size_t count);

// Under /W, when the first reading found two entries whose twin keys share a
// fingerprint: sorts out the twin groups (see twin_groups.cpp). Returns 0, or
// -1 when memory ran out.
std::int32_t ResolveTwins(WalkState* state, std::size_t pathLength);

// Under /W: the offsets of the match records in state->order, sorted by name.
// Returns 0, or -1 when memory ran out.
std::int32_t OrderMatches(WalkState* state, std::size_t* count);

// Under /W, after a walk of the directory ended early at the record at
// boundary: the selected entries with nothing to do that come before it.
std::uint32_t CountTidyBefore(WalkState* state, std::size_t pathLength, std::size_t boundary,
                              std::size_t orderCount);

// ---- The walk's own (walker.cpp), which the twins read with. ----

bool IsDotName(const char16_t* name);

// Opens an enumeration of every entry of the directory in state->path.
HANDLE OpenEnumeration(WalkState* state, std::size_t pathLength);

// The name the entry in state->found carries (see CarriedName in walker.cpp).
const char16_t* CarriedName(WalkState* state);

// Whether the entry in state->found, by the name it carries, is one this walk selects.
bool IsSelected(const WalkState* state, const char16_t* name);

// Whether the match has nothing to do.
bool NeedsNothing(WalkState* state, const char16_t* name);

}  // namespace walking
