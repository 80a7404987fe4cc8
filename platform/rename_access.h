// Whether the renames in a directory can succeed, asked once for a directory
// by a preview that shows what its real run would give.
//
// On POSIX one faccessat(W_OK | X_OK, AT_EACCESS) tells the three reasons a
// directory refuses every rename in it: no write permission (EACCES), a
// read-only mount (EROFS), an immutable directory (EPERM). On Windows a
// directory's read-only attribute stops no rename in it, and the rights
// that would are the system's to tell when a rename is tried: the answer is
// always that renames may succeed.
#pragma once

#include "platform/system_error.h"

// The failure every rename in directory (a full path ending in its
// separator) would meet, or {0, 0} when they may succeed. A directory that
// cannot be asked (gone, its path too long) is left for the renames to tell.
SystemFailure RenamesRefusedIn(const char16_t* directory);
