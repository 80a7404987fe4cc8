// The host's key read, with every failure of it caught.
#pragma once

#include <cstdint>

// Reads one key with the host's GetKeystroke into *key. Returns 0, or -1 when
// the key read failed: whatever it raised has been caught, and nothing of it
// goes on to the host.
std::int32_t ReadHostKey(int flags, int* key);
