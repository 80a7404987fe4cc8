#include <io.h>

#include "platform/win32.h"
#include "tests/support/capture_descriptors.h"

namespace testing_support {
namespace {

// The C runtime's descriptors 0, 1 and 2 and the process's standard handles are
// kept apart; the host writes through the handles, so both are moved together.
void MatchStandardHandle(int fd) {
  constexpr DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  SetStdHandle(handles[fd], reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

}  // namespace

// Windows writes through at once; only the C runtime's buffers need emptying.
void FlushStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
}

int SaveDescriptor(int fd) { return _dup(fd); }

void RedirectDescriptor(int fd, std::FILE* file) {
  _dup2(_fileno(file), fd);
  MatchStandardHandle(fd);
}

void RestoreDescriptor(int fd, int saved) {
  _dup2(saved, fd);
  _close(saved);
  MatchStandardHandle(fd);
}

}  // namespace testing_support
