// How the frame handler is installed, and why this way.
//
// On x64 Windows exception handling is table-based: a frame has a handler only
// when the unwind information of its function names one. GCC gives no
// __try/__except, and MinGW-w64's __try1/__except1 macros place fixed labels
// with inline asm into a C++ function whose own unwind information GCC also
// writes, which breaks as soon as the compiler moves code or the macros are
// used twice in one file. A vectored handler is called for every exception of
// the process before any frame handler: it would take exceptions that the
// host handles for itself inside its key read, and it has no frame to resume.
//
// So the guarded frame is a small function written in assembly, with its own
// prologue and unwind directives and its handler named by .seh_handler. The
// handler does what __except does: in the search pass it asks the system to
// unwind every frame above this one (running their cleanups) and to resume
// after the call instruction with 1 in eax.
#include "platform/windows/structured_handler.h"

extern "C" {

int PurifileGuardedCall(void (*call)(void*), void* context, DWORD* exceptionCode);
void PurifileGuardedCallResumes();
EXCEPTION_DISPOSITION PurifileGuardedCallHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                 CONTEXT* context, DISPATCHER_CONTEXT* dispatcher);

}  // extern "C"

// Frame after the prologue: 32 bytes of home space for the callee, then the
// exceptionCode pointer at 32, where the handler finds it from the
// establisher frame (the stack pointer after the prologue). The 40 bytes keep
// the stack 16-byte aligned at the call.
asm(R"(
  .text
  .p2align 4
  .def PurifileGuardedCall; .scl 2; .type 32; .endef
  .seh_proc PurifileGuardedCall
PurifileGuardedCall:
  subq $40, %rsp
  .seh_stackalloc 40
  .seh_endprologue
  movq %r8, 32(%rsp)
  movq %rcx, %rax
  movq %rdx, %rcx
  callq *%rax
  xorl %eax, %eax
PurifileGuardedCallResumes:
  addq $40, %rsp
  retq
  .seh_handler PurifileGuardedCallHandler, @except
  .seh_endproc
)");

namespace {

// GCC's own exceptions: a throw, and the two it raises while unwinding.
bool IsThisRuntimesException(DWORD code) {
  return code == 0x20474343 || code == 0x21474343 || code == 0x22474343;
}

constexpr DWORD UNWINDING = EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND | EXCEPTION_TARGET_UNWIND;

}  // namespace

EXCEPTION_DISPOSITION PurifileGuardedCallHandler(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT*,
                                                 DISPATCHER_CONTEXT* dispatcher) {
  if ((record->ExceptionFlags & UNWINDING) != 0 || IsThisRuntimesException(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  DWORD* exceptionCode = *reinterpret_cast<DWORD**>(static_cast<char*>(establisherFrame) + 32);
  *exceptionCode = record->ExceptionCode;
  RtlUnwindEx(establisherFrame, reinterpret_cast<void*>(&PurifileGuardedCallResumes), record,
              reinterpret_cast<void*>(1), dispatcher->ContextRecord, dispatcher->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes in the guarded frame
}

int CallUnderStructuredHandler(void (*call)(void*), void* context, DWORD* exceptionCode) {
  *exceptionCode = 0;
  return PurifileGuardedCall(call, context, exceptionCode);
}
