// mktree: makes a deterministic tree of empty files for the tree benchmark.
//
//   mktree [-s VARIANT] [-u PERCENT] -w DIRECTORIES FILES TARGET
//   mktree [-s VARIANT] [-u PERCENT] -d DEPTH FILES TARGET
//
// -w makes TARGET/d0000 ... each holding FILES files; -d makes a chain
// TARGET/c001/c002/... DEPTH directories deep, each holding FILES files.
// PERCENT of the file names (default 30) need cleaning; VARIANT defaults to 1.
// TARGET must not exist. Exit status 0, 1 for bad usage, 2 when making failed.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/mktree.h"

namespace {

std::int32_t Usage() {
  std::fputs(
      "usage: mktree [-s VARIANT] [-u PERCENT] -w DIRECTORIES FILES TARGET\n"
      "       mktree [-s VARIANT] [-u PERCENT] -d DEPTH FILES TARGET\n",
      stderr);
  return 1;
}

// Reads a whole decimal number no larger than limit. Returns 0, or -1.
std::int32_t ReadNumber(const char* text, std::uint64_t limit, std::uint64_t* value) {
  if (text == nullptr || *text < '0' || *text > '9') {
    return -1;
  }
  errno = 0;
  char* end = nullptr;
  const unsigned long long number = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || number > limit) {
    return -1;
  }
  *value = number;
  return 0;
}

void PrintCounts(const char* target, const TreeCounts& counts) {
  std::uint32_t untidy = counts.files - counts.byKind[NAME_TIDY];
  std::printf("%s: %u directories, %u files, %u untidy (", target, counts.directories, counts.files, untidy);
  for (std::int32_t kind = NAME_TIDY + 1; kind < TREE_NAME_KIND_COUNT; ++kind) {
    std::printf("%s%s %u", kind == NAME_TIDY + 1 ? "" : ", ", TreeNameKindLabel(kind), counts.byKind[kind]);
  }
  std::printf(")\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t variant = 1;
  std::uint64_t untidyPercent = 30;
  int argument = 1;
  for (; argument + 1 < argc && argv[argument][0] == '-'; argument += 2) {
    const char* option = argv[argument];
    const char* value = argv[argument + 1];
    if (std::strcmp(option, "-s") == 0 && ReadNumber(value, UINT64_MAX, &variant) == 0) {
      continue;
    }
    if (std::strcmp(option, "-u") == 0 && ReadNumber(value, 100, &untidyPercent) == 0) {
      continue;
    }
    break;
  }
  if (argc - argument != 4) {
    return Usage();
  }
  const char* mode = argv[argument];
  std::uint64_t count = 0;
  std::uint64_t files = 0;
  if (ReadNumber(argv[argument + 1], 10000, &count) != 0 || ReadNumber(argv[argument + 2], 1000000, &files) != 0) {
    return Usage();
  }
  const char* target = argv[argument + 3];
  TreeCounts counts;
  std::int32_t result = 0;
  if (std::strcmp(mode, "-w") == 0) {
    result = MakeWideTree(target, variant, static_cast<std::uint32_t>(untidyPercent), static_cast<std::uint32_t>(count),
                          static_cast<std::uint32_t>(files), &counts);
  } else if (std::strcmp(mode, "-d") == 0 && count <= 999) {
    result = MakeDeepTree(target, variant, static_cast<std::uint32_t>(untidyPercent), static_cast<std::uint32_t>(count),
                          static_cast<std::uint32_t>(files), &counts);
  } else {
    return Usage();
  }
  if (result != 0) {
    return 2;
  }
  PrintCounts(target, counts);
  return 0;
}
