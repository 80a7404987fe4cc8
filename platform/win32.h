// The engine's one door to the operating system: the Windows functions it calls,
// under their Windows names and meanings.
//
// On Windows this is the real <windows.h> plus char16_t overloads (the engine's
// text is char16_t, Windows spells it wchar_t; both are UTF-16 there). Elsewhere
// it declares the small subset the engine and the built-in host use, implemented
// over POSIX in platform/posix/. The choice is made here, at build time, and
// nowhere else.
#pragma once

#if defined(_WIN32)
#include "platform/windows/win32_api.h"
#else
#include "platform/posix/win32_api.h"
#endif

// Beyond the Windows names, the same calls on every platform: the identity of a
// file, and an error in the platform's own terms.
#include "platform/file_identity.h"
#include "platform/system_error.h"
