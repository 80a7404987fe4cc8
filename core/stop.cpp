#include "core/stop.h"

#include <atomic>

#include "platform/win32.h"

namespace {

// Set from the console's control handler: another thread on Windows, a signal
// handler on POSIX.
std::atomic<std::int32_t> pendingStop{STOP_NONE};
static_assert(std::atomic<std::int32_t>::is_always_lock_free, "set by a signal handler");
// Set once by a program that is one command (TakeStopRequestsUntilExit).
std::atomic<bool> takenUntilExit{false};

// Every event (Ctrl+C, Ctrl+Break, the console closed) asks the same: finish
// the rename under way and stop. The event is taken, so the process goes on
// to write what it did. Windows ends a process whose console is closed when
// its handler returns, whatever it answers.
BOOL WINAPI TakeControlEvent(DWORD /*event*/) {
  RequestStop(STOP_INTERRUPTED);
  return TRUE;
}

}  // namespace

StopRequestScope::StopRequestScope() {
  // Taken for the whole process already: every request made since stands.
  if (takenUntilExit.load()) {
    installed_ = false;
    return;
  }
  pendingStop.store(STOP_NONE);
  // Without a console to take events from, nothing is lost: the run simply
  // cannot be asked to stop.
  installed_ = SetConsoleCtrlHandler(TakeControlEvent, TRUE) != 0;
}

void TakeStopRequestsUntilExit() {
  if (!takenUntilExit.exchange(true)) {
    pendingStop.store(STOP_NONE);
    SetConsoleCtrlHandler(TakeControlEvent, TRUE);
  }
}

StopRequestScope::~StopRequestScope() {
  if (installed_) {
    SetConsoleCtrlHandler(TakeControlEvent, FALSE);
  }
}

StopReason PendingStop() { return static_cast<StopReason>(pendingStop.load()); }

void RequestStop(StopReason reason) {
  std::int32_t none = STOP_NONE;
  pendingStop.compare_exchange_strong(none, reason);
}
