// The floor of the tree benchmark: transform, walk, probe and rename with
// descriptor-relative system calls only.
#include "bench/floor.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What each byte becomes; 0 for the two bytes the walk handles apart (the UTF-8
// lead byte 0xC2 and NUL, which never occurs inside a name).
constexpr std::array<char, 256> MakeByteTable() {
  std::array<char, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[byte] = static_cast<char>(byte);
  }
  for (int byte = 1; byte < 0x20; ++byte) {
    table[byte] = '_';
  }
  for (const char replaced : {'%', '*', '/', ':', '<', '>', '?', '\\', '^', '|'}) {
    table[static_cast<unsigned char>(replaced)] = '_';
  }
  table['"'] = '\'';
  table['`'] = '\'';
  table[0] = 0;
  table[0xC2] = 0;
  return table;
}

constexpr std::array<char, 256> kByteTable = MakeByteTable();

constexpr std::size_t kPathCapacity = 16384;
constexpr std::size_t kOutputCapacity = 65536;
constexpr std::size_t kReadChunk = 32768;
constexpr std::uint32_t kMostSuffixes = 9999;

struct LineBuffer {
  int fd;
  std::size_t used;
  char bytes[kOutputCapacity];
};

struct WalkState {
  std::uint32_t flags;
  std::int32_t result;
  FloorCounts counts;
  std::size_t pathLength;  // of path, which ends in '/'
  char path[kPathCapacity];
  LineBuffer output;
};

std::int32_t FlushLines(LineBuffer* output) {
  std::size_t written = 0;
  while (written < output->used) {
    const ssize_t count = write(output->fd, output->bytes + written, output->used - written);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      output->used = 0;
      return -1;
    }
    written += static_cast<std::size_t>(count);
  }
  output->used = 0;
  return 0;
}

void AppendText(LineBuffer* output, const char* text, std::size_t length) {
  if (output->used + length > kOutputCapacity) {
    FlushLines(output);
  }
  if (length > kOutputCapacity) {
    return;  // longer than any line the walk makes
  }
  std::memcpy(output->bytes + output->used, text, length);
  output->used += length;
}

// One rename line: the full old path, an arrow, the full new path.
void ShowRename(WalkState* state, const char* name, const char* newName) {
  AppendText(&state->output, state->path, state->pathLength);
  AppendText(&state->output, name, std::strlen(name));
  AppendText(&state->output, " -> ", 4);
  AppendText(&state->output, state->path, state->pathLength);
  AppendText(&state->output, newName, std::strlen(newName));
  AppendText(&state->output, "\n", 1);
}

// tidy with "-NNN" put before its extension (the part from the last full stop).
// Returns 0, or -1 when the result does not fit.
std::int32_t AddSuffix(const char* tidy, std::uint32_t counter, char* candidate, std::size_t capacity) {
  const char* dot = std::strrchr(tidy, '.');
  const int stemLength = static_cast<int>(dot != nullptr ? dot - tidy : std::strlen(tidy));
  const int length =
      std::snprintf(candidate, capacity, "%.*s-%03u%s", stemLength, tidy, counter, dot != nullptr ? dot : "");
  return length > 0 && static_cast<std::size_t>(length) < capacity ? 0 : -1;
}

