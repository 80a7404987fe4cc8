// Reading the lines of command/json_lines.h back: a small JSON reader of
// exactly what undo needs from a journal line, which skips every other field
// and refuses what is not JSON.
#include <string>

#include "command/json_lines.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"
#include "platform/win32.h"

namespace {

struct Cursor {
  const char* at;
  const char* end;
};

// Values nest no deeper than this; a deeper line is no journal line.
constexpr int DEEPEST = 16;

void SkipBlanks(Cursor* cursor) {
  while (cursor->at < cursor->end &&
         (*cursor->at == ' ' || *cursor->at == '\t' || *cursor->at == '\r' || *cursor->at == '\n')) {
    ++cursor->at;
  }
}

bool Take(Cursor* cursor, char expected) {
  SkipBlanks(cursor);
  if (cursor->at < cursor->end && *cursor->at == expected) {
    ++cursor->at;
    return true;
  }
  return false;
}

bool TakeWord(Cursor* cursor, const char* word) {
  SkipBlanks(cursor);
  const std::size_t length = std::char_traits<char>::length(word);
  if (static_cast<std::size_t>(cursor->end - cursor->at) < length ||
      std::char_traits<char>::compare(cursor->at, word, length) != 0) {
    return false;
  }
  cursor->at += length;
  return true;
}

void AppendCodePoint(std::string* out, char32_t code) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool ReadHexUnit(Cursor* cursor, char32_t* unit) {
  if (cursor->end - cursor->at < 4) {
    return false;
  }
  *unit = 0;
  for (int i = 0; i < 4; ++i) {
    const char ch = *cursor->at++;
    const int digit = ch >= '0' && ch <= '9' ? ch - '0'
                      : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                      : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                               : -1;
    if (digit < 0) {
      return false;
    }
    *unit = *unit * 16 + static_cast<char32_t>(digit);
  }
  return true;
}

// A JSON string, its escapes undone, as UTF-8. A lone surrogate escape is
// refused: this schema writes text only where it is valid.
bool ReadString(Cursor* cursor, std::string* out) {
  if (!Take(cursor, '"')) {
    return false;
  }
  out->clear();
  while (cursor->at < cursor->end) {
    const char ch = *cursor->at++;
    if (ch == '"') {
      return true;
    }
    if (static_cast<unsigned char>(ch) < 0x20) {
      return false;
    }
    if (ch != '\\') {
      out->push_back(ch);
      continue;
    }
    if (cursor->at == cursor->end) {
      return false;
    }
    const char escaped = *cursor->at++;
    static constexpr char SIMPLE[] = "\"\\/bfnrt";
    static constexpr char MEANS[] = "\"\\/\b\f\n\r\t";
    const char* simple = std::char_traits<char>::find(SIMPLE, 8, escaped);
    if (simple != nullptr) {
      out->push_back(MEANS[simple - SIMPLE]);
      continue;
    }
    char32_t unit = 0;
    if (escaped != 'u' || !ReadHexUnit(cursor, &unit)) {
      return false;
    }
    // Four hex digits: a code unit, never above U+FFFF.
    if (IsHighSurrogate(static_cast<char16_t>(unit))) {
      char32_t low = 0;
      if (!TakeWord(cursor, "\\u") || !ReadHexUnit(cursor, &low) || !IsLowSurrogate(static_cast<char16_t>(low))) {
        return false;
      }
      unit = CodePointOfPair(static_cast<char16_t>(unit), static_cast<char16_t>(low));
    } else if (IsLowSurrogate(static_cast<char16_t>(unit))) {
      return false;
    }
    AppendCodePoint(out, unit);
  }
  return false;
}

bool ReadUnsigned(Cursor* cursor, std::uint64_t* value) {
  SkipBlanks(cursor);
  if (cursor->at == cursor->end || *cursor->at < '0' || *cursor->at > '9') {
    return false;
  }
  *value = 0;
  while (cursor->at < cursor->end && *cursor->at >= '0' && *cursor->at <= '9') {
    const std::uint64_t digit = static_cast<std::uint64_t>(*cursor->at++ - '0');
    if (*value > (UINT64_MAX - digit) / 10) {
      return false;
    }
    *value = *value * 10 + digit;
  }
  return true;
}

bool SkipValue(Cursor* cursor, int depth);

// The members of an object or array after its opening bracket, to its close.
bool SkipMembers(Cursor* cursor, char close, bool keyed, int depth) {
  if (Take(cursor, close)) {
    return true;
  }
  std::string key;
  do {
    if (keyed && (!ReadString(cursor, &key) || !Take(cursor, ':'))) {
      return false;
    }
    if (!SkipValue(cursor, depth + 1)) {
      return false;
    }
  } while (Take(cursor, ','));
  return Take(cursor, close);
}

bool SkipNumber(Cursor* cursor) {
  SkipBlanks(cursor);
  const char* start = cursor->at;
  auto digits = [cursor]() {
    const char* first = cursor->at;
    while (cursor->at < cursor->end && *cursor->at >= '0' && *cursor->at <= '9') ++cursor->at;
    return cursor->at > first;
  };
  if (cursor->at < cursor->end && *cursor->at == '-') ++cursor->at;
  if (!digits()) return false;
  if (cursor->at < cursor->end && *cursor->at == '.') {
    ++cursor->at;
    if (!digits()) return false;
  }
  if (cursor->at < cursor->end && (*cursor->at == 'e' || *cursor->at == 'E')) {
    ++cursor->at;
    if (cursor->at < cursor->end && (*cursor->at == '+' || *cursor->at == '-')) ++cursor->at;
    if (!digits()) return false;
  }
  return cursor->at > start;
}

bool SkipValue(Cursor* cursor, int depth) {
  if (depth > DEEPEST) {
    return false;
  }
  SkipBlanks(cursor);
  if (cursor->at == cursor->end) {
    return false;
  }
  std::string text;
  switch (*cursor->at) {
    case '"':
      return ReadString(cursor, &text);
    case '{':
      ++cursor->at;
      return SkipMembers(cursor, '}', true, depth);
    case '[':
      ++cursor->at;
      return SkipMembers(cursor, ']', false, depth);
    case 't':
      return TakeWord(cursor, "true");
    case 'f':
      return TakeWord(cursor, "false");
    case 'n':
      return TakeWord(cursor, "null");
    default:
      return SkipNumber(cursor);
  }
}

int Base64Digit(char ch) {
  const char* found = std::char_traits<char>::find(BASE64_DIGITS, 64, ch);
  return found == nullptr || ch == 0 ? -1 : static_cast<int>(found - BASE64_DIGITS);
}

bool DecodeBase64(const std::string& text, std::string* bytes) {
  bytes->clear();
  if (text.size() % 4 != 0) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    const int padding = last && text[i + 3] == '=' ? (text[i + 2] == '=' ? 2 : 1) : 0;
    std::uint32_t group = 0;
    for (int j = 0; j < 4; ++j) {
      const int digit = j >= 4 - padding ? 0 : Base64Digit(text[i + static_cast<std::size_t>(j)]);
      if (digit < 0) {
        return false;
      }
      group = (group << 6) | static_cast<std::uint32_t>(digit);
    }
    bytes->push_back(static_cast<char>(group >> 16));
    if (padding < 2) bytes->push_back(static_cast<char>((group >> 8) & 0xFF));
    if (padding < 1) bytes->push_back(static_cast<char>(group & 0xFF));
  }
  return true;
}

