#include "fuzz/existence_probe_fake.h"

#include "core/host_services.h"

FakeExistence fakeExistence;

extern "C" int QueryIsFileOrDirectory(const char16_t* path) {
  ++fakeExistence.probes;
  if (fakeExistence.probes <= fakeExistence.probesTakenFirst) {
    return 1;
  }
  for (const std::u16string& taken : fakeExistence.takenPaths) {
    if (taken == path) {
      return 1;
    }
  }
  return 0;
}
