#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/host_services.h"

namespace {

// Keys come from the controlling terminal. Where there is none (a service, a
// CI run) no prompt can be answered, and the caller must hear so at once
// rather than wait.
TEST(GetKeystroke, NoTerminalRaises) {
  const int terminal = open("/dev/tty", O_RDONLY | O_NOCTTY);
  if (terminal >= 0) {
    close(terminal);
    GTEST_SKIP() << "a terminal is attached; a key would be awaited";
  }
  EXPECT_ANY_THROW(GetKeystroke(560));
}

}  // namespace
