// Standard output buffering, and the console as the controlling terminal:
// with a terminal (a pseudo-terminal made the child's controlling terminal)
// and without one (a child in a new session).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::string content;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return content;
  char chunk[4096];
  for (std::size_t count; (count = std::fread(chunk, 1, sizeof chunk, file)) > 0;) content.append(chunk, count);
  std::fclose(file);
  return content;
}

bool Write(HANDLE handle, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

TEST(StandardOutput, GatheredUntilAnotherHandleIsWrittenAndKeptInOrder) {
  testing_support::TempDir dir;
  const std::string path = dir.path().string() + "/out";
  std::fflush(stdout);
  std::fflush(stderr);
  FlushStandardOutput();
  const int savedOut = dup(STDOUT_FILENO);
  const int savedErr = dup(STDERR_FILENO);
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, STDOUT_FILENO);
  dup2(file, STDERR_FILENO);
  close(file);

  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  const bool wroteLines = Write(out, "one\n") && Write(out, "two\n");
  const std::string afterLines = ReadWholeFile(path);
  const bool wroteError = Write(err, "error\n");
  const std::string afterError = ReadWholeFile(path);
  const std::string large(70000, 'x');
  const bool wroteLarge = Write(out, "three\n") && Write(out, large);
  const std::string afterLarge = ReadWholeFile(path);
  const bool wroteTail = Write(out, "tail\n");
  FlushStandardOutput();
  const std::string atEnd = ReadWholeFile(path);

  dup2(savedOut, STDOUT_FILENO);
  dup2(savedErr, STDERR_FILENO);
  close(savedOut);
  close(savedErr);
  EXPECT_TRUE(wroteLines && wroteError && wroteLarge && wroteTail);
  EXPECT_EQ("", afterLines);
  EXPECT_EQ("one\ntwo\nerror\n", afterError);
  EXPECT_EQ("one\ntwo\nerror\nthree\n" + large, afterLarge);
  EXPECT_EQ("one\ntwo\nerror\nthree\n" + large + "tail\n", atEnd);
}

// Runs `body` in a child in a session of its own; the child's exit status is
// what body returns (0 for success, else the number of the failed check).
int RunInNewSession(int (*body)(int), int argument) {
  std::fflush(stdout);
  FlushStandardOutput();
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    alarm(10);  // a child that hangs ends itself rather than outlive the test
    _exit(body(argument));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Standard error on the terminal whose other end is `terminal`, or on a pipe
// when it is -1: a console handle only on the terminal, and written to as one.
// In a child, because a process asks once whether a standard handle is a
// terminal.
int StandardErrorOn(int terminal) {
  int errorEnd = -1;
  if (terminal >= 0) {
    errorEnd = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  } else {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return 1;
    errorEnd = pipeEnds[1];
  }
  if (errorEnd < 0 || dup2(errorEnd, STDERR_FILENO) < 0) return 2;
  const bool onTerminal = terminal >= 0;
  DWORD mode = 0;
  if ((GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0) != onTerminal) return 3;
  DWORD written = 0;
  const bool wrote = WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), u"\u00E9", 1, &written, nullptr) != 0;
  if (wrote != onTerminal) return 4;
  if (!onTerminal && GetLastError() != ERROR_INVALID_HANDLE) return 5;
  return 0;
}

TEST(StandardOutput, StandardHandlesAreConsolesOnATerminalOnly) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(0, grantpt(terminal));
  ASSERT_EQ(0, unlockpt(terminal));
  EXPECT_EQ(0, RunInNewSession(StandardErrorOn, terminal));
  char bytes[8] = {};
  EXPECT_EQ(2, read(terminal, bytes, sizeof bytes));
  EXPECT_EQ(std::string("\xC3\xA9"), std::string(bytes, 2));
  close(terminal);
  EXPECT_EQ(0, RunInNewSession(StandardErrorOn, -1));
  EXPECT_EQ(INVALID_HANDLE_VALUE, GetStdHandle(7));
}

// The console's control events, and standard output on a pipe whose reader
// has gone; in a child, since signals and the standard handles are the
// process's own.
volatile sig_atomic_t lastControlEvent = -1;
BOOL WINAPI TakeEvent(DWORD event) {
  lastControlEvent = static_cast<sig_atomic_t>(event);
  return TRUE;
}
BOOL WINAPI OtherRoutine(DWORD) { return TRUE; }

int ControlEventsAndPipes(int) {
  if (!SetConsoleCtrlHandler(TakeEvent, TRUE)) return 1;
  if (SetConsoleCtrlHandler(OtherRoutine, TRUE) || SetConsoleCtrlHandler(OtherRoutine, FALSE)) return 2;
  const struct {
    int signalNumber;
    DWORD event;
  } events[] = {{SIGINT, CTRL_C_EVENT}, {SIGTERM, CTRL_BREAK_EVENT}, {SIGHUP, CTRL_CLOSE_EVENT}};
  for (const auto& expected : events) {
    lastControlEvent = -1;
    raise(expected.signalNumber);  // taken: the process goes on
    if (lastControlEvent != static_cast<sig_atomic_t>(expected.event)) return 10 + expected.signalNumber;
  }
  if (!SetConsoleCtrlHandler(TakeEvent, FALSE)) return 3;

  int ends[2];
  if (pipe(ends) != 0 || dup2(ends[1], STDOUT_FILENO) < 0) return 4;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!Write(out, "gathered\n")) return 5;

  // Its reader gone, the write fails instead of ending the process.
  close(ends[0]);
  if (FlushFileBuffers(out) || GetLastError() != ERROR_NO_DATA) return 6;
  raise(SIGTERM);  // no routine takes it now: it ends the process
  return 7;
}