// Bytes as the engine's text: on POSIX exactly (a byte that is no UTF-8
// becomes the code unit that carries it).
std::u16string TextOfUtf8(const std::string& bytes) {
  std::u16string text(bytes.size(), u'\0');
  const int count = bytes.empty() ? 0
                                  : MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                        text.data(), static_cast<int>(text.size()));
  text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return text;
}

// A name object: {"text":...}, {"bytes":...} or {"utf16le":...}.
bool ReadName(Cursor* cursor, std::u16string* name) {
  std::string form;
  std::string value;
  if (!Take(cursor, '{') || !ReadString(cursor, &form) || !Take(cursor, ':') || !ReadString(cursor, &value) ||
      !Take(cursor, '}')) {
    return false;
  }
  if (form == "text") {
    *name = TextOfUtf8(value);
    return true;
  }
  std::string bytes;
  if (!DecodeBase64(value, &bytes)) {
    return false;
  }
  if (form == "bytes") {
    *name = TextOfUtf8(bytes);
    return true;
  }
  if (form != "utf16le" || bytes.size() % 2 != 0) {
    return false;
  }
  name->clear();
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    name->push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return true;
}

// The value of one field of a line, into the line's record when undo reads it.
bool ReadField(Cursor* cursor, const std::string& key, JournalLine* line, bool* volumeSeen, bool* indexSeen) {
  if (key == "type") {
    return ReadString(cursor, &line->type);
  }
  if (key == "version") {
    return ReadUnsigned(cursor, &line->version);
  }
  if (key == "seq") {
    return ReadUnsigned(cursor, &line->sequence);
  }
  if (key == "volume") {
    *volumeSeen = true;
    return ReadUnsigned(cursor, &line->identity.volume);
  }
  if (key == "index") {
    *indexSeen = true;
    return ReadUnsigned(cursor, &line->identity.index);
  }
  if (key == "born") {
    return ReadUnsigned(cursor, &line->identity.born);
  }
  if (key == "directory") {
    line->hasDirectory = true;
    return ReadName(cursor, &line->directory);
  }
  if (key == "old") {
    line->hasOld = true;
    return ReadName(cursor, &line->oldName);
  }
  if (key == "new") {
    line->hasNew = true;
    return ReadName(cursor, &line->newName);
  }
  return SkipValue(cursor, 1);
}

}  // namespace

std::int32_t ParseJournalLine(const char* text, std::size_t length, JournalLine* line) {
  *line = JournalLine{};
  Cursor cursor{text, text + length};
  bool volumeSeen = false;
  bool indexSeen = false;
  if (!Take(&cursor, '{')) {
    return -1;
  }
  if (!Take(&cursor, '}')) {
    std::string key;
    do {
      if (!ReadString(&cursor, &key) || !Take(&cursor, ':') ||
          !ReadField(&cursor, key, line, &volumeSeen, &indexSeen)) {
        return -1;
      }
    } while (Take(&cursor, ','));
    if (!Take(&cursor, '}')) {
      return -1;
    }
  }
  SkipBlanks(&cursor);
  line->hasIdentity = volumeSeen && indexSeen;
  return cursor.at == cursor.end && !line->type.empty() ? 0 : -1;
}
