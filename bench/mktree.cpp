// Deterministic benchmark trees: the name generator and the tree makers.
#include "bench/mktree.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Words and extensions of the names; plain ASCII letters, so that the tidy names
// built from them need no cleaning by any tool.
const char* const kWords[] = {"report",  "photo",  "invoice", "Summer",  "notes",  "draft",   "budget",
                              "holiday", "scan",   "letter",  "Meeting", "minutes", "song",   "video",
                              "backup",  "thesis", "chapter", "recipe",  "ticket", "receipt"};
const char* const kExtensions[] = {"txt", "pdf", "jpg", "png", "docx", "mp3", "csv", "log"};

// Name templates: every one takes, in this order, a word, a word, the name's
// six-digit serial number and an extension. The serial keeps the names of a
// directory distinct. Each untidy template holds at least one character that the
// default cleaning always replaces (a %XX pair, a Windows-illegal character, a
// double quote or grave accent, a C1 control) or a trailing dot or space.
struct NameTemplates {
  const char* label;
  const char* forms[2];  // the second may be null
};

const NameTemplates kTemplates[TREE_NAME_KIND_COUNT] = {
    {"tidy", {"%s_%.0s%06u.%s", "%s_%s_%06u.%s"}},
    {"percent pairs", {"%s%%20%s%%20%06u.%s", "%s%%28%s%%29_%06u.%s"}},
    {"blanks", {"%s  %s %06u%%21.%s", "%s %s   %06u|.%s"}},
    {"ampersand", {"%s & %s %06u|.%s", "%s&%s%%26%06u.%s"}},
    {"parentheses", {"%s (%s) %06u?.%s", "(%s) %s (%06u)%%20.%s"}},
    {"quotes", {"\"%s\" %s's `%06u`.%s", "%s's \"%s\" %06u.%s"}},
    {"windows illegal", {"%s<%s>%06u:.%s", "%s\\%s|%06u*?.%s"}},
    {"C1 controls", {"%s\xC2\x96%s\xC2\x92%06u.%s", "%s\xC2\x85%s\xC2\x81%06u.%s"}},
    {"emoji", {"%s \xF0\x9F\x98\x80 %s %06u%%2C.%s", "\xF0\x9F\x93\xB7%s_%s:%06u.%s"}},
    {"underscore runs", {"%s___%s____%06u*.%s", "__%s__%s%%5F%06u.%s"}},
    {"trailing dots", {"%s %s %06u.%s. .", "%s_%s_%06u.%s..."}},
    {"trailing spaces", {"%s.%s.%06u.%s   ", "%s %s %06u.%s "}},
    {"colliding", {nullptr, nullptr}},  // made from the latest tidy name instead
};

// The characters that stand in for the underscore of a tidy name in a colliding
// name; the default cleaning turns each of them back into an underscore, so every
// such name cleans to the tidy name and needs a numeric suffix.
const char kCollisionMarkers[] = {'?', '*', ':', '|', '<', '>', '\\'};

constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ull;

// splitmix64: small, fast, and the same sequence on every platform.
std::uint64_t NextRandom(std::uint64_t* state) {
  *state += kGoldenGamma;
  std::uint64_t z = *state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint32_t RandomBelow(std::uint64_t* state, std::uint32_t bound) {
  return static_cast<std::uint32_t>(NextRandom(state) % bound);
}

template <typename T, std::size_t N>
constexpr std::uint32_t CountOf(const T (&)[N]) {
  return static_cast<std::uint32_t>(N);
}

// Fills name from a template of kind. Returns 0, or -1 when the name would not fit.
std::int32_t FormatTemplatedName(TreeNameStream* stream, std::int32_t kind, char* name, std::size_t capacity) {
  const NameTemplates& templates = kTemplates[kind];
  const std::uint32_t formCount = templates.forms[1] != nullptr ? 2 : 1;
  const char* form = templates.forms[RandomBelow(&stream->random, formCount)];
  const char* first = kWords[RandomBelow(&stream->random, CountOf(kWords))];
  const char* second = kWords[RandomBelow(&stream->random, CountOf(kWords))];
  const char* extension = kExtensions[RandomBelow(&stream->random, CountOf(kExtensions))];
  // A form that wants one word only prints the second with precision 0 ("%.0s"),
  // so every form takes the same arguments.
  const int length = std::snprintf(name, capacity, form, first, second, stream->index, extension);
  return length > 0 && static_cast<std::size_t>(length) < capacity ? 0 : -1;
}

// A colliding name: the latest tidy name with its first underscore replaced by a
// marker not used on that name before. Returns 0, or 1 when there is no tidy name
// left to copy (none yet, or all markers used).
std::int32_t FormatCollidingName(TreeNameStream* stream, char* name, std::size_t capacity) {
  if (stream->lastTidy[0] == '\0' || stream->lastTidyTwins >= sizeof kCollisionMarkers) {
    return 1;
  }
  const std::size_t length = std::strlen(stream->lastTidy);
  if (length >= capacity) {
    return 1;
  }
  std::memcpy(name, stream->lastTidy, length + 1);
  char* underscore = std::strchr(name, '_');
  if (underscore == nullptr) {
    return 1;
  }
  *underscore = kCollisionMarkers[stream->lastTidyTwins++];
  return 0;
}

// Writes the message of the failed system call and returns its errno.
std::int32_t ReportFailure(const char* what, const char* path) {
  const int error = errno != 0 ? errno : EIO;
  std::fprintf(stderr, "mktree: %s %s: %s\n", what, path, std::strerror(error));
  return error;
}

// Creates filesPerDirectory empty files in the open directory directoryFd, with
// the names of stream directoryIndex. path is for messages only.
std::int32_t FillDirectory(int directoryFd, const char* path, std::uint64_t variant, std::uint32_t directoryIndex,
                           std::uint32_t untidyPercent, std::uint32_t filesPerDirectory, TreeCounts* counts) {
  TreeNameStream stream;
  if (StartNameStream(&stream, variant, directoryIndex, untidyPercent) != 0) {
    return -1;
  }
  char name[TREE_NAME_CAPACITY];
  for (std::uint32_t file = 0; file < filesPerDirectory; ++file) {
    const std::int32_t kind = NextTreeName(&stream, name, sizeof name);
    if (kind < 0) {
      return -1;
    }
    const int fd = openat(directoryFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      return ReportFailure("cannot create a file in", path);
    }
    close(fd);
    counts->files++;
    counts->byKind[kind]++;
  }
  return 0;
}

// Makes directory name below parentFd (AT_FDCWD for the root) and returns it open,
// or the negated errno (after a message).
int MakeDirectory(int parentFd, const char* name) {
  if (mkdirat(parentFd, name, 0755) != 0) {
    return -ReportFailure("cannot make directory", name);
  }
  const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return -ReportFailure("cannot open directory", name);
  }
  return fd;
}

}  // namespace

