// Checks the Windows-1252 table against glibc's published charmap.
#include <cstdio>
#include <map>

#include <gtest/gtest.h>

#include "cleaner/translation.h"

namespace {

constexpr const char* CHARMAP = "/usr/share/i18n/charmaps/CP1252.gz";

// byte -> code point, from lines such as "<U20AC>     /x80         EURO SIGN".
std::map<unsigned, unsigned> ReadCharmap() {
  std::map<unsigned, unsigned> rows;
  const std::string command = std::string("gzip -dc ") + CHARMAP;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return rows;
  }
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    unsigned code = 0;
    unsigned byte = 0;
    if (std::sscanf(line, "<U%x> /x%x", &code, &byte) == 2) {
      rows[byte] = code;
    }
  }
  pclose(pipe);
  return rows;
}

TEST(Cp1252Table, MatchesGlibcCharmap) {
  const std::map<unsigned, unsigned> rows = ReadCharmap();
  // 256 bytes less the five that Windows-1252 leaves undefined.
  ASSERT_EQ(rows.size(), 251u) << "could not read " << CHARMAP;
  for (unsigned byte = 0x80; byte <= 0x9F; ++byte) {
    const auto row = rows.find(byte);
    const unsigned entry = Cp1252Table[byte - 0x80];
    if (row == rows.end()) {
      EXPECT_EQ(entry, byte) << "undefined byte " << std::hex << byte << " must hold its own value";
    } else {
      EXPECT_EQ(entry, row->second) << "byte " << std::hex << byte;
    }
  }
  // Outside 0x80..0x9F the charmap is Latin-1, which the translation leaves alone.
  EXPECT_EQ(rows.at(0x41), 0x41u);
  EXPECT_EQ(rows.at(0xE9), 0xE9u);
}

}  // namespace
