// Under /W: the order of a directory's matches, the twin groups of its
// entries (see the walk's notes in walker/walker.cpp), and the count of the
// entries with nothing to do that a walk ended early has reached.
#include <algorithm>
#include <cstring>

#include "cleaner/packed_text.h"
#include "cleaner/twin_names.h"
#include "cleaner/windows_names.h"
#include "platform/utf16_text.h"
#include "walker/walk_state.h"

namespace walking {

namespace {

// Flags of an entry of a twin group (see ResolveTwins).
constexpr unsigned char MEMBER_SELECTED = 1;  // this walk selects it
constexpr unsigned char MEMBER_TIDY = 2;      // it has nothing else to change

// Appends an entry of a twin group: one byte of MEMBER_ flags, then its twin
// key, its name and its short name, each packed with its terminator.
std::int32_t PushMember(MatchArena* arena, unsigned char flags, const char16_t* key, const char16_t* name,
                        const char16_t* shortName) {
  const std::size_t most = 1 + 3 * (TextLength(key) + TextLength(name) + TextLength(shortName)) + 3;
  void* block = arena->bytes;
  if (Reserve(&block, &arena->capacity, arena->used + most, 1) != 0) {
    return -1;
  }
  arena->bytes = static_cast<unsigned char*>(block);
  unsigned char* record = arena->bytes + arena->used;
  record[0] = flags;
  std::size_t length = 1;
  length += PackText(key, record + length);
  length += PackText(name, record + length);
  length += PackText(shortName, record + length);
  arena->used += length;
  return 0;
}

const unsigned char* MemberKey(const unsigned char* member) { return member + 1; }

const unsigned char* MemberName(const unsigned char* member) {
  const unsigned char* key = MemberKey(member);
  return key + std::strlen(reinterpret_cast<const char*>(key)) + 1;
}

}  // namespace

// Makes room for count offsets in state->order. Returns 0, or -1 when memory ran out.
std::int32_t ReserveOrder(WalkState* state, std::size_t count) {
  void* block = state->order;
  if (Reserve(&block, &state->orderCapacity, count, sizeof(std::size_t)) != 0) {
    return -1;
  }
  state->order = static_cast<std::size_t*>(block);
  return 0;
}

// Under /W, when the first reading found two entries whose twin keys share a
// fingerprint: reads the directory again for the entries of such keys, and
// sorts them by key, then name. In each group of twins (equal keys) an entry
// this walk does not select keeps its name, or else the first selected tidy
// one does; every other selected tidy one becomes a match that must leave
// its name (it was counted with the matches that need nothing, and is taken
// off that count). Untidy twins are matches already. Returns 0, or -1 when
// memory ran out.
std::int32_t ResolveTwins(WalkState* state, std::size_t pathLength) {
  MatchArena* members = &state->twinMembers;
  members->used = 0;
  HANDLE find = OpenEnumeration(state, pathLength);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;  // gone since it was read: nothing is left to resolve
  }
  std::size_t count = 0;
  std::int32_t result = 0;
  do {
    const char16_t* name = CarriedName(state);
    if (IsDotName(name) || CountTwinNames(state->twins, TwinFingerprintOfName(name)) < 2) {
      continue;
    }
    char16_t* key = state->name;  // free while the directory is read
    TwinKey(name, TextLength(name), key);
    unsigned char flags = 0;
    if (IsSelected(state, name)) {
      flags = MEMBER_SELECTED | (NeedsNothing(state, name) ? MEMBER_TIDY : 0);
    }
    if (ReserveOrder(state, count + 1) != 0) {
      result = -1;
      break;
    }
    state->order[count] = members->used;
    if (PushMember(members, flags, key, name, FoundShortName(state->found)) != 0) {
      result = -1;
      break;
    }
    ++count;
  } while (FindNextFileW(find, &state->found));
  FindClose(find);
  if (result != 0) {
    return -1;
  }
  const unsigned char* bytes = members->bytes;
  std::sort(state->order, state->order + count, [bytes](std::size_t left, std::size_t right) {
    const int keys = std::strcmp(reinterpret_cast<const char*>(MemberKey(bytes + left)),
                                 reinterpret_cast<const char*>(MemberKey(bytes + right)));
    return keys != 0 ? keys < 0 : PackedNameBefore(MemberName(bytes + left), MemberName(bytes + right));
  });
  for (std::size_t first = 0; first < count;) {
    const unsigned char* groupKey = MemberKey(bytes + state->order[first]);
    std::size_t end = first;
    const unsigned char* keeper = nullptr;  // an entry of the group that keeps its name
    for (; end < count && std::strcmp(reinterpret_cast<const char*>(MemberKey(bytes + state->order[end])),
                                      reinterpret_cast<const char*>(groupKey)) == 0;
         ++end) {
      if (keeper == nullptr && (bytes[state->order[end]] & MEMBER_SELECTED) == 0) {
        keeper = bytes + state->order[end];
      }
    }
    for (std::size_t i = first; i < end; ++i) {
      const unsigned char* member = bytes + state->order[i];
      if (member[0] != (MEMBER_SELECTED | MEMBER_TIDY)) {
        continue;
      }
      if (keeper == nullptr) {
        keeper = member;
        continue;
      }
      const unsigned char* name = MemberName(member);
      UnpackText(name + UnpackText(name, state->name), state->shortName);
      UnpackText(MemberName(keeper), state->keptTwin);
      if (PushMatch(&state->matches, 0, MATCH_LEAVES_ITS_NAME, state->name, state->shortName, state->keptTwin) !=
          0) {
        return -1;
      }
      if (state->unchangedAtEnd > 0) {
        --state->unchangedAtEnd;
      }
    }
    first = end;
  }
  return 0;
}

