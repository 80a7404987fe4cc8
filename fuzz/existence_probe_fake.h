// An in-memory stand-in for the host's existence probe, linked into the
// new-name fuzz target instead of the host: the target says which full paths
// exist, and how many probes in a row report "taken" before the list is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FakeExistence {
  std::vector<std::u16string> takenPaths;
  std::uint32_t probesTakenFirst;  // this many probes report "taken" whatever the path
  std::uint32_t probes;            // probes made so far
};

extern FakeExistence fakeExistence;
