// GetKeystroke: one key, letters upper-cased.
#include "host/ascii_case.h"
#include "host/keystroke.h"

#include <stdexcept>

#include "plugin/host_services.h"

extern "C" {

// The flags are accepted for the host's interface and not needed. Without a
// key to read the prompt cannot be answered at all; the exception tells the
// caller so, and the caller takes it as the answer Quit.
int GetKeystroke(int) {
  const std::int32_t key = ReadKey();
  if (key == NO_KEY) {
    throw std::runtime_error("no key can be read");
  }
  return UpperAscii(static_cast<char16_t>(key));
}

}  // extern "C"
