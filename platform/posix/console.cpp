// POSIX implementation: handles, the console, standard output, files and the
// console's control events.
//
// The console device is the controlling terminal, /dev/tty: CreateFileW opens
// it under the names "CONOUT$" and "CONIN$", WriteConsoleW writes UTF-8 to it,
// and _getwch reads keys from it. GetConsoleMode says TRUE for those handles
// and for a standard handle that is a terminal, as Windows does for a
// standard handle on the console; WriteConsoleW writes to such a standard
// handle exactly as WriteFile does. Any other name CreateFileW opens is a
// file, created new for writing or opened for reading (the run's journal).
//
// Standard output is buffered (one write per 64 KiB, not per line). The buffer
// is written out before anything else reaches the terminal or the process
// waits for input, at exit, and when SIGINT, SIGTERM or SIGHUP ends the
// process, so the order of everything the user sees is the order it was
// written in. When standard output is a pipe or a socket, it is also written
// out at the first line end after a rename (MoveFileW): the line that shows a
// rename has reached its reader before the next rename is made, and a reader
// that has gone is known then, as the write fails. A preview, which renames
// nothing, keeps the whole buffer.
//
// As on Windows, a write to a pipe whose reader has gone fails (EPIPE, taken
// as ERROR_NO_DATA) rather than ending the process: SIGPIPE is ignored once
// anything is written, unless the process was started with a handler of its
// own for it.
//
// The console's control events are the ending signals: SIGINT arrives as
// CTRL_C_EVENT, SIGTERM as CTRL_BREAK_EVENT and SIGHUP as CTRL_CLOSE_EVENT.
// While a routine of SetConsoleCtrlHandler takes them, they end nothing; one
// it leaves (or any, without a routine) ends the process as the signal would
// have, after the buffer is written out. A signal that the process was started
// to ignore (as nohup and a shell's background jobs start it) stays ignored.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/posix/posix_internal.h"
#include "platform/utf16_text.h"

