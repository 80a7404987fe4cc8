#include "cleaner/entities.h"

#include <memory>
#include <new>

#include "cleaner/char_classes.h"
#include "cleaner/translation.h"
#include "core/host_services.h"

namespace {

// A candidate name may hold at most this many code units between '&' and ';'.
constexpr std::size_t MAX_ENTITY_NAME = 1023;
// Longest name in EntityTable; longer candidates cannot match an entry.
constexpr std::size_t MAX_TABLE_NAME = 8;
// Entries 0..4 (quot, amp, lt, gt, nbsp) also match without regard to ASCII case.
constexpr std::int32_t CASE_FREE_ENTRIES = 5;
constexpr std::uint32_t MAX_CODE_POINT = 0x10FFFF;

bool IsAsciiDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }

// Reads digits[0..count) in the given base. Returns 0 when there are no digits,
// when any code unit is not a digit of that base, or when the value is above
// U+10FFFF (however many digits it has), so every rejection looks like "no entity".
std::uint32_t ReadCodePoint(const char16_t* digits, std::size_t count, std::uint32_t base) {
  if (count == 0) {
    return 0;
  }
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t digit = base == 10 ? (IsAsciiDigit(digits[i]) ? digits[i] - u'0' : -1)
                                          : HexDigitValue(digits[i]);
    if (digit < 0) {
      return 0;
    }
    value = value * base + static_cast<std::uint32_t>(digit);
    if (value > MAX_CODE_POINT) {
      return 0;  // also stops the value before it could wrap around 32 bits
    }
  }
  return value;
}

// The value of a numeric reference "#digits" or "#x[0x]hexdigits" (name without
// '&' and ';'), or 0 when it is none. isNumeric tells whether the name had the
// form that commits it to a numeric reading, in which case no table lookup follows.
std::uint32_t NumericReference(const char16_t* name, std::size_t length, bool* isNumeric) {
  *isNumeric = false;
  if (name[0] != u'#') {
    return 0;
  }
  std::uint32_t value = 0;
  if (IsAsciiDigit(name[1])) {
    *isNumeric = true;
    value = ReadCodePoint(name + 1, length - 1, 10);
  } else if ((name[1] == u'x' || name[1] == u'X') && HexDigitValue(name[2]) >= 0) {
    *isNumeric = true;
    std::size_t start = 2;
    if (name[2] == u'0' && (name[3] == u'x' || name[3] == u'X')) {
      start = 4;  // the optional "0x" after "#x"
    }
    value = ReadCodePoint(name + start, length - start, 16);
  }
  if (value >= 0x80 && value <= 0x9F) {
    value = Cp1252Table[value - 0x80];
  }
  return value;
}

bool SameName(const char16_t* name, std::size_t length, const char16_t* entryName, bool ignoreCase) {
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t a = ignoreCase ? ToUpperAscii(name[i]) : name[i];
    const char16_t b = ignoreCase ? ToUpperAscii(entryName[i]) : entryName[i];
    if (a != b) {
      return false;
    }
  }
  return entryName[length] == 0;
}

std::uint32_t NamedEntity(const char16_t* name, std::size_t length) {
  if (length > MAX_TABLE_NAME) {
    return 0;
  }
  for (const EntityEntry& entry : EntityTable) {
    if (entry.name[0] == name[0] && SameName(name, length, entry.name, false)) {
      return entry.code;
    }
  }
  for (std::int32_t i = 0; i < CASE_FREE_ENTRIES; ++i) {
    if (SameName(name, length, EntityTable[i].name, true)) {
      return EntityTable[i].code;
    }
  }
  return 0;
}

}  // namespace

std::uint32_t DecodeEntity(const char16_t* text, std::size_t* length) {
  if (length != nullptr) {
    *length = 0;
  }
  if (text[0] != u'&') {
    return 0;
  }
  // The name is everything up to the first ';', read in place: plain ASCII only,
  // at most MAX_ENTITY_NAME code units, and the text must not end before the ';'.
  const char16_t* name = text + 1;
  std::size_t nameLength = 0;
  for (; name[nameLength] != u';'; ++nameLength) {
    const char16_t ch = name[nameLength];
    if (ch == 0 || ch > 0x7F || nameLength == MAX_ENTITY_NAME) {
      return 0;
    }
  }
  if (nameLength == 0) {
    return 0;
  }
  bool isNumeric = false;
  std::uint32_t code = NumericReference(name, nameLength, &isNumeric);
  if (!isNumeric) {
    code = NamedEntity(name, nameLength);
  }
  if (code != 0 && length != nullptr) {
    *length = nameLength + 2;
  }
  return code;
}

std::int32_t DecodeEntities(char16_t* text) {
  const std::unique_ptr<char16_t[]> work(new (std::nothrow) char16_t[MAX_ARG_LEN]);
  if (!work) {
    return ENTITIES_NO_MEMORY;
  }
  constexpr std::size_t capacity = MAX_ARG_LEN - 1;  // one slot stays for the terminator
  std::size_t read = 0;
  std::size_t written = 0;
  std::int32_t count = 0;
  while (text[read] != 0) {
    std::size_t entityLength = 0;
    const std::uint32_t code = text[read] == u'&' ? DecodeEntity(text + read, &entityLength) : 0;
    const std::size_t needed = code > 0xFFFF ? 2 : 1;
    if (written + needed > capacity) {
      return ENTITIES_TOO_LONG;  // the text itself has not been touched yet
    }
    if (code == 0) {
      work[written++] = text[read++];
    } else if (code <= 0xFFFF) {
      work[written++] = static_cast<char16_t>(code);
      read += entityLength;
      ++count;
    } else {
      const std::uint32_t offset = code - 0x10000;
      work[written++] = static_cast<char16_t>(0xD800 | (offset >> 10));
      work[written++] = static_cast<char16_t>(0xDC00 | (offset & 0x3FF));
      read += entityLength;
      ++count;
    }
  }
  for (std::size_t i = 0; i < written; ++i) {
    text[i] = work[i];
  }
  text[written] = 0;
  return count;
}
