// The built-in host's key read reports a terminal that is gone, or Ctrl+C, by
// throwing; nothing else can come out of it here.
#include "walker/key_read.h"

#include "core/host_services.h"

std::int32_t ReadHostKey(int flags, int* key) {
  try {
    *key = GetKeystroke(flags);
  } catch (...) {
    return -1;
  }
  return 0;
}