TEST(Console, ControlEventsAreTheEndingSignalsAndAClosedPipeFailsWrites) {
  EXPECT_EQ(100 + SIGTERM, RunInNewSession(ControlEventsAndPipes, 0));
}

int WithoutTerminal(int) {
  // setsid() left the child without a controlling terminal.
  if (CreateFileW(u"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr) !=
      INVALID_HANDLE_VALUE) {
    return 1;
  }
  if (_getwch() != WEOF) return 2;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 3;
  dup2(pipeFds[1], STDERR_FILENO);
  close(pipeFds[1]);
  if (MessageBoxW(nullptr, u"Body \u00E9", u"Caption", MB_OK) != IDOK) return 4;
  char text[64] = {};
  if (read(pipeFds[0], text, sizeof text - 1) <= 0) return 5;
  return std::string(text) == "Caption\nBody \xC3\xA9\n" ? 0 : 6;
}

TEST(Console, WithoutATerminal) { EXPECT_EQ(0, RunInNewSession(WithoutTerminal, 0)); }

// The child takes the pseudo-terminal as its controlling terminal, writes to
// the console, then reads keys and sends their codes up `reportFd`.
int WithTerminal(const char* terminalName, int reportFd) {
  // The first terminal a session leader opens becomes its controlling terminal.
  const int terminal = open(terminalName, O_RDWR);
  if (terminal < 0) return 1;
  const HANDLE console = CreateFileW(u"conout$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return 2;
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return 3;
  const char16_t text[] = u"caf\u00E9 \u2500\u25BA \U0001F600|";
  const DWORD length = sizeof text / sizeof text[0] - 1;
  DWORD written = 0;
  if (!WriteConsoleW(console, text, length, &written, nullptr) || written != length) return 4;
  CloseHandle(console);
  for (int i = 0; i < 8; ++i) {
    const wint_t key = _getwch();
    termios modeAfter {};
    tcgetattr(terminal, &modeAfter);
    const unsigned report[2] = {static_cast<unsigned>(key), (modeAfter.c_lflag & ECHO) != 0 ? 1u : 0u};
    if (write(reportFd, report, sizeof report) != sizeof report) return 5;
    if (key == WEOF) break;
  }
  return 0;
}

// One report from the child, waiting at most two seconds, so that a child that
// stops answering fails the test instead of hanging it.
bool ReadReport(int fd, unsigned (&report)[2]) {
  pollfd request{fd, POLLIN, 0};
  return poll(&request, 1, 2000) == 1 && read(fd, report, sizeof report) == sizeof report;
}

// Waits (at most two seconds) until the child has put the terminal in raw
// mode, that is, until it is inside _getwch. Keys typed before that are
// cooked: Ctrl+C would interrupt the child, as it should between prompts.
void WaitForRawMode(int master) {
  for (int tries = 0; tries < 2000; ++tries) {
    termios mode {};
    if (tcgetattr(master, &mode) == 0 && (mode.c_lflag & ICANON) == 0) return;
    usleep(1000);
  }
}

std::string ReadAvailable(int fd, const std::string& until) {
  std::string text;
  for (int tries = 0; tries < 50 && text.find(until) == std::string::npos; ++tries) {
    pollfd request{fd, POLLIN, 0};
    if (poll(&request, 1, 100) <= 0) continue;
    char chunk[256];
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count <= 0) break;
    text.append(chunk, static_cast<std::size_t>(count));
  }
  return text;
}

TEST(Console, TerminalOutputAndKeys) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(0, grantpt(master));
  ASSERT_EQ(0, unlockpt(master));
  const std::string terminalName = ptsname(master);
  int reportPipe[2];
  ASSERT_EQ(0, pipe(reportPipe));

  std::fflush(stdout);
  FlushStandardOutput();
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    alarm(10);  // a child that hangs ends itself rather than outlive the test
    signal(SIGHUP, SIG_IGN);  // stay to see the hang-up as the end of input
    close(reportPipe[0]);
    close(master);  // the terminal hangs up when the parent closes its side
    _exit(WithTerminal(terminalName.c_str(), reportPipe[1]));
  }
  close(reportPipe[1]);
  const std::string shown = ReadAvailable(master, "|");
  EXPECT_NE(std::string::npos, shown.find("caf\xC3\xA9 \xE2\x94\x80\xE2\x96\xBA \xF0\x9F\x98\x80|")) << shown;

  // Each press is sent only when the keys of the one before have been read
  // (so that an Esc pressed alone stays alone) and the child waits for a key.
  struct Press {
    std::string bytes;
    int keys;
  };
  const Press presses[] = {{"y\xC3\xA9\xF0\x9F\x98\x80", 4}, {"\x1B", 1}, {"\x1B[A", 1}, {"\x03", 1}};
  std::vector<unsigned> keys;
  bool echoRestored = true;
  for (const Press& press : presses) {
    WaitForRawMode(master);
    if (write(master, press.bytes.data(), press.bytes.size()) != static_cast<ssize_t>(press.bytes.size())) break;
    for (int i = 0; i < press.keys; ++i) {
      unsigned report[2] = {};
      if (!ReadReport(reportPipe[0], report)) break;
      keys.push_back(report[0]);
      echoRestored = echoRestored && report[1] == 1;
    }
  }
  close(master);
  unsigned last[2] = {};
  const bool gotLast = ReadReport(reportPipe[0], last);
  close(reportPipe[0]);
  if (!gotLast) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);

  const std::vector<unsigned> expected = {u'y', 0xE9, 0xD83D, 0xDE00, 27, 0xE0, 3};
  EXPECT_EQ(expected, keys);
  EXPECT_TRUE(echoRestored);
  EXPECT_TRUE(gotLast);
  EXPECT_EQ(static_cast<unsigned>(WEOF), last[0]);  // the terminal went away
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
