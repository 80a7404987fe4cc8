// Ctrl+C (SIGINT), SIGTERM and SIGHUP during a large run of the standalone
// program: it must end at once, with status 130, after the rename under way;
// every rename it made must be whole (each file exists exactly once, under its
// old name or its new one, with its own content) and shown, no rename shown
// that was not made, and the tally of what was done written.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/walker/tree_helpers.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int FILE_COUNT = 40000;

std::string OldName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "f%%20%05d", index);
  return name;
}

std::string NewName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "f %05d", index);
  return name;
}

struct InterruptedRun {
  bool finishedFirst = false;  // ended before the signal could be sent
  int status = 0;              // as waitpid gives it
  std::chrono::milliseconds endedAfter{0};
  std::string out;
  std::string err;
};

// Runs purifile on every file of directory, and sends signalNumber as soon as
// its first output arrives (the renames are well under way by then).
InterruptedRun RunAndInterrupt(const fs::path& directory, const fs::path& output, int signalNumber) {
  InterruptedRun run;
  const fs::path errors = output.string() + ".err";
  std::fflush(stdout);  // else the child would write out what the parent has buffered
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0 || !std::freopen(output.c_str(), "w", stdout) ||
        !std::freopen(errors.c_str(), "w", stderr)) {
      _exit(127);
    }
    execl(PURIFILE_PROGRAM, "purifile", "*", static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  int status = 0;
  bool exited = false;
  while (Clock::now() < deadline && !(exited = waitpid(child, &status, WNOHANG) == child)) {
    struct stat written;
    if (stat(output.c_str(), &written) == 0 && written.st_size > 0) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (!exited) {
    const auto sent = Clock::now();
    kill(child, signalNumber);
    waitpid(child, &status, 0);
    run.endedAfter = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
  }
  run.finishedFirst = exited;
  run.status = status;
  run.out = walker_testing::FileContent(output);
  run.err = walker_testing::FileContent(errors);
  return run;
}

// The number after `label` in the tally line, its digits grouped or not; -1
// when the line is missing.
long long TallyCount(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return -1;
  long long count = 0;
  for (std::size_t i = at + label.size(); i < text.size() && (std::isdigit(text[i]) || text[i] == ','); ++i) {
    if (text[i] != ',') count = count * 10 + (text[i] - '0');
  }
  return count;
}

std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

// Checks that every file exists exactly once, under its old name or its new
// one, with its own content; returns how many have their new name.
std::size_t CheckEveryFileWhole(const fs::path& tree) {
  std::size_t entries = 0;
  for (auto it = fs::directory_iterator(tree); it != fs::directory_iterator(); ++it) ++entries;
  EXPECT_EQ(entries, static_cast<std::size_t>(FILE_COUNT)) << "an entry was lost or added";
  std::size_t renamed = 0;
  for (int i = 0; i < FILE_COUNT; ++i) {
    const bool old = fs::exists(tree / OldName(i));
    const bool now = fs::exists(tree / NewName(i));
    EXPECT_NE(old, now) << "file " << i << " must exist exactly once";
    if (old == now) return renamed;
    EXPECT_EQ(walker_testing::FileContent(tree / (old ? OldName(i) : NewName(i))), OldName(i));
    renamed += now ? 1 : 0;
  }
  return renamed;
}

// The same tree is interrupted several times over, each run taking up the
// files the ones before left: every interrupt is another chance to catch a
// rename cut in half, or a line lost.
TEST(Interrupt, EndsPromptlyAndEveryRenameIsWholeAndShown) {
  constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGINT, SIGTERM, SIGHUP};
  testing_support::TempDir dir;
  const fs::path tree = dir.path() / "tree";
  fs::create_directory(tree);
  for (int i = 0; i < FILE_COUNT; ++i) {
    std::ofstream(tree / OldName(i)) << OldName(i);
  }
  std::size_t renamedBefore = 0;
  for (int round = 0; round < static_cast<int>(std::size(SIGNALS)); ++round) {
    const InterruptedRun run = RunAndInterrupt(tree, dir.path() / ("out" + std::to_string(round)), SIGNALS[round]);
    if (run.finishedFirst) {
      if (round == 0) GTEST_SKIP() << "purifile finished before the interrupt could reach it";
      break;
    }
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 130)
        << "signal " << SIGNALS[round] << ": status " << run.status;
    EXPECT_LT(run.endedAfter.count(), 2000) << "ms from SIGINT to the end of the process";
    const std::size_t renamed = CheckEveryFileWhole(tree);
    if (HasFailure()) return;
    const std::size_t renamedNow = renamed - renamedBefore;
    renamedBefore = renamed;
    EXPECT_GT(renamedNow, 0u) << "the interrupt came after some renames";
    // A rename line goes out once its rename is done: every rename made is
    // shown, and none that was not.
    EXPECT_EQ(CountOf(run.out, "\u25BA"), renamedNow) << "signal " << SIGNALS[round];
    EXPECT_EQ(TallyCount(run.out, ", fixed "), static_cast<long long>(renamedNow)) << "the tally so far";
    EXPECT_NE(std::string::npos, run.err.find("purifile: interrupted: stopped before the next rename")) << run.err;
    std::printf("round %d: signal %d after %zu renames (%zu of %d in all); %zu rename lines reached standard output; "
                "ended %lld ms after the signal\n",
                round + 1, SIGNALS[round], renamedNow, renamed, FILE_COUNT, CountOf(run.out, "\u25BA"),
                static_cast<long long>(run.endedAfter.count()));
  }
}

}  // namespace
