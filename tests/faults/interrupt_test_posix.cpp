// Ctrl+C (SIGINT), SIGTERM and SIGHUP during a large run of the standalone
// program: it must end at once, with status 130, after the rename under way;
// every rename it made must be whole (each file exists exactly once, under its
// old name or its new one, with its own content) and shown, no rename shown
// that was not made, and the tally of what was done written.
// And a run with a journal, killed with SIGKILL at any instant, is undone
// exactly.
#include <gtest/gtest.h>

#include <fcntl.h>
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
#include <map>
#include <random>
#include <string>
#include <thread>
#include <utility>
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

// SIGINT at many instants of a short run with a journal, from its first
// output to well after its last rename: whenever it comes, the program ends
// by itself, 0 when the work was done and 130 with its message when the
// signal stopped it, never by the signal.
TEST(Interrupt, SignalAtAnyInstantEndsTheProgramByItself) {
  constexpr int FILES = 1500;
  constexpr int TRIALS = 24;
  testing_support::TempDir dir;
  const fs::path tree = dir.path() / "tree";
  fs::create_directory(tree);
  for (int i = 0; i < FILES; ++i) std::ofstream(tree / OldName(i)) << OldName(i);
  for (int trial = 0; trial < TRIALS; ++trial) {
    const fs::path output = dir.path() / ("out" + std::to_string(trial));
    const fs::path errors = output.string() + ".err";
    const std::string journal = "--journal=" + (dir.path() / ("journal" + std::to_string(trial))).native();
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(tree.c_str()) != 0 || !std::freopen(output.c_str(), "w", stdout) ||
          !std::freopen(errors.c_str(), "w", stderr)) {
        _exit(127);
      }
      execl(PURIFILE_PROGRAM, "purifile", "-s", "-n", journal.c_str(), "*", static_cast<char*>(nullptr));
      _exit(127);
    }
    // From the first output on, most of a millisecond later each trial.
    struct stat written;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline && (stat(output.c_str(), &written) != 0 || written.st_size == 0) &&
           waitpid(child, nullptr, WNOHANG) == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(750 * trial));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "trial " << trial << ": ended by signal " << WTERMSIG(status);
    const std::string err = walker_testing::FileContent(errors);
    const bool stopped = err.find("purifile: interrupted") != std::string::npos;
    EXPECT_EQ(WEXITSTATUS(status), stopped ? 130 : 0) << "trial " << trial << ": " << err;
  }
}

// ---- A run with a journal, killed with SIGKILL, then undone. ----

// Every entry below root by its path's bytes: its inode, and a file's content.
using Snapshot = std::map<std::string, std::pair<ino_t, std::string>>;

Snapshot TakeSnapshot(const fs::path& root) {
  Snapshot entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    struct stat status;
    EXPECT_EQ(lstat(it->path().c_str(), &status), 0);
    entries[it->path().lexically_relative(root).native()] = {
        status.st_ino, S_ISDIR(status.st_mode) ? std::string() : walker_testing::FileContent(it->path())};
  }
  return entries;
}

// Starts purifile with arguments in directory, its output thrown away.
pid_t StartPurifile(const fs::path& directory, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>("purifile")};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (chdir(directory.c_str()) != 0 || dup2(null, STDOUT_FILENO) < 0 || dup2(null, STDERR_FILENO) < 0) _exit(127);
    execv(PURIFILE_PROGRAM, argv.data());
    _exit(127);
  }
  return child;
}

int ExitStatus(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Where the trials make their tree: a tmpfs where there is one, since they
// make and check it some twenty times.
fs::path TrialBase() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) && access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                               : fs::temp_directory_path();
}

