#include "fuzz/fuzz_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cleaner/translation.h"
#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace fuzz_tree {

namespace {

constexpr std::size_t MOST_ENTRIES = 12;
constexpr std::size_t NAME_MAX_BYTES = 255;

// The directory every input's tree is built in, made once per process (in
// $TMPDIR, else /tmp) and removed at its exit. A plain array, so that it
// outlives every exit handler.
char workDirectory[4096];

std::string ReadContent(int directoryFd, const char* name) {
  const int fd = openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  std::string content;
  if (fd < 0) {
    return content;
  }
  char buffer[512];
  ssize_t count = 0;
  while ((count = read(fd, buffer, sizeof buffer)) > 0) {
    content.append(buffer, static_cast<std::size_t>(count));
  }
  close(fd);
  return content;
}

void ReadTree(const std::string& path, ino_t parent, TreeState* state) {
  DIR* directory = opendir(path.c_str());
  Require(directory != nullptr, "every directory of the tree can be opened");
  while (const dirent* entry = readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
      continue;
    }
    struct stat status;
    Require(fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0, "entries can be read");
    const bool isDirectory = S_ISDIR(status.st_mode);
    Require(state->count(status.st_ino) == 0, "every entry appears once");
    (*state)[status.st_ino] = EntryState{parent, entry->d_name, isDirectory,
                                         isDirectory ? std::string() : ReadContent(dirfd(directory), entry->d_name)};
    if (isDirectory) {
      ReadTree(path + "/" + entry->d_name, status.st_ino, state);
    }
  }
  closedir(directory);
}

// The code units that carry a byte of a name that is no UTF-8.
bool HoldsEscapedBytes(const std::u16string& name) {
  for (const char16_t ch : name) {
    if (ch >= 0xDC80 && ch <= 0xDCFF) {
      return true;
    }
  }
  return false;
}

bool IsForbiddenInWindowsNames(char16_t ch) {
  return (ch >= 0x01 && ch <= 0x1F) || ch == u'<' || ch == u'>' || ch == u':' || ch == u'"' || ch == u'/' ||
         ch == u'\\' || ch == u'|' || ch == u'?' || ch == u'*';
}

// A name of raw bytes: anything but '/' and NUL, which no file name holds;
// with its top bit set the kind byte asks for a name stretched towards the
// 255-byte limit.
std::string TakeName(FuzzInput* input, std::uint8_t kind) {
  std::string piece;
  const std::size_t length = TakeByte(input) % 48;
  for (std::size_t i = 0; i < length && InputLeft(input); ++i) {
    const char byte = static_cast<char>(TakeByte(input));
    piece.push_back(byte == '/' || byte == '\0' ? '_' : byte);
  }
  std::string name = piece;
  if ((kind & 0x80) != 0 && !piece.empty()) {
    const std::size_t target = NAME_MAX_BYTES - (kind & 0x3F);
    while (name.size() + piece.size() <= target) {
      name += piece;
    }
  }
  return name;
}

}  // namespace

const char* WorkDirectory() {
  static const bool made = [] {
    const char* temporary = std::getenv("TMPDIR");
    std::snprintf(workDirectory, sizeof workDirectory, "%s/purifile-fuzz-XXXXXX",
                  temporary != nullptr && temporary[0] != '\0' ? temporary : "/tmp");
    if (mkdtemp(workDirectory) == nullptr) {
      InvariantBroken("cannot make a temporary directory");
    }
    std::atexit([] { std::filesystem::remove_all(workDirectory); });
    return true;
  }();
  return made ? workDirectory : nullptr;
}

std::string FreshRoot() {
  const std::string root = std::string(WorkDirectory()) + "/" + ROOT_NAME + "/";
  std::filesystem::remove_all(root);
  Require(mkdir(root.c_str(), 0755) == 0, "the tree's root can be made");
  return root;
}

ino_t ReadWholeTree(const std::string& root, TreeState* state) {
  struct stat rootStatus;
  Require(stat(root.c_str(), &rootStatus) == 0, "the root is there");
  ReadTree(root, rootStatus.st_ino, state);
  return rootStatus.st_ino;
}

std::u16string Decoded(const std::string& bytes) {
  std::u16string text(bytes.size(), u'\0');
  text.resize(DecodeUtf8(bytes.data(), bytes.size(), text.data(), text.size()));
  return text;
}

void BuildTree(FuzzInput* input, const std::string& root) {
  std::string subdirectory;
  for (std::size_t i = 0; i < MOST_ENTRIES && InputLeft(input); ++i) {
    const std::uint8_t kind = TakeByte(input);
    const std::string name = TakeName(input, kind);
    if (name.empty() || name == "." || name == "..") {
      continue;
    }
    const bool inSubdirectory = (kind & 2) != 0 && !subdirectory.empty();
    const std::string path = root + (inSubdirectory ? subdirectory + "/" : "") + name;
    if ((kind & 1) != 0) {
      if (mkdir(path.c_str(), 0755) == 0 && subdirectory.empty()) {
        subdirectory = name;
      }
      continue;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      // Each file holds its own name, so that swapped contents would show.
      Require(write(fd, name.data(), name.size()) == static_cast<ssize_t>(name.size()), "a file can be written");
      close(fd);
    }
  }
}

bool IsHidden(const std::string& name) { return name[0] == '.'; }

void CheckNothingLost(const TreeState& before, const TreeState& after, OptionFlags options) {
  Require(before.size() == after.size(), "the tree holds as many entries after the walk as before");
  for (const auto& [inode, old] : before) {
    const auto now = after.find(inode);
    Require(now != after.end(), "every entry is still there");
    Require(now->second.parent == old.parent, "no entry moves to another directory");
    Require(now->second.isDirectory == old.isDirectory, "no entry changes its kind");
    Require(now->second.content == old.content, "no file changes its content");
    if (now->second.name == old.name) {
      continue;
    }
    Require((options & OPT_NOT_REALLY) == 0, "/N renames nothing");
    Require(now->second.isDirectory == ((options & OPT_DIRECTORIES) != 0), "only the chosen kind is renamed");
    // Bytes that are no UTF-8 reach the cleaner one by one; once a character
    // between two of them is dropped they may join into a character (C2 and
    // 9D into U+009D) that the cleaner never saw. Such a name is checked for
    // what a file name may not hold, which no join can produce.
    const bool oldNameWasText = !HoldsEscapedBytes(Decoded(old.name));
    for (const char16_t ch : Decoded(now->second.name)) {
      Require(!(oldNameWasText && TranslateChar(ch) != ch), "a new name holds only characters translation leaves alone");
      Require(!IsForbiddenInWindowsNames(ch), "a new name holds nothing a Windows file name may not hold");
    }
  }
}

std::u16string TakeList(FuzzInput* input) {
  std::u16string list;
  const std::size_t length = TakeByte(input) % 8;
  for (std::size_t i = 0; i < length && InputLeft(input); ++i) {
    const char16_t unit = TakeUnit(input);
    if (unit != 0) {
      list.push_back(ToUpperAscii(unit));
    }
  }
  return list;
}

}  // namespace fuzz_tree