const char* TreeNameKindLabel(std::int32_t kind) {
  return kind >= 0 && kind < TREE_NAME_KIND_COUNT ? kTemplates[kind].label : "unknown";
}

std::int32_t StartNameStream(TreeNameStream* stream, std::uint64_t variant, std::uint32_t directoryIndex,
                             std::uint32_t untidyPercent) {
  if (stream == nullptr || untidyPercent > 100) {
    return -1;
  }
  stream->random = variant ^ (kGoldenGamma * (static_cast<std::uint64_t>(directoryIndex) + 1));
  NextRandom(&stream->random);
  stream->untidyPercent = untidyPercent;
  stream->index = 0;
  stream->lastTidy[0] = '\0';
  stream->lastTidyTwins = 0;
  return 0;
}

std::int32_t NextTreeName(TreeNameStream* stream, char* name, std::size_t capacity) {
  if (stream == nullptr || name == nullptr || capacity < TREE_NAME_CAPACITY) {
    return -1;
  }
  // Untidy exactly when the running quota index * percent / 100 steps up: any 100
  // consecutive names then hold exactly untidyPercent untidy ones, spread evenly.
  const std::uint64_t index = stream->index;
  const bool untidy = (index + 1) * stream->untidyPercent / 100 > index * stream->untidyPercent / 100;
  std::int32_t kind = NAME_TIDY;
  if (untidy) {
    kind = static_cast<std::int32_t>(1 + RandomBelow(&stream->random, TREE_NAME_KIND_COUNT - 1));
    if (kind == NAME_COLLIDING && FormatCollidingName(stream, name, capacity) != 0) {
      kind = NAME_WINDOWS_ILLEGAL;
    }
  }
  if (kind != NAME_COLLIDING && FormatTemplatedName(stream, kind, name, capacity) != 0) {
    return -1;
  }
  if (kind == NAME_TIDY) {
    std::memcpy(stream->lastTidy, name, std::strlen(name) + 1);
    stream->lastTidyTwins = 0;
  }
  stream->index++;
  return kind;
}

std::int32_t MakeWideTree(const char* target, std::uint64_t variant, std::uint32_t untidyPercent,
                          std::uint32_t directoryCount, std::uint32_t filesPerDirectory, TreeCounts* counts) {
  TreeCounts ignored;
  TreeCounts* tally = counts != nullptr ? counts : &ignored;
  *tally = TreeCounts{};
  if (target == nullptr || untidyPercent > 100 || directoryCount > 10000) {
    return -1;
  }
  const int rootFd = MakeDirectory(AT_FDCWD, target);
  if (rootFd < 0) {
    return -rootFd;
  }
  std::int32_t result = 0;
  for (std::uint32_t directory = 0; directory < directoryCount && result == 0; ++directory) {
    char name[16];
    std::snprintf(name, sizeof name, "d%04u", directory);
    const int fd = MakeDirectory(rootFd, name);
    if (fd < 0) {
      result = -fd;
      break;
    }
    tally->directories++;
    result = FillDirectory(fd, name, variant, directory, untidyPercent, filesPerDirectory, tally);
    close(fd);
  }
  close(rootFd);
  return result;
}

std::int32_t MakeDeepTree(const char* target, std::uint64_t variant, std::uint32_t untidyPercent, std::uint32_t depth,
                          std::uint32_t filesPerDirectory, TreeCounts* counts) {
  TreeCounts ignored;
  TreeCounts* tally = counts != nullptr ? counts : &ignored;
  *tally = TreeCounts{};
  if (target == nullptr || untidyPercent > 100 || depth > 999) {
    return -1;
  }
  int parentFd = MakeDirectory(AT_FDCWD, target);
  if (parentFd < 0) {
    return -parentFd;
  }
  std::int32_t result = 0;
  for (std::uint32_t level = 1; level <= depth && result == 0; ++level) {
    char name[16];
    std::snprintf(name, sizeof name, "c%03u", level);
    const int fd = MakeDirectory(parentFd, name);
    close(parentFd);
    parentFd = fd;
    if (fd < 0) {
      result = -fd;
      break;
    }
    tally->directories++;
    result = FillDirectory(fd, name, variant, level, untidyPercent, filesPerDirectory, tally);
  }
  if (parentFd >= 0) {
    close(parentFd);
  }
  return result;
}
