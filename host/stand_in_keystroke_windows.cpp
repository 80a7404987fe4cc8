// The stand-in shell's GetKeystroke: the host's key reading, which on request
// fails the ways a key read of a shell built with another toolchain can fail.
// TakeCmd.def exports this function as GetKeystroke; it exists in the stand-in
// TakeCmd.dll only, never in the standalone program.
#include <cstdint>
#include <stdexcept>

#include "host/shell_state.h"
#include "platform/win32.h"
#include "core/host_services.h"

namespace {

std::int32_t requestedFault = KEYSTROKE_READS_KEYS;
DWORD requestedCode = 0;

// What a Microsoft C++ throw raises: the code "msc" and, on x64, four
// parameters: the magic number, the thrown object, its throw information and
// the image base. No handler here looks inside, so the object and the
// information stay empty.
constexpr DWORD MICROSOFT_CPP_EXCEPTION = 0xE06D7363;
constexpr ULONG_PTR MICROSOFT_CPP_MAGIC = 0x19930520;

void RaiseStructuredException(DWORD code) {
  if (code == MICROSOFT_CPP_EXCEPTION) {
    const ULONG_PTR parameters[] = {MICROSOFT_CPP_MAGIC, 0, 0, 0};
    RaiseException(code, EXCEPTION_NONCONTINUABLE, 4, parameters);
  } else {
    RaiseException(code, 0, 0, nullptr);
  }
}

// An access violation, as a write through a null pointer causes on Windows.
// Wine keeps the lowest page of a process writable, so the write goes to a
// page reserved without any access instead; the compiler cannot see where the
// pointer leads, so it is a real write, not a trap instruction in its place.
void WriteThroughBadPointer() {
  int* volatile target = static_cast<int*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
  *target = 1;
}

}  // namespace

extern "C" {

std::int32_t SetKeystrokeFault(std::int32_t fault, std::uint32_t code) {
  requestedFault = fault;
  requestedCode = code;
  return 0;
}

int StandInGetKeystroke(int flags) {
  switch (requestedFault) {
    case KEYSTROKE_RAISES_CODE:
      RaiseStructuredException(requestedCode);
      break;
    case KEYSTROKE_WRITES_WITHOUT_ACCESS:
      WriteThroughBadPointer();
      break;
    case KEYSTROKE_THROWS:
      throw std::runtime_error("the key read was asked to throw");
    default:
      break;
  }
  return GetKeystroke(flags);
}

}  // extern "C"
