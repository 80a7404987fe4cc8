// floor: the least work that cleaning a tree takes, for the tree benchmark.
//
//   floor [-n] DIRECTORY
//
// Renames every file below DIRECTORY whose name the fixed transform changes
// (-n: probes and shows, renames nothing). Rename lines go to standard output,
// a summary line to standard error. Exit status 0, 1 for bad usage, 2 when a
// directory could not be read or a rename failed.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "bench/floor.h"

int main(int argc, char** argv) {
  const bool dryRun = argc == 3 && std::strcmp(argv[1], "-n") == 0;
  if (argc != (dryRun ? 3 : 2) || argv[argc - 1][0] == '-') {
    std::fputs("usage: floor [-n] DIRECTORY\n", stderr);
    return 1;
  }
  FloorCounts counts{};
  const std::int32_t result = FloorWalk(argv[argc - 1], dryRun ? FLOOR_DRY_RUN : 0, STDOUT_FILENO, &counts);
  if (result < 0) {
    return 1;
  }
  std::fprintf(stderr, "floor: %u directories, %u files, %u changed, %u renamed, %u failed\n", counts.directories,
               counts.files, counts.changed, counts.renamed, counts.failed);
  return result;
}
