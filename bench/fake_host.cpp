// The host services the new-name builder calls, faked at link time for the
// benchmark: every candidate name is free, answered from memory, so the
// figures measure the builder and not the file system.
#include "core/host_services.h"

extern "C" int QueryIsFileOrDirectory(const char16_t* /*path*/) { return 0; }
