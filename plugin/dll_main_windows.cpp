// The library's load and unload notifications. The plug-in keeps no state that
// would need setting up or tearing down per process or thread, so every
// notification simply reports success.
#include "platform/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
