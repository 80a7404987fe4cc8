// Runs walks in a child process whose controlling terminal is a pseudo-terminal,
// with standard output and standard error in files: the test sees what went to
// each of the three places apart, answers prompts as a user at the keyboard
// would, and the walk's process-wide state (the host's output buffer, the
// terminal) never touches the test program's own.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/options.h"
#include "command/tally.h"
#include "platform/posix/posix_internal.h"
#include "walker/walker.h"

namespace walker_testing {

// One file specification: the walk of a directory with a pattern.
struct WalkSpec {
  std::u16string directory;  // ending in its separator
  std::u16string pattern;
};

// What the user does at the n-th prompt: an action first (may be empty), then
// the keys, one at a time. A reply with closeTerminal set hangs up instead of
// typing, so that no key can be read any more.
struct PromptReply {
  std::string keys;
  std::function<void()> before;
  bool closeTerminal = false;
};

struct WalkRun {
  std::int32_t result = 0;  // of the last walk made
  RenameTally tally{0, 0, 0, 0};
  OptionFlags optionsAfter = 0;
  std::string out;      // standard output
  std::string err;      // standard error
  std::string console;  // the terminal, with its "\r\n" turned back into "\n"
  int prompts = 0;      // prompts seen on the terminal
  bool finished = false;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

struct ChildResult {
  std::int32_t result;
  RenameTally tally;
  OptionFlags options;
};

// Walks each specification in turn with one options word and one tally, as
// the command does, stopping after Quit.
inline WalkRun WalkInChild(const std::vector<WalkSpec>& specs, OptionFlags options,
                           const std::vector<PromptReply>& replies = {}, const char16_t* qList = nullptr,
                           const char16_t* rList = nullptr) {
  WalkRun run;
  const std::filesystem::path outputs =
      std::filesystem::temp_directory_path() / ("purifile-walk-" + std::to_string(getpid()));
  std::filesystem::create_directories(outputs);
  const std::filesystem::path outPath = outputs / "out";
  const std::filesystem::path errPath = outputs / "err";
  int resultPipe[2];
  if (pipe(resultPipe) != 0) {
    return run;
  }
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    signal(SIGHUP, SIG_IGN);  // a hung-up terminal must end the key reading, not the walk
    close(resultPipe[0]);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    ChildResult result{0, {0, 0, 0, 0}, options};
    for (const WalkSpec& spec : specs) {
      result.result = WalkDirectory(spec.directory.c_str(), spec.pattern.c_str(), &result.options, qList, rList,
                                    &result.tally);
      if (result.result == -3) {
        break;
      }
    }
    FlushStandardOutput();
    const ssize_t written = write(resultPipe[1], &result, sizeof result);
    _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
  }
  close(resultPipe[1]);
  if (child < 0) {
    close(resultPipe[0]);
    return run;
  }

  std::string raw;
  std::size_t replied = 0;
  bool terminalOpen = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int status = 0;
  bool exited = false;
  while (!exited && std::chrono::steady_clock::now() < deadline) {
    if (terminalOpen) {
      pollfd wait{terminal, POLLIN, 0};
      if (poll(&wait, 1, 20) > 0) {
        char bytes[4096];
        const ssize_t count = read(terminal, bytes, sizeof bytes);
        if (count > 0) {
          raw.append(bytes, static_cast<std::size_t>(count));
        }
      }
      const std::size_t prompts = CountOf(raw, "(Y/N/A)? ");
      if (prompts > replied && replied < replies.size()) {
        const PromptReply& reply = replies[replied++];
        if (reply.before) {
          reply.before();
        }
        if (reply.closeTerminal) {
          close(terminal);
          terminalOpen = false;
        } else {
          for (char key : reply.keys) {
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            if (write(terminal, &key, 1) != 1) {
              break;
            }
          }
        }
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    exited = waitpid(child, &status, WNOHANG) == child;
  }
  if (!exited) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  if (terminalOpen) {
    for (;;) {
      pollfd wait{terminal, POLLIN, 0};
      char bytes[4096];
      ssize_t count = 0;
      if (poll(&wait, 1, 50) <= 0 || (count = read(terminal, bytes, sizeof bytes)) <= 0) {
        break;
      }
      raw.append(bytes, static_cast<std::size_t>(count));
    }
    close(terminal);
  }
  ChildResult result{};
  run.finished = exited && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                 read(resultPipe[0], &result, sizeof result) == static_cast<ssize_t>(sizeof result);
  close(resultPipe[0]);
  run.result = result.result;
  run.tally = result.tally;
  run.optionsAfter = result.options;
  run.out = ReadWholeFile(outPath);
  run.err = ReadWholeFile(errPath);
  std::filesystem::remove_all(outputs);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) {
      run.console.push_back(raw[i]);
    }
  }
  run.prompts = static_cast<int>(CountOf(run.console, "(Y/N/A)? "));
  return run;
}

inline WalkRun WalkInChild(const std::u16string& directory, const std::u16string& pattern, OptionFlags options,
                           const std::vector<PromptReply>& replies = {}) {
  return WalkInChild(std::vector<WalkSpec>{{directory, pattern}}, options, replies);
}

}  // namespace walker_testing
