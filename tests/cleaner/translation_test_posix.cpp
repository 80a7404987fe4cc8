// Checks the code-page tables against glibc's published charmaps, and the Mac
// private-use table against the one Samba serves those clients with.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "cleaner/mojibake.h"
#include "cleaner/private_use.h"
#include "cleaner/translation.h"

namespace {

// byte -> code point, from lines such as "<U20AC>     /x80         EURO SIGN".
std::map<unsigned, unsigned> ReadCharmap(const std::string& charmap) {
  std::map<unsigned, unsigned> rows;
  const std::string command = "gzip -dc " + charmap;
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
  const std::string charmap = "/usr/share/i18n/charmaps/CP1252.gz";
  const std::map<unsigned, unsigned> rows = ReadCharmap(charmap);
  // 256 bytes less the five that Windows-1252 leaves undefined.
  ASSERT_EQ(rows.size(), 251u) << "could not read " << charmap;
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

TEST(Cp437Table, MatchesGlibcCharmap) {
  const std::string charmap = "/usr/share/i18n/charmaps/IBM437.gz";
  const std::map<unsigned, unsigned> rows = ReadCharmap(charmap);
  ASSERT_EQ(rows.size(), 256u) << "could not read " << charmap;
  for (unsigned byte = 0; byte < 0x80; ++byte) {
    EXPECT_EQ(rows.at(byte), byte) << "the lower half is ASCII, byte " << std::hex << byte;
  }
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    EXPECT_EQ(Cp437Table[byte - 0x80], rows.at(byte)) << "byte " << std::hex << byte;
  }
}

// Samba's vfs_fruit holds the mapping as one string of "0xCC:0xF0NN" pairs
// (fruit_catia_maps); it is read out of the module Debian ships.
TEST(MacStandInTable, MatchesSambaFruitMapping) {
  const std::string module = "/usr/lib/x86_64-linux-gnu/samba/vfs/fruit.so";
  std::ifstream file(module, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::size_t start = bytes.find("0x01:0xf001,");
  ASSERT_NE(start, std::string::npos) << "no mapping found in " << module;
  const std::string mapping = bytes.substr(start, bytes.find('\0', start) - start);
  std::size_t pairs = 0;
  for (std::size_t at = 0; at < mapping.size(); at = mapping.find(',', at) + 1) {
    unsigned character = 0;
    unsigned standIn = 0;
    ASSERT_EQ(std::sscanf(mapping.c_str() + at, "0x%x:0x%x", &character, &standIn), 2) << mapping.substr(at);
    ++pairs;
    ASSERT_GE(standIn, FIRST_MAC_STAND_IN);
    ASSERT_LT(standIn, FIRST_MAC_STAND_IN + MAC_STAND_IN_COUNT);
    EXPECT_EQ(MacStandInTable[standIn - FIRST_MAC_STAND_IN], character) << std::hex << standIn;
    if (mapping.find(',', at) == std::string::npos) {
      break;
    }
  }
  // U+F001..U+F027; the blank and the full stop at the end come from the SMB clients.
  EXPECT_EQ(pairs, 39u);
  EXPECT_EQ(MacStandInTable[0xF028 - FIRST_MAC_STAND_IN], u' ');
  EXPECT_EQ(MacStandInTable[0xF029 - FIRST_MAC_STAND_IN], u'.');
}

}  // namespace
