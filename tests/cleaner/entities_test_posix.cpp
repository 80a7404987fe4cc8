// Checks the entity table against the W3C entity sets of HTML 4.01
// (Debian's w3c-sgml-lib).
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cleaner/entities.h"

namespace {

constexpr const char* ENTITY_DIR = "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-html401-19991224/";

// name -> code, from declarations such as <!ENTITY nbsp   CDATA "&#160;" -- ...
std::map<std::string, unsigned> ReadEntitySet(const std::string& file) {
  std::ifstream in(ENTITY_DIR + file);
  std::stringstream text;
  text << in.rdbuf();
  const std::string content = text.str();
  static const std::regex declaration(R"re(<!ENTITY\s+([A-Za-z0-9]+)\s+CDATA\s+"&#([0-9]+);")re");
  std::map<std::string, unsigned> entities;
  for (std::sregex_iterator it(content.begin(), content.end(), declaration), end; it != end; ++it) {
    entities[(*it)[1].str()] = static_cast<unsigned>(std::stoul((*it)[2].str()));
  }
  return entities;
}

std::string Narrow(const char16_t* name) {
  std::string narrow;
  for (; *name != 0; ++name) {
    narrow.push_back(static_cast<char>(*name));
  }
  return narrow;
}

TEST(EntityTable, HoldsExactlyTheHtml401EntitiesAndFiveMore) {
  std::map<std::string, unsigned> html;
  const struct {
    const char* file;
    std::size_t count;
  } sets[] = {{"HTMLlat1.ent", 96}, {"HTMLsymbol.ent", 124}, {"HTMLspecial.ent", 32}};
  for (const auto& set : sets) {
    const auto entities = ReadEntitySet(set.file);
    ASSERT_EQ(entities.size(), set.count) << "could not read " << ENTITY_DIR << set.file;
    html.insert(entities.begin(), entities.end());
  }
  ASSERT_EQ(html.size(), 252u);

  std::map<std::string, unsigned> extras = {
      {"apos", 0x27}, {"vert", 0x7C}, {"half", 0xBD}, {"Zcaron", 0x17D}, {"zcaron", 0x17E}};
  std::map<std::string, unsigned> table;
  for (const EntityEntry& entry : EntityTable) {
    table[Narrow(entry.name)] = entry.code;
  }
  ASSERT_EQ(table.size(), 257u);
  for (const auto& [name, code] : html) {
    ASSERT_TRUE(table.count(name)) << name << " is missing";
    EXPECT_EQ(table[name], code) << name;
    // Appended rather than formed by "literal + string", which GCC 12 at -O3
    // takes for an overlapping copy (-Wrestrict).
    std::u16string reference = u"&";
    reference.append(name.begin(), name.end()).append(u";");
    EXPECT_EQ(DecodeEntity(reference.c_str(), nullptr), code) << name;
  }
  for (const auto& [name, code] : extras) {
    EXPECT_EQ(table[name], code) << name;
    EXPECT_FALSE(html.count(name)) << name;
  }
}

}  // namespace
