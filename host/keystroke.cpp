// GetKeystroke: one key, letters upper-cased.
#include "host/keystroke.h"

#include <stdexcept>

#include "platform/utf16_text.h"
#include "core/host_services.h"

namespace {

// Keys are read raw, so Ctrl+C arrives as this code instead of interrupting.
constexpr std::int32_t CTRL_C = 3;

}  // namespace

extern "C" {

// The flags are accepted for the host's interface and not needed. Without a
// key to read the prompt cannot be answered at all, and Ctrl+C asks to stop,
// as it does everywhere else in the shell: either way the exception tells the
// caller, who takes it as the answer Quit.
int GetKeystroke(int) {
  const std::int32_t key = ReadKey();
  if (key == NO_KEY) {
    throw std::runtime_error("no key can be read");
  }
  if (key == CTRL_C) {
    throw std::runtime_error("interrupted by Ctrl+C");
  }
  return ToUpperAscii(static_cast<char16_t>(key));
}

}  // extern "C"
