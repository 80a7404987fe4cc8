#include <unistd.h>

#include "platform/posix/posix_internal.h"
#include "tests/support/capture_descriptors.h"

namespace testing_support {

void FlushStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  FlushStandardOutput();
}

int SaveDescriptor(int fd) { return dup(fd); }

void RedirectDescriptor(int fd, std::FILE* file) { dup2(fileno(file), fd); }

void RestoreDescriptor(int fd, int saved) {
  dup2(saved, fd);
  close(saved);
}

}  // namespace testing_support
