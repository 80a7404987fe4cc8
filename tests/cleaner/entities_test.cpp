#include "cleaner/entities.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/host_services.h"

namespace {

std::u16string NameOf(const EntityEntry& entry) { return std::u16string(entry.name); }

TEST(EntityTable, ShapeAndOrder) {
  const char16_t* first[] = {u"quot", u"amp", u"lt", u"gt", u"nbsp", u"apos", u"vert"};
  const char16_t firstCodes[] = {0x22, 0x26, 0x3C, 0x3E, 0xA0, 0x27, 0x7C};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(NameOf(EntityTable[i]), first[i]);
    EXPECT_EQ(EntityTable[i].code, firstCodes[i]);
  }
  std::set<std::u16string> names;
  for (int i = 0; i < ENTITY_TABLE_SIZE; ++i) {
    const EntityEntry& entry = EntityTable[i];
    const std::u16string name = NameOf(entry);
    EXPECT_TRUE(names.insert(name).second) << "duplicate name at " << i;
    ASSERT_GE(name.size(), 1u);
    ASSERT_LE(name.size(), 8u);
    for (std::size_t k = name.size(); k < 9; ++k) {
      EXPECT_EQ(entry.name[k], 0) << "not NUL-padded at " << i;
    }
    EXPECT_FALSE(entry.code >= 0x80 && entry.code <= 0x9F) << i;
    EXPECT_LE(entry.code, 0x2666) << i;
    if (i > 7) {
      EXPECT_LE(EntityTable[i - 1].code, entry.code) << "not ascending at " << i;
    }
  }
  EXPECT_EQ(NameOf(EntityTable[ENTITY_TABLE_SIZE - 1]), u"diams");
  for (int i = 7; i < ENTITY_TABLE_SIZE; ++i) {
    if (NameOf(EntityTable[i]) == u"half") {
      EXPECT_EQ(NameOf(EntityTable[i - 1]), u"frac12");
    }
  }
}

TEST(DecodeEntity, RecognisesOrRejects) {
  struct Case {
    const char16_t* text;
    std::uint32_t code;  // 0: no entity
  };
  const Case cases[] = {
      {u"&amp;", 0x26},       {u"&AMP;", 0x26},       {u"&Amp;", 0x26},      {u"&QUOT;", 0x22},
      {u"&LT;", 0x3C},        {u"&GT;", 0x3E},        {u"&NBSP;", 0xA0},     {u"&APOS;", 0},
      {u"&VERT;", 0},         {u"&EACUTE;", 0},       {u"&Eacute;", 0xC9},   {u"&eacute;", 0xE9},
      {u"&apos;", 0x27},      {u"&vert;", 0x7C},      {u"&half;", 0xBD},     {u"&Zcaron;", 0x17D},
      {u"&thetasym;", 0x3D1}, {u"&#233;", 0xE9},      {u"&#xE9;", 0xE9},     {u"&#XE9;", 0xE9},
      {u"&#x0e9;", 0xE9},     {u"&#x0xE9;", 0xE9},    {u"&#x0XE9;", 0xE9},   {u"&#0233;", 0xE9},
      {u"&#0;", 0},           {u"&#x0;", 0},          {u"&#x110000;", 0},    {u"&#1114112;", 0},
      {u"&#4294967296;", 0},  {u"&#99999999999999999999;", 0},             {u"&#1114111;", 0x10FFFF},
      {u"&#x10FFFF;", 0x10FFFF}, {u"&#65;", 0x41},    {u"&#65 ;", 0},        {u"&#65a;", 0},
      {u"&#+65;", 0},         {u"&#0x41;", 0},        {u"&#x;", 0},          {u"&#x0x;", 0},
      {u"&#;", 0},            {u"&#128;", 0x20AC},    {u"&#x92;", 0x2019},   {u"&#129;", 0x81},
      {u"&#xD800;", 0xD800},  {u"&;", 0},             {u"&amp", 0},          {u"& amp;", 0},
      {u"&am p;", 0},         {u"&\u00E9;", 0},       {u"amp;", 0},          {u"&amp&lt;", 0},
  };
  for (const Case& c : cases) {
    std::size_t length = 99;
    EXPECT_EQ(DecodeEntity(c.text, &length), c.code) << testing::PrintToString(std::u16string(c.text));
    const std::size_t expectedLength = c.code == 0 ? 0 : std::u16string(c.text).find(u';') + 1;
    EXPECT_EQ(length, expectedLength) << testing::PrintToString(std::u16string(c.text));
  }
  EXPECT_EQ(DecodeEntity(u"&lt;", nullptr), 0x3Cu);
  EXPECT_EQ(DecodeEntity(u"&gt;"), 0x3Eu);  // the length is optional
}