// Under /W: the offsets of the match records in state->order, sorted by name.
// Returns 0, or -1 when memory ran out.
std::int32_t OrderMatches(WalkState* state, std::size_t* count) {
  *count = 0;
  for (std::size_t offset = 0; offset < state->matches.used;) {
    if (ReserveOrder(state, *count + 1) != 0) {
      return -1;
    }
    state->order[(*count)++] = offset;
    offset = NextMatch(state->matches, offset);
  }
  const unsigned char* bytes = state->matches.bytes;
  std::sort(state->order, state->order + *count, [bytes](std::size_t left, std::size_t right) {
    return PackedNameBefore(bytes + left + NAME_OFFSET, bytes + right + NAME_OFFSET);
  });
  return 0;
}

// Under /W, when the walk of the directory in state->path ended early (Quit,
// or a stop) after the match record at boundary (an offset in
// state->matches): the number of selected entries with nothing to do whose
// names come before it, in the order the matches were handled in. They were
// counted only as a number when the directory was read, so it is read again:
// what was renamed or looked at since (the new names given, the match
// records themselves) is left out.
std::uint32_t CountTidyBefore(WalkState* state, std::size_t pathLength, std::size_t boundary,
                              std::size_t orderCount) {
  HANDLE find = OpenEnumeration(state, pathLength);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;
  }
  const unsigned char* bytes = state->matches.bytes;
  const unsigned char* last = bytes + boundary + NAME_OFFSET;
  unsigned char packed[3 * MAX_ARG_LEN];
  std::uint32_t count = 0;
  do {
    const char16_t* name = CarriedName(state);
    if (!IsSelected(state, name) || !NeedsNothing(state, name)) {
      continue;
    }
    PackText(name, packed);
    if (!PackedNameBefore(packed, last) || IsGivenName(state->twins, TwinFingerprintOfName(name))) {
      continue;
    }
    // The records are in the order of their names.
    const std::size_t* first = std::lower_bound(
        state->order, state->order + orderCount, packed,
        [bytes](std::size_t record, const unsigned char* sought) {
          return PackedNameBefore(bytes + record + NAME_OFFSET, sought);
        });
    const bool isRecord = first != state->order + orderCount && !PackedNameBefore(packed, bytes + *first + NAME_OFFSET);
    count += isRecord ? 0 : 1;
  } while (FindNextFileW(find, &state->found));
  FindClose(find);
  return count;
}

}  // namespace walking
