// Windows only: a call under a structured exception handler of its own frame.
#pragma once

#include "platform/win32.h"

// Calls call(context). Returns 0 when it returned normally. When a structured
// exception that nothing inside the call handles is raised while it runs (an
// access violation, RaiseException with any code, a Microsoft C++ throw),
// the stack is unwound to this frame, the exception's code is stored in
// *exceptionCode, and 1 is returned: the exception goes no further.
//
// C++ exceptions of this program's own runtime pass through untouched, to be
// caught by a C++ handler around the call: that handler, not this one, knows
// how to destroy the thrown object.
int CallUnderStructuredHandler(void (*call)(void*), void* context, DWORD* exceptionCode);