// 20 directories of 10 directories of 100 files: 20,220 entries, every
// directory and every other file to be renamed, some names no UTF-8 and some
// with a quotation mark, a backslash or a line feed, which the journal must
// escape, and a quarter of the files with a pair that decodes to another
// ("%2520" is "%20"), which a second file specification renames again.
void MakeKillTree(const fs::path& root) {
  static const char* const ODD[] = {"\xff", "\"", "\\", "\n", "\xed\xa0\x80"};
  for (int top = 0; top < 20; ++top) {
    const fs::path topPath = root / ("top%20" + std::to_string(top));
    for (int sub = 0; sub < 10; ++sub) {
      const fs::path subPath = topPath / ("sub%20" + std::to_string(sub) + (sub == 3 ? "\xfe" : ""));
      fs::create_directories(subPath);
      for (int file = 0; file < 100; ++file) {
        std::string name = "f" + std::to_string(file);
        if (file % 2 == 0) name += std::string("%20") + ODD[file % 5];
        if (file % 4 == 1) name += "%2520y";
        std::ofstream(subPath / name, std::ios::binary) << subPath.native() << '/' << name;
      }
    }
  }
}

// A run killed at a random instant and its undo leave every name, content
// and inode as it was, for -s (files), for -s -d (directories, nested) and
// for -s with two file specifications (files renamed twice, the second
// rename from the name the first gave): the intent of each rename reaches
// the system before the rename, and undo decides an intent without a result
// by the identity at its new name.
TEST(Interrupt, RunKilledAtAnyInstantIsUndoneExactly) {
  constexpr int TRIALS = 10;  // for each of the three runs
  const std::string pattern = (TrialBase() / "purifile-kill-XXXXXX").native();
  std::vector<char> work(pattern.begin(), pattern.end());
  work.push_back('\0');
  ASSERT_NE(mkdtemp(work.data()), nullptr) << pattern;
  const fs::path dir(work.data());
  const fs::path tree = dir / "tree";
  MakeKillTree(tree);
  const Snapshot original = TakeSnapshot(tree);
  ASSERT_EQ(original.size(), 20220u);
  // Printed, so that a failing trial's instants can be drawn again.
  const unsigned generatorStart = std::random_device()();
  std::mt19937 random(generatorStart);
  std::printf("instants drawn by mt19937(%u), tree in %s\n", generatorStart, dir.c_str());
  int journals = 0;
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-s"}, {"-s", "-d"}, {"-s", "*"}}) {
    // A whole run first, to know how long one takes; its undo is checked too.
    std::chrono::microseconds whole{0};
    for (int trial = 0; trial <= TRIALS && !HasFailure(); ++trial) {
      const std::string journal = (dir / ("journal" + std::to_string(++journals))).native();
      std::vector<std::string> arguments = options;
      arguments.push_back("--journal=" + journal);
      arguments.push_back("*");
      const auto delay = trial == 0 ? std::chrono::microseconds(0)
                                    : std::chrono::microseconds(random() % (whole.count() + 1));
      const auto started = Clock::now();
      const pid_t run = StartPurifile(tree, arguments);
      if (trial > 0) {
        std::this_thread::sleep_for(delay);
        kill(run, SIGKILL);
      }
      const int status = ExitStatus(run);
      if (trial == 0) {
        ASSERT_EQ(status, 0);
        whole = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
      }
      const std::size_t intents = CountOf(walker_testing::FileContent(journal), "{\"type\":\"rename\"");
      // Undone from another directory: the journal's paths are whole.
      const auto undoStarted = Clock::now();
      const int undone = ExitStatus(StartPurifile(dir, {"--undo=" + journal}));
      std::printf("%s: %s after %lld us of %lld: %zu renames begun; undo exits %d after %lld ms\n",
                  options.size() == 1 ? "-s" : options[1] == "-d" ? "-s -d" : "-s, two specifications",
                  trial == 0 ? "whole run" : "killed",
                  static_cast<long long>(delay.count()), static_cast<long long>(whole.count()), intents, undone,
                  static_cast<long long>(
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - undoStarted).count()));
      // A run killed before it made its journal has touched nothing; the
      // journal it never made cannot be read.
      EXPECT_EQ(undone, fs::exists(journal) ? 0 : 1);
      EXPECT_TRUE(TakeSnapshot(tree) == original) << "names, contents or inodes differ after the undo";
      // Undone once, the journal has nothing more to do: every entry is found
      // back, the nested ones and those renamed twice among them.
      if (fs::exists(journal)) {
        EXPECT_EQ(ExitStatus(StartPurifile(dir, {"--undo=" + journal})), 0) << "a second undo of " << journal;
      }
    }
  }
  fs::remove_all(dir);
}

}  // namespace
