// Ctrl+C during a large run of the standalone program: it must end at once,
// and every rename it made must be whole: each file exists exactly once, under
// its old name or its new one, with its own content.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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
  bool interrupted = false;  // ended by SIGINT, not by finishing first
  std::chrono::milliseconds endedAfter{0};
  std::string out;
};

// Runs purifile on every file of directory, and sends SIGINT as soon as its
// first output arrives (the renames are well under way by then).
InterruptedRun RunAndInterrupt(const fs::path& directory, const fs::path& output) {
  InterruptedRun run;
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(directory.c_str()) != 0 || !std::freopen(output.c_str(), "w", stdout)) {
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
    kill(child, SIGINT);
    waitpid(child, &status, 0);
    run.endedAfter = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
  }
  run.interrupted = WIFSIGNALED(status) && WTERMSIG(status) == SIGINT;
  run.out = walker_testing::FileContent(output);
  return run;
}

std::size_t CountOf(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) {
    ++count;
  }
  return count;
}

TEST(Interrupt, EndsPromptlyAndEveryRenameIsWhole) {
  testing_support::TempDir dir;
  const fs::path tree = dir.path() / "tree";
  fs::create_directory(tree);
  for (int i = 0; i < FILE_COUNT; ++i) {
    std::ofstream(tree / OldName(i)) << OldName(i);
  }
  const InterruptedRun run = RunAndInterrupt(tree, dir.path() / "out");
  if (!run.interrupted) {
    GTEST_SKIP() << "purifile finished before the interrupt could reach it";
  }
  EXPECT_LT(run.endedAfter.count(), 2000) << "ms from SIGINT to the end of the process";

  std::size_t renamed = 0;
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(tree)) {
    entries.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(entries.size(), static_cast<std::size_t>(FILE_COUNT)) << "an entry was lost or added";
  for (int i = 0; i < FILE_COUNT; ++i) {
    const bool old = fs::exists(tree / OldName(i));
    const bool now = fs::exists(tree / NewName(i));
    ASSERT_NE(old, now) << "file " << i << " must exist exactly once";
    ASSERT_EQ(walker_testing::FileContent(tree / (old ? OldName(i) : NewName(i))), OldName(i));
    renamed += now ? 1 : 0;
  }
  EXPECT_GT(renamed, 0u) << "the interrupt came after some renames";
  // A rename line goes out just before its rename, so at most the one rename
  // under way when the signal came may be shown and not made.
  EXPECT_LE(CountOf(run.out, "\u25BA"), renamed + 1);
  // Every rename made has its line on standard output: the buffered lines are
  // written out when the signal ends the process.
  EXPECT_GE(CountOf(run.out, "\u25BA"), renamed);
  std::printf("interrupted after %zu of %d renames; %zu rename lines reached standard output; ended %lld ms after SIGINT\n",
              renamed, FILE_COUNT, CountOf(run.out, "\u25BA"), static_cast<long long>(run.endedAfter.count()));
}

}  // namespace