TEST(DecodeEntity, CandidateNameLengthLimit) {
  // 1023 characters between '&' and ';' are looked up (and here form a valid
  // decimal reference); 1024 are not an entity.
  for (const std::size_t nameLength : {std::size_t{1023}, std::size_t{1024}}) {
    std::u16string text = u"&#" + std::u16string(nameLength - 3, u'0') + u"65;";
    std::size_t length = 0;
    EXPECT_EQ(DecodeEntity(text.c_str(), &length), nameLength == 1023 ? 0x41u : 0u) << nameLength;
  }
}

TEST(DecodeEntities, RewritesText) {
  struct Case {
    const char16_t* text;
    const char16_t* result;
    std::int32_t count;
  };
  const Case cases[] = {
      {u"", u"", 0},
      {u"plain name.txt", u"plain name.txt", 0},
      {u"&amp;", u"&", 1},
      {u"&amp&lt;", u"&amp<", 1},  // "amp&lt" is no name; scanning resumes after the first '&'
      {u"&&amp;", u"&&", 1},
      {u"&lt;&gt;", u"<>", 2},
      {u"a&#x1F600;b", u"a\U0001F600b", 1},
      {u"&#1114111;", u"\U0010FFFF", 1},
      {u"Tom &amp; Jerry&nosuch;.txt", u"Tom & Jerry&nosuch;.txt", 1},
  };
  for (const Case& c : cases) {
    std::vector<char16_t> buffer(MAX_ARG_LEN, 0);
    std::u16string(c.text).copy(buffer.data(), MAX_ARG_LEN - 1);
    EXPECT_EQ(DecodeEntities(buffer.data()), c.count) << testing::PrintToString(std::u16string(c.text));
    EXPECT_EQ(std::u16string(buffer.data()), c.result);
  }
}

TEST(DecodeEntities, TextThatCannotFitIsLeftUnchanged) {
  // Longer than any buffer of MAX_ARG_LEN may hold: the pass ends on overflow.
  std::vector<char16_t> buffer(MAX_ARG_LEN + 8, u'x');
  buffer[0] = u'&';
  buffer[1] = u'l';
  buffer[2] = u't';
  buffer[3] = u';';
  buffer[MAX_ARG_LEN + 7] = 0;
  const std::vector<char16_t> before = buffer;
  EXPECT_EQ(DecodeEntities(buffer.data()), ENTITIES_TOO_LONG);
  EXPECT_EQ(buffer, before);

  // The longest text a buffer holds fits, decoded or not.
  std::vector<char16_t> full(MAX_ARG_LEN, u'y');
  full[MAX_ARG_LEN - 1] = 0;
  EXPECT_EQ(DecodeEntities(full.data()), 0);
  EXPECT_EQ(std::u16string(full.data()).size(), std::size_t{MAX_ARG_LEN - 1});
  full[MAX_ARG_LEN - 5] = u'&';
  full[MAX_ARG_LEN - 4] = u'l';
  full[MAX_ARG_LEN - 3] = u't';
  full[MAX_ARG_LEN - 2] = u';';
  EXPECT_EQ(DecodeEntities(full.data()), 1);
  EXPECT_EQ(std::u16string(full.data()), std::u16string(MAX_ARG_LEN - 5, u'y') + u"<");

  // The longest text that fits, made of entities that each yield a pair of
  // surrogates, still fits when decoded.
  std::u16string longest;
  while (longest.size() + 10 <= MAX_ARG_LEN - 1) {
    longest += u"&#x1F600;";
  }
  std::vector<char16_t> fits(MAX_ARG_LEN, 0);
  longest.copy(fits.data(), MAX_ARG_LEN - 1);
  EXPECT_EQ(DecodeEntities(fits.data()), static_cast<std::int32_t>(longest.size() / 9));
}

}  // namespace
