// Shared by the fault tests: walks run in a child process (which may drop its
// privileges first, since permissions do not stop root), and an inventory of
// a tree that tells whether any entry was lost, duplicated or changed.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "command/diagnostics.h"
#include "core/options.h"
#include "command/tally.h"
#include "platform/posix/posix_internal.h"
#include "tests/walker/tree_helpers.h"
#include "walker/walker.h"

namespace fault_testing {

// The unprivileged user the tests become where permissions must count.
constexpr uid_t NOBODY = 65534;

struct ChildWalk {
  bool finished = false;
  std::int32_t result = 0;
  RenameTally tally{0, 0, 0, 0};
  std::string out;
  std::string err;
};

// Walks directory with pattern in a child process, standard output and
// standard error caught in files. prepare runs in the child first; it returns
// false when the child cannot be set up, which ends the child unfinished.
inline ChildWalk WalkInChild(const std::u16string& directory, const std::u16string& pattern, OptionFlags options,
                             const std::function<bool()>& prepare = {}) {
  ChildWalk walk;
  char outputs[] = "/tmp/purifile-fault-XXXXXX";
  if (mkdtemp(outputs) == nullptr) {
    return walk;
  }
  const std::string outPath = std::string(outputs) + "/out";
  const std::string errPath = std::string(outputs) + "/err";
  int resultPipe[2];
  if (pipe(resultPipe) != 0) {
    return walk;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(resultPipe[0]);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (prepare && !prepare()) {
      _exit(3);
    }
    ChildWalk result;
    result.result = WalkDirectory(directory.c_str(), pattern.c_str(), &options, nullptr, nullptr, &result.tally);
    FlushStandardOutput();
    const std::int32_t record[5] = {result.result, static_cast<std::int32_t>(result.tally.found),
                                    static_cast<std::int32_t>(result.tally.fixed),
                                    static_cast<std::int32_t>(result.tally.skipped),
                                    static_cast<std::int32_t>(result.tally.failed)};
    _exit(write(resultPipe[1], record, sizeof record) == static_cast<ssize_t>(sizeof record) ? 0 : 1);
  }
  close(resultPipe[1]);
  int status = 0;
  std::int32_t record[5] = {};
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      read(resultPipe[0], record, sizeof record) == static_cast<ssize_t>(sizeof record)) {
    walk.finished = true;
    walk.result = record[0];
    walk.tally = RenameTally{static_cast<std::uint32_t>(record[1]), static_cast<std::uint32_t>(record[2]),
                             static_cast<std::uint32_t>(record[3]), static_cast<std::uint32_t>(record[4])};
  }
  close(resultPipe[0]);
  walk.out = walker_testing::FileContent(outPath);
  walk.err = walker_testing::FileContent(errPath);
  std::filesystem::remove_all(outputs);
  return walk;
}

// In the child: become the unprivileged user, for whom permissions count.
inline bool BecomeNobody() { return setgid(NOBODY) == 0 && setuid(NOBODY) == 0; }

// Every entry below root by inode: the directory holding it, and for a file its
// content. Two inventories are equal when no entry was lost, added, moved to
// another directory or changed, whatever names the entries now carry.
struct Entry {
  ino_t parent;  // the directory holding it
  bool isDirectory;
  std::string content;
};

inline std::map<ino_t, Entry> Inventory(const std::filesystem::path& root) {
  std::map<ino_t, Entry> entries;
  for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator();
       ++it) {
    struct stat status;
    if (lstat(it->path().c_str(), &status) != 0) {
      continue;
    }
    const bool isDirectory = S_ISDIR(status.st_mode);
    // A directory's parent is told by inode, not by name: renaming a directory
    // must not count as moving what is inside it.
    struct stat parentStatus;
    lstat(it->path().parent_path().c_str(), &parentStatus);
    entries[status.st_ino] = Entry{parentStatus.st_ino, isDirectory,
                                   isDirectory ? std::string() : walker_testing::FileContent(it->path())};
  }
  return entries;
}

inline bool operator==(const Entry& left, const Entry& right) {
  return left.parent == right.parent && left.isDirectory == right.isDirectory && left.content == right.content;
}

inline std::string Utf8(const std::u16string& text) {
  std::string bytes(text.size() * 3 + 1, '\0');
  bytes.resize(EncodeUtf8(text.data(), text.size(), bytes.data(), bytes.size()));
  return bytes;
}

// How the rename step reports a failure, for the entry's bare name and the code.
inline std::string FailureReport(const std::string& name, DWORD code) {
  char16_t text[ERROR_TEXT_LEN];
  SystemErrorText(code, text);
  return "Purifile plugin: Error renaming \"" + name + "\":\n    " + Utf8(text) + "\n\n";
}

// What standard error shows for a directory that exists but cannot be listed.
inline std::string ReadFailureReport(const std::string& directory, DWORD code) {
  char16_t text[ERROR_TEXT_LEN];
  SystemErrorText(code, text);
  return "Purifile plugin: Error reading directory \"" + directory + "\":\n    " + Utf8(text) + "\n\n";
}

}  // namespace fault_testing
