// Inside a shell, GetKeystroke is the shell's code, built with whatever
// compiler the shell's makers used. It may fail with a structured exception:
// RaiseException with any code, a Microsoft C++ throw (code 0xE06D7363), an
// access violation. Unhandled, that would end the user's shell, or unwind
// through this library into a handler of the shell's that then gets no result.
// The structured handler around the call takes all of them; a C++ throw of
// this library's own toolchain (the standalone program's key read, a host
// built with MinGW) passes it and is caught below, where its runtime destroys
// the thrown object properly.
#include "walker/key_read.h"

#include "platform/windows/structured_handler.h"
#include "core/host_services.h"

namespace {

struct KeyRead {
  int flags;
  int key;
};

// No C++ handler of its own, so that between the guard and the host's code
// there is no frame that GCC's runtime would take part in unwinding.
void ReadKey(void* context) {
  auto* read = static_cast<KeyRead*>(context);
  read->key = GetKeystroke(read->flags);
}

}  // namespace

std::int32_t ReadHostKey(int flags, int* key) {
  KeyRead read{flags, 0};
  DWORD code = 0;
  try {
    if (CallUnderStructuredHandler(&ReadKey, &read, &code) != 0) {
      return -1;
    }
  } catch (...) {
    return -1;
  }
  *key = read.key;
  return 0;
}
