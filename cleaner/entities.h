// Decoding of HTML character entities in a name (option /H).
#pragma once

#include <cstddef>
#include <cstdint>

// One named character entity: the character it denotes and its name of 1 to 8
// ASCII letters and digits, NUL-padded.
struct EntityEntry {
  std::uint16_t code;
  char16_t name[9];
};

constexpr std::int32_t ENTITY_TABLE_SIZE = 257;

// The 252 character entities of HTML 4.01 (HTMLlat1, HTMLsymbol, HTMLspecial)
// plus apos, vert, half, Zcaron and zcaron. Entries 0..4 are quot, amp, lt, gt
// and nbsp, the only names also recognised without regard to ASCII case;
// entries 5 and 6 are apos and vert; the rest follow in ascending order of code.
extern const EntityEntry EntityTable[ENTITY_TABLE_SIZE];

// Recognises one entity at text, which points at a candidate '&': a name from
// EntityTable, or a decimal (&#233;) or hexadecimal (&#xE9;, &#x0xE9;) reference
// to a code point from 1 to U+10FFFF, closed by ';'. Numeric values 0x80..0x9F
// are read as Windows-1252 bytes. Returns the code point, or 0 when no entity
// starts here. length, when given, receives the entity's length in code units
// with its '&' and ';' (0 when there is none); it may be left out. The text is
// never modified.
std::uint32_t DecodeEntity(const char16_t* text, std::size_t* length = nullptr);

// Results of DecodeEntities besides the count of entities decoded.
constexpr std::int32_t ENTITIES_TOO_LONG = -2;  // the decoded text would not fit MAX_ARG_LEN
constexpr std::int32_t ENTITIES_NO_MEMORY = -3;  // no work buffer could be had

// Rewrites text, a NUL-terminated string in a buffer of MAX_ARG_LEN code units,
// with every entity replaced by its character (a pair of surrogates above
// U+FFFF). What is no entity is copied unchanged; after an '&' that starts no
// entity, scanning resumes at the next code unit. Returns the number of entities
// decoded; on a negative result the text is unchanged. Takes one work buffer
// from the heap and releases it before returning.
std::int32_t DecodeEntities(char16_t* text);