namespace {

constexpr std::uint32_t kHandleMagic = 0x48414E44;  // "HAND"

enum class Terminal { Unknown, Yes, No };

// Where a handle came from: the standard ones stay open for the whole
// process; the others are opened by CreateFileW and closed by CloseHandle.
enum class Opened { Standard, Console, File };

struct PosixHandle {
  std::uint32_t magic;
  int fd;
  Opened opened;
  // Whether fd is a terminal. A standard handle's file is the one the process
  // started with (there is no SetStdHandle here), so this is asked once rather
  // than once for every line written: a system call per line costs a tenth
  // of a preview's time.
  Terminal terminal;
};

PosixHandle standardOutput{kHandleMagic, STDOUT_FILENO, Opened::Standard, Terminal::Unknown};
PosixHandle standardError{kHandleMagic, STDERR_FILENO, Opened::Standard, Terminal::Unknown};

bool IsTerminal(PosixHandle* handle) {
  if (handle->terminal == Terminal::Unknown) {
    handle->terminal = isatty(handle->fd) == 1 ? Terminal::Yes : Terminal::No;
  }
  return handle->terminal == Terminal::Yes;
}

// Whether standard output is a pipe or a socket, asked once as above.
bool StandardOutputIsPipe() {
  static const bool pipe = [] {
    struct stat status;
    return fstat(STDOUT_FILENO, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
  }();
  return pipe;
}

PosixHandle* AsHandle(HANDLE handle) {
  auto* posixHandle = static_cast<PosixHandle*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || posixHandle->magic != kHandleMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return posixHandle;
}

// Writes every byte, retrying after interruptions and partial writes.
// Returns 0 or the errno value.
int WriteAll(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(fd, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return 0;
}

constexpr std::size_t kOutputBufferSize = 64 * 1024;
char outputBuffer[kOutputBufferSize];
// Volatile: the signal handler below reads it.
volatile std::size_t outputUsed = 0;
bool signalsTakenOver = false;
// Set by a rename: the next line end (or NUL) written to a pipe goes out at once.
bool writeOutAtLineEnd = false;
// The errno of the first write-out of the buffer that failed, whose bytes were dropped.
int outputLost = 0;

struct EndingSignal {
  int number;
  DWORD controlEvent;
};
constexpr EndingSignal kEndingSignals[] = {
    {SIGINT, CTRL_C_EVENT},
    {SIGTERM, CTRL_BREAK_EVENT},
    {SIGHUP, CTRL_CLOSE_EVENT},
};

// The routine of SetConsoleCtrlHandler, and the number of events it took.
std::atomic<PHANDLER_ROUTINE> controlRoutine{nullptr};
std::atomic<unsigned> controlEventsTaken{0};
static_assert(std::atomic<PHANDLER_ROUTINE>::is_always_lock_free && std::atomic<unsigned>::is_always_lock_free,
              "read and written by a signal handler");

// Returns 0 or the errno value of the failed write; what could not be written
// is dropped either way, so that one failure is not repeated for ever. The
// ending signals wait while the buffer is written, so that their handler never
// writes again what has just been written.
int FlushOutputBuffer() {
  if (outputUsed == 0) return 0;
  const EndingSignalsHeld held;
  const int error = WriteAll(STDOUT_FILENO, outputBuffer, outputUsed);
  outputUsed = 0;
  if (error != 0 && outputLost == 0) outputLost = error;
  return error;
}

void FlushAtExit() { FlushOutputBuffer(); }

// An ending signal: the control event of a routine that takes it, or else the
// end of the process. A signal that ends the process skips the exit handlers:
// write out what the buffer holds (write() alone, which a handler may call),
// then let the signal end the process as it would have, so the parent still
// sees it: with the default action back, the signal raised again is delivered
// as soon as the handler returns.
void OnEndingSignal(int signalNumber) {
  const int savedErrno = errno;
  const PHANDLER_ROUTINE routine = controlRoutine.load();
  for (const EndingSignal& ending : kEndingSignals) {
    if (ending.number == signalNumber && routine != nullptr && routine(ending.controlEvent)) {
      controlEventsTaken.fetch_add(1);
      errno = savedErrno;
      return;
    }
  }
  std::size_t from = 0;
  const std::size_t to = outputUsed;
  while (from < to) {
    const ssize_t written = write(STDOUT_FILENO, outputBuffer + from, to - from);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    from += static_cast<std::size_t>(written);
  }
  signal(signalNumber, SIG_DFL);
  errno = savedErrno;
  raise(signalNumber);
}

// Once, before the first write or control routine: only where the signal would
// end the process anyway, since a program that catches or ignores it keeps
// its own choice.
void TakeOverSignals() {
  if (signalsTakenOver) return;
  signalsTakenOver = true;
  std::atexit(FlushAtExit);
  for (const EndingSignal& ending : kEndingSignals) {
    struct sigaction current;
    if (sigaction(ending.number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction taken {};
    taken.sa_handler = OnEndingSignal;
    taken.sa_flags = SA_RESTART;
    sigemptyset(&taken.sa_mask);
    sigaction(ending.number, &taken, nullptr);
  }
  struct sigaction current;
  if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) signal(SIGPIPE, SIG_IGN);
}

int BufferStandardOutput(const char* bytes, std::size_t count) {
  TakeOverSignals();
  if (outputUsed + count > kOutputBufferSize) {
    const int error = FlushOutputBuffer();
    if (error != 0) return error;
    if (count >= kOutputBufferSize) {
      const int direct = WriteAll(STDOUT_FILENO, bytes, count);
      if (direct != 0 && outputLost == 0) outputLost = direct;
      return direct;
    }
  }
  std::memcpy(outputBuffer + outputUsed, bytes, count);
  // The bytes are in place before the handler can count them.
  std::atomic_signal_fence(std::memory_order_release);
  outputUsed = outputUsed + count;
  // A line ends in a line feed; a path of -0 in a NUL.
  if (writeOutAtLineEnd && count > 0 && (bytes[count - 1] == '\n' || bytes[count - 1] == '\0')) {
    writeOutAtLineEnd = false;
    if (StandardOutputIsPipe()) return FlushOutputBuffer();
  }
  return 0;
}

// Writes UTF-16 text as UTF-8 in pieces small enough for a stack buffer,
// never splitting a surrogate pair, each piece through put(bytes, count).
// Returns 0 or the errno value.
template <typename Put>
int WriteText(const char16_t* text, std::size_t length, Put put) {
  constexpr std::size_t kPiece = 1024;
  char bytes[kPiece * 3];
  while (length > 0) {
    std::size_t piece = length < kPiece ? length : kPiece;
    if (piece < length && IsHighSurrogate(text[piece - 1])) --piece;
    const std::size_t count = EncodeUtf8(text, piece, bytes, sizeof bytes);
    const int error = put(bytes, count);
    if (error != 0) return error;
    text += piece;
    length -= piece;
  }
  return 0;
}

int WriteText(int fd, const char16_t* text, std::size_t length) {
  TakeOverSignals();
  return WriteText(text, length, [fd](const char* bytes, std::size_t count) { return WriteAll(fd, bytes, count); });
}

bool IsConsoleName(const char16_t* name) {
  const std::size_t length = TextLength(name);
  return EqualsIgnoringAsciiCase(name, length, u"CONOUT$") || EqualsIgnoringAsciiCase(name, length, u"CONIN$");
}

int OpenTerminal() { return open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY); }

}  // namespace

EndingSignalsHeld::EndingSignalsHeld() {
  sigset_t ending;
  sigemptyset(&ending);
  for (const EndingSignal& signalTaken : kEndingSignals) sigaddset(&ending, signalTaken.number);
  sigprocmask(SIG_BLOCK, &ending, &previous_);
}

EndingSignalsHeld::~EndingSignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

void FlushStandardOutput() { FlushOutputBuffer(); }

void NoteRenameForStandardOutput() { writeOutAtLineEnd = true; }

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add) {
  PHANDLER_ROUTINE expected = add ? nullptr : routine;
  if (routine == nullptr || !controlRoutine.compare_exchange_strong(expected, add ? routine : nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  TakeOverSignals();
  return TRUE;
}

// Standard output: what it gathered written out, and any write-out lost told.
// A file: its data, and what is needed to read it back, on the disk.
BOOL FlushFileBuffers(HANDLE file) {
  PosixHandle* posixHandle = AsHandle(file);
  if (posixHandle == nullptr) return FALSE;
  if (posixHandle == &standardOutput) FlushOutputBuffer();
  int error = 0;
  if (posixHandle == &standardOutput) {
    error = outputLost;
  } else if (posixHandle->opened == Opened::File && fdatasync(posixHandle->fd) != 0) {
    error = errno;
  }
  if (error != 0) {
    SetLastErrorFromErrno(error);
    return FALSE;
  }
  return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
  if (which == STD_OUTPUT_HANDLE) return &standardOutput;
  if (which == STD_ERROR_HANDLE) return &standardError;
  SetLastError(ERROR_INVALID_HANDLE);
  return INVALID_HANDLE_VALUE;
}

// The console device, a file created new for writing (CREATE_NEW with
// GENERIC_WRITE: never one that exists), or an existing file opened for
// reading (OPEN_EXISTING with GENERIC_READ).
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD /*share*/, void* /*security*/, DWORD disposition,
                   DWORD /*flags*/, HANDLE /*templateFile*/) {
  if (name == nullptr || name[0] == 0) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  const bool console = IsConsoleName(name);
  const bool createsFile = !console && disposition == CREATE_NEW && access == GENERIC_WRITE;
  const bool readsFile = !console && disposition == OPEN_EXISTING && access == GENERIC_READ;
  if (!(console ? disposition == OPEN_EXISTING : createsFile || readsFile)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  char path[PATH_MAX];
  if (!console && !PathToBytes(name, path, sizeof path)) return INVALID_HANDLE_VALUE;
  const int fd = console      ? OpenTerminal()
                 : createsFile ? open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
                               : open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  auto* handle = new (std::nothrow)
      PosixHandle{kHandleMagic, fd, console ? Opened::Console : Opened::File, console ? Terminal::Yes : Terminal::No};
  if (handle == nullptr) {
    close(fd);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

// Console and file handles are closed; the standard handles stay open for the
// rest of the process (standard output still has its buffer to write out).
BOOL CloseHandle(HANDLE handle) {
  PosixHandle* posixHandle = AsHandle(handle);
  if (posixHandle == nullptr) return FALSE;
  if (posixHandle->opened == Opened::Standard) return TRUE;
  const int closed = close(posixHandle->fd);
  const int error = errno;
  posixHandle->magic = 0;
  delete posixHandle;
  if (closed != 0) {
    SetLastErrorFromErrno(error);
    return FALSE;
  }
  return TRUE;
}

BOOL GetConsoleMode(HANDLE handle, DWORD* mode) {
  PosixHandle* posixHandle = AsHandle(handle);
  if (posixHandle == nullptr || !IsTerminal(posixHandle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (mode != nullptr) *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, DWORD* written, void* /*reserved*/) {
  if (written != nullptr) *written = 0;
  PosixHandle* posixHandle = AsHandle(console);
  if (posixHandle == nullptr || !IsTerminal(posixHandle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const auto* units = static_cast<const char16_t*>(text);
  int error = 0;
  if (posixHandle == &standardOutput) {
    // Through the buffer, in order with everything else written there.
    error = WriteText(units, length, BufferStandardOutput);
  } else {
    FlushStandardOutput();
    error = WriteText(posixHandle->fd, units, length);
  }
  if (error != 0) {
    SetLastErrorFromErrno(error);
    return FALSE;
  }
  if (written != nullptr) *written = length;
  return TRUE;
}

BOOL WriteFile(HANDLE file, const void* bytes, DWORD length, DWORD* written, void* /*overlapped*/) {
  if (written != nullptr) *written = 0;
  PosixHandle* posixHandle = AsHandle(file);
  if (posixHandle == nullptr) return FALSE;
  int error = 0;
  if (posixHandle == &standardOutput) {
    error = BufferStandardOutput(static_cast<const char*>(bytes), length);
  } else {
    // What reaches the terminal keeps its order; a file is no part of that.
    if (posixHandle->opened != Opened::File) FlushStandardOutput();
    TakeOverSignals();
    error = WriteAll(posixHandle->fd, static_cast<const char*>(bytes), length);
  }
  if (error != 0) {
    SetLastErrorFromErrno(error);
    return FALSE;
  }
  if (written != nullptr) *written = length;
  return TRUE;
}

BOOL ReadFile(HANDLE file, void* bytes, DWORD length, DWORD* read, void* /*overlapped*/) {
  if (read != nullptr) *read = 0;
  PosixHandle* posixHandle = AsHandle(file);
  if (posixHandle == nullptr || posixHandle->opened != Opened::File) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (;;) {
    const ssize_t count = ::read(posixHandle->fd, bytes, length);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      SetLastErrorFromErrno(errno);
      return FALSE;
    }
    if (read != nullptr) *read = static_cast<DWORD>(count);
    return TRUE;
  }
}



// There are no windows: the caption and the text go to the terminal, or to
// standard error when there is none, and the box is taken as answered OK.
int MessageBoxW(HWND /*owner*/, LPCWSTR text, LPCWSTR caption, UINT /*type*/) {
  FlushStandardOutput();
  const int terminal = OpenTerminal();
  const int fd = terminal >= 0 ? terminal : STDERR_FILENO;
  auto writeLine = [fd](const char16_t* line) {
    WriteText(fd, line, TextLength(line));
    WriteAll(fd, "\n", 1);
  };
  writeLine(caption != nullptr ? caption : u"Error");
  if (text != nullptr) writeLine(text);
  if (terminal >= 0) close(terminal);
  return IDOK;
}

HWND GetForegroundWindow() { return nullptr; }

namespace {

// Code units of a key already decoded but not yet returned (the low half of
// a surrogate pair, or the rest of a malformed sequence).
char16_t pendingKeys[4];
std::size_t pendingCount = 0;
// controlEventsTaken when the key read began: a control event taken while it
// waits ends it, as the end of input would, so that a run asked to stop is
// not held at a prompt.
unsigned eventsBeforeKeyRead = 0;

// One byte from the terminal, waiting at most `milliseconds` (-1: for ever).
// Returns the byte, or -1 on timeout, end of input, error or a control event.
int ReadByte(int fd, int milliseconds) {
  for (;;) {
    pollfd request{fd, POLLIN, 0};
    const int ready = poll(&request, 1, milliseconds);
    if (ready < 0 && errno == EINTR && controlEventsTaken.load() != eventsBeforeKeyRead) return -1;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return -1;
    unsigned char byte = 0;
    const ssize_t count = read(fd, &byte, 1);
    if (count < 0 && errno == EINTR) continue;
    return count == 1 ? byte : -1;
  }
}

// The bytes that follow an Esc within a moment belong to a cursor or function
// key (ESC [ ... final, ESC O x) or to Alt and a key; they are read and dropped.
void SkipEscapeSequence(int fd, int second) {
  constexpr int kWithinSequence = 20;
  if (second == 'O') {
    ReadByte(fd, kWithinSequence);
  } else if (second == '[') {
    for (int byte = ReadByte(fd, kWithinSequence); byte >= 0 && !(byte >= 0x40 && byte <= 0x7E);
         byte = ReadByte(fd, kWithinSequence)) {
    }
  }
}

// One key from the terminal, already in raw mode: WEOF at the end of input.
wint_t ReadKey(int fd) {
  constexpr int kEscapeWait = 50;  // an Esc pressed alone is not followed by more bytes
  const int lead = ReadByte(fd, -1);
  if (lead < 0) return WEOF;
  if (lead == 0x1B) {
    const int second = ReadByte(fd, kEscapeWait);
    if (second < 0) return 27;
    SkipEscapeSequence(fd, second);
    return 0xE0;
  }
  char bytes[4] = {static_cast<char>(lead)};
  std::size_t count = 1;
  const std::size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  while (count < expected) {
    const int next = ReadByte(fd, kEscapeWait);
    if (next < 0) break;
    bytes[count++] = static_cast<char>(next);
  }
  char16_t units[4];
  const std::size_t unitCount = DecodeUtf8(bytes, count, units, 4);
  for (std::size_t i = 1; i < unitCount; ++i) pendingKeys[pendingCount++] = units[i];
  return units[0];
}

}  // namespace

wint_t _getwch() {
  FlushStandardOutput();
  if (pendingCount > 0) {
    const char16_t key = pendingKeys[0];
    std::memmove(pendingKeys, pendingKeys + 1, (pendingCount - 1) * sizeof(char16_t));
    --pendingCount;
    return key;
  }
  eventsBeforeKeyRead = controlEventsTaken.load();
  const int fd = OpenTerminal();
  if (fd < 0) return WEOF;
  termios saved;
  if (tcgetattr(fd, &saved) != 0) {
    close(fd);
    return WEOF;
  }
  // Raw: no echo, no line editing, no signals from keys (Ctrl+C arrives as 3,
  // as Windows gives it), Enter as a carriage return.
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &raw) != 0) {
    close(fd);
    return WEOF;
  }
  const wint_t key = ReadKey(fd);
  tcsetattr(fd, TCSANOW, &saved);
  close(fd);
  return key;
}
