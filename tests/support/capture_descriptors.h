// The platform's side of output capture: descriptor juggling and flushing.
#pragma once

#include <cstdio>

namespace testing_support {

// Writes out whatever the C runtime and the platform layer still hold for
// standard output and standard error.
void FlushStandardStreams();
// A second descriptor for fd, to put it back later; -1 on failure.
int SaveDescriptor(int fd);
// Makes fd refer to the open file (and, on Windows, the matching standard handle).
void RedirectDescriptor(int fd, std::FILE* file);
// Makes fd refer to what saved referred to and closes saved.
void RestoreDescriptor(int fd, int saved);

}  // namespace testing_support
