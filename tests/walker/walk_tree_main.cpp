// walk_tree DIRECTORY PATTERN [OPTIONS]: one WalkDirectory call, for measuring
// a walk (time, peak memory) without the command's argument handling.
// OPTIONS is the option word in hexadecimal. Prints the tally and result.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/options.h"
#include "command/tally.h"
#include "walker/walker.h"

namespace {

std::u16string Widen(const char* text) {
  std::u16string wide;
  for (; *text != '\0'; ++text) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
  }
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: walk_tree DIRECTORY/ PATTERN [OPTIONS-HEX]  (ASCII paths)\n");
    return 1;
  }
  const std::u16string directory = Widen(argv[1]);
  const std::u16string pattern = Widen(argv[2]);
  OptionFlags options = argc > 3 ? static_cast<OptionFlags>(std::strtoul(argv[3], nullptr, 16)) : 0;
  RenameTally tally{0, 0, 0, 0};
  const std::int32_t result = WalkDirectory(directory.c_str(), pattern.c_str(), &options, nullptr, nullptr, &tally);
  std::fprintf(stderr, "found %u fixed %u skipped %u failed %u result %d\n", tally.found, tally.fixed,
               tally.skipped, tally.failed, result);
  return result < 0 ? 3 : result;
}