// The transform, a probe for each candidate name, the rename and its line.
void CleanFile(WalkState* state, int directoryFd, const char* name) {
  char tidy[NAME_MAX + 1];
  const std::int32_t transformed = TidyTreeName(name, tidy, sizeof tidy);
  if (transformed == 0) {
    return;
  }
  state->counts.changed++;
  char candidate[NAME_MAX + 1];
  std::memcpy(candidate, tidy, sizeof candidate);
  for (std::uint32_t counter = 1; transformed > 0 && counter <= kMostSuffixes; ++counter) {
    struct stat status;
    const bool taken = fstatat(directoryFd, candidate, &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (!taken) {
      if (state->flags & FLOOR_DRY_RUN) {
        ShowRename(state, name, candidate);
        return;
      }
      if (renameat2(directoryFd, name, directoryFd, candidate, RENAME_NOREPLACE) == 0) {
        state->counts.renamed++;
        ShowRename(state, name, candidate);
        return;
      }
      if (errno != EEXIST) {
        break;
      }
    }
    if (AddSuffix(tidy, counter, candidate, sizeof candidate) != 0) {
      break;
    }
  }
  state->counts.failed++;
  state->result = 2;
}

// Reads every entry of the open directory fd into entries (raw getdents64
// records, exactly as many bytes as they take: a chain of directories keeps one
// such list per level). Returns 0, or -1.
std::int32_t ReadEntries(int fd, std::vector<char>* entries) {
  alignas(dirent64) static char chunk[kReadChunk];
  entries->clear();
  for (;;) {
    const ssize_t count = getdents64(fd, chunk, sizeof chunk);
    if (count <= 0) {
      return count == 0 ? 0 : -1;
    }
    entries->insert(entries->end(), chunk, chunk + count);
  }
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsDirectoryEntry(int directoryFd, const dirent64* entry) {
  if (entry->d_type != DT_UNKNOWN) {
    return entry->d_type == DT_DIR;
  }
  struct stat status;
  return fstatat(directoryFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

// Walks the open directory fd (whose path is state->path): first every file,
// then every subdirectory. Closes fd.
void WalkOpenDirectory(WalkState* state, int fd) {
  state->counts.directories++;
  std::vector<char> entries;
  if (ReadEntries(fd, &entries) != 0) {
    state->counts.failed++;
    state->result = 2;
    close(fd);
    return;
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t offset = 0; offset < entries.size();) {
      const auto* entry = reinterpret_cast<const dirent64*>(entries.data() + offset);
      offset += entry->d_reclen;
      if (IsDotOrDotDot(entry->d_name) || IsDirectoryEntry(fd, entry) != (pass == 1)) {
        continue;
      }
      if (pass == 0) {
        state->counts.files++;
        CleanFile(state, fd, entry->d_name);
        continue;
      }
      const std::size_t length = std::strlen(entry->d_name);
      const std::size_t parentLength = state->pathLength;
      const int child = openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0 || parentLength + length + 2 > kPathCapacity) {
        if (child >= 0) {
          close(child);
        }
        state->counts.failed++;
        state->result = 2;
        continue;
      }
      std::memcpy(state->path + parentLength, entry->d_name, length);
      state->path[parentLength + length] = '/';
      state->pathLength = parentLength + length + 1;
      WalkOpenDirectory(state, child);
      state->pathLength = parentLength;
    }
  }
  close(fd);
}

}  // namespace

std::int32_t TidyTreeName(const char* name, char* tidy, std::size_t capacity) {
  if (name == nullptr || tidy == nullptr || capacity == 0) {
    return -1;
  }
  std::size_t length = 0;
  for (const char* at = name; *at != '\0'; ++at) {
    const auto byte = static_cast<unsigned char>(*at);
    char replacement = kByteTable[byte];
    if (byte == 0xC2) {
      const auto next = static_cast<unsigned char>(at[1]);
      const bool c1Control = next >= 0x80 && next <= 0x9F;
      replacement = c1Control ? '_' : static_cast<char>(byte);
      at += c1Control ? 1 : 0;
    }
    if (length + 1 >= capacity) {
      return -1;
    }
    tidy[length++] = replacement;
  }
  while (length > 0 && (tidy[length - 1] == ' ' || tidy[length - 1] == '.')) {
    --length;
  }
  if (length == 0) {
    if (capacity < sizeof "File") {
      return -1;
    }
    std::memcpy(tidy, "File", sizeof "File");
    return 1;
  }
  tidy[length] = '\0';
  return std::strcmp(name, tidy) != 0 ? 1 : 0;
}

std::int32_t FloorWalk(const char* root, std::uint32_t flags, int outputFd, FloorCounts* counts) {
  if (root == nullptr || root[0] == '\0') {
    return -1;
  }
  const std::size_t rootLength = std::strlen(root);
  const int fd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootLength + 2 > kPathCapacity || fd < 0) {
    if (fd >= 0) {
      close(fd);
    }
    return 2;
  }
  // About 80 KiB: static, so that the walk's one state is not on the stack.
  static WalkState state;
  state.flags = flags;
  state.result = 0;
  state.counts = FloorCounts{};
  std::memcpy(state.path, root, rootLength);
  state.pathLength = rootLength;
  if (root[rootLength - 1] != '/') {
    state.path[state.pathLength++] = '/';
  }
  state.output.fd = outputFd;
  state.output.used = 0;
  WalkOpenDirectory(&state, fd);
  FlushLines(&state.output);
  if (counts != nullptr) {
    *counts = state.counts;
  }
  return state.result;
}
