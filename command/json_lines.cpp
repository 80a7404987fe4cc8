#include "command/json_lines.h"

#include "command/diagnostics.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"
#include "platform/win32.h"
#include "plugin/entry_points.h"

namespace {

// ---- Writing. ----

constexpr char BASE64_DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char HEX_DIGITS[] = "0123456789abcdef";

void AppendUnsigned(std::string* line, std::uint64_t value) {
  char digits[20];
  char* first = digits + sizeof digits;
  do {
    *--first = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  line->append(first, static_cast<std::size_t>(digits + sizeof digits - first));
}

// At least width digits, zeros before the value's own.
void AppendPadded(std::string* line, unsigned value, unsigned width) {
  for (unsigned limit = 10; width > 1; --width, limit *= 10) {
    if (value < limit) {
      line->push_back('0');
    }
  }
  AppendUnsigned(line, value);
}

// A JSON string of UTF-8 bytes, or of ASCII code units: the quotation mark,
// the backslash and the control characters escaped, everything else as it
// is. Written through a pointer into room made once (six bytes a unit at
// most), since a journal line per rename must cost little next to the rename.
template <typename Unit>
void AppendString(std::string* line, const Unit* text, std::size_t count) {
  const std::size_t at = line->size();
  line->resize(at + 2 + 6 * count);
  char* out = line->data() + at;
  *out++ = '"';
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != '"' && byte != '\\') {
      *out++ = static_cast<char>(byte);
      continue;
    }
    *out++ = '\\';
    switch (byte) {
      case '"':
      case '\\':
        *out++ = static_cast<char>(byte);
        break;
      case '\n':
        *out++ = 'n';
        break;
      case '\r':
        *out++ = 'r';
        break;
      case '\t':
        *out++ = 't';
        break;
      default:
        *out++ = 'u';
        *out++ = '0';
        *out++ = '0';
        *out++ = HEX_DIGITS[byte >> 4];
        *out++ = HEX_DIGITS[byte & 0xF];
        break;
    }
  }
  *out++ = '"';
  line->resize(static_cast<std::size_t>(out - line->data()));
}

void AppendString(std::string* line, const char* text) { AppendString(line, text, std::char_traits<char>::length(text)); }

bool IsAscii(const char16_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] >= 0x80) {
      return false;
    }
  }
  return true;
}

void AppendBase64(std::string* line, const unsigned char* bytes, std::size_t count) {
  line->push_back('"');
  for (std::size_t i = 0; i < count; i += 3) {
    const std::uint32_t group = (static_cast<std::uint32_t>(bytes[i]) << 16) |
                                (i + 1 < count ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (i + 2 < count ? bytes[i + 2] : 0);
    line->push_back(BASE64_DIGITS[(group >> 18) & 63]);
    line->push_back(BASE64_DIGITS[(group >> 12) & 63]);
    line->push_back(i + 1 < count ? BASE64_DIGITS[(group >> 6) & 63] : '=');
    line->push_back(i + 2 < count ? BASE64_DIGITS[group & 63] : '=');
  }
  line->push_back('"');
}

bool IsUtf8(const std::string& bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t left = bytes.size(); left > 0;) {
    if (*at < 0x80) {
      ++at;
      --left;
      continue;
    }
    char32_t code = 0;
    const std::size_t length = ReadUtf8Sequence(at, left, &code);
    if (length == 0) {
      return false;
    }
    at += length;
    left -= length;
  }
  return true;
}

bool IsWellFormedUtf16(const char16_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (text[i] >= 0xD800 && text[i] <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

void AppendName(std::string* line, const char16_t* text) {
  const std::size_t length = TextLength(text);
  // Most names are ASCII: text as they stand, on every platform.
  if (IsAscii(text, length)) {
    line->append("{\"text\":");
    AppendString(line, text, length);
    line->push_back('}');
    return;
  }
  static std::string bytes;  // reused: a line per rename takes no allocation
  bytes.clear();
  AppendUtf8(&bytes, text, length);
  if (FILE_NAMES_ARE_BYTES ? IsUtf8(bytes) : IsWellFormedUtf16(text, length)) {
    line->append("{\"text\":");
    AppendString(line, bytes.data(), bytes.size());
  } else if (FILE_NAMES_ARE_BYTES) {
    line->append("{\"bytes\":");
    AppendBase64(line, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  } else {
    std::string units;
    for (std::size_t i = 0; i < length; ++i) {
      units.push_back(static_cast<char>(text[i] & 0xFF));
      units.push_back(static_cast<char>(text[i] >> 8));
    }
    line->append("{\"utf16le\":");
    AppendBase64(line, reinterpret_cast<const unsigned char*>(units.data()), units.size());
  }
  line->push_back('}');
}

// ,"key": before a field's value (every field but "type", which comes first).
template <std::size_t N>
void AppendKey(std::string* line, const char (&key)[N]) {
  const std::size_t at = line->size();
  line->resize(at + N + 3);
  char* out = line->data() + at;
  out[0] = ',';
  out[1] = '"';
  std::char_traits<char>::copy(out + 2, key, N - 1);
  out[N + 1] = '"';
  out[N + 2] = ':';
}

template <std::size_t N>
void AppendNumberField(std::string* line, const char (&key)[N], std::uint64_t value) {
  AppendKey(line, key);
  AppendUnsigned(line, value);
}

template <std::size_t N>
void AppendNameField(std::string* line, const char (&key)[N], const char16_t* name) {
  AppendKey(line, key);
  AppendName(line, name);
}

template <std::size_t N>
void AppendTextField(std::string* line, const char (&key)[N], const char16_t* text) {
  std::string bytes;
  AppendUtf8(&bytes, text, TextLength(text));
  AppendKey(line, key);
  AppendString(line, bytes.data(), bytes.size());
}

void AppendTally(std::string* line, const RenameTally& tally) {
  AppendNumberField(line, "found", tally.found);
  AppendNumberField(line, "fixed", tally.fixed);
  AppendNumberField(line, "failed", tally.failed);
  AppendNumberField(line, "skipped", tally.skipped);
}

// The directory's field, formed once for the renames of one directory.
void AppendDirectoryField(std::string* line, const char16_t* directory) {
  static std::u16string last;
  static std::string field;
  const std::size_t length = TextLength(directory);
  if (field.empty() || last.compare(0, std::u16string::npos, directory, length) != 0) {
    last.assign(directory, length);
    field.clear();
    AppendNameField(&field, "directory", directory);
  }
  line->append(field);
}

void AppendEntry(std::string* line, const RunEvent& event) {
  AppendDirectoryField(line, event.directory);
  AppendNameField(line, "old", event.name);
  if (event.newName != nullptr) {
    AppendNameField(line, "new", event.newName);
  }
  if (event.identityKnown) {
    AppendNumberField(line, "volume", event.identity.volume);
    AppendNumberField(line, "index", event.identity.index);
  }
}

// The line type of each event that has a line, or null.
const char* LineType(RunEventKind kind) {
  switch (kind) {
    case EVENT_RENAMING:
      return "rename";
    case EVENT_RENAMED:
      return "renamed";
    case EVENT_RENAME_FAILED:
    case EVENT_DEVICE_NAME:
      return "failed";
    case EVENT_PREVIEWED:
      return "previewed";
    case EVENT_DECLINED:
      return "skipped";
    case EVENT_QUIT:
      return "quit";
    case EVENT_NOT_UNDONE:
      return "not_undone";
    case EVENT_DIRECTORY_DONE:
      return "directory";
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      return "total";
    case EVENT_DIRECTORY_UNREADABLE:
    case EVENT_DIRECTORY_PASSED_OVER:
    case EVENT_SPEC_REFUSED:
    case EVENT_JOURNAL_PROBLEM:
      return nullptr;  // diagnostics: standard error tells them
  }
  return nullptr;
}

// ---- Reading. ----

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
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      char32_t low = 0;
      if (!TakeWord(cursor, "\\u") || !ReadHexUnit(cursor, &low) || low < 0xDC00 || low > 0xDFFF) {
        return false;
      }
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
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

void AppendUtf8(std::string* bytes, const char16_t* text, std::size_t length) {
  const std::size_t at = bytes->size();
  bytes->resize(at + 3 * length);
  const int count = length == 0 ? 0
                                : WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), bytes->data() + at,
                                                      static_cast<int>(3 * length), nullptr, nullptr);
  bytes->resize(at + (count > 0 ? static_cast<std::size_t>(count) : 0));
}

void AppendStartLine(std::string* line, const ReportSettings& settings) {
  line->append("{\"type\":\"start\"");
  AppendNumberField(line, "version", JOURNAL_VERSION);
  AppendKey(line, "program");
  line->push_back('"');
  AppendUtf8(line, PLUGIN_NAME, TextLength(PLUGIN_NAME));
  line->push_back(' ');
  AppendUnsigned(line, PLUGIN_MAJOR_VERSION);
  line->push_back('.');
  AppendUnsigned(line, PLUGIN_MINOR_VERSION);
  line->push_back('.');
  AppendUnsigned(line, PLUGIN_BUILD);
  line->push_back('"');
  AppendKey(line, "command");
  line->push_back('[');
  for (std::int32_t i = 0; i < settings.commandCount; ++i) {
    if (i > 0) {
      line->push_back(',');
    }
    AppendName(line, settings.command[i]);
  }
  line->push_back(']');
  char16_t directory[MAX_ARG_LEN];
  const DWORD length = GetFullPathNameW(u".", MAX_ARG_LEN, directory, nullptr);
  if (length > 0 && length < static_cast<DWORD>(MAX_ARG_LEN)) {
    AppendNameField(line, "directory", directory);
  }
  // UTC in ISO 8601: "2026-12-08T03:17:05.123Z".
  SYSTEMTIME now{};
  GetSystemTime(&now);
  const struct {
    unsigned value;
    unsigned width;
    char after;
  } parts[] = {{now.wYear, 4, '-'},   {now.wMonth, 2, '-'},  {now.wDay, 2, 'T'},          {now.wHour, 2, ':'},
               {now.wMinute, 2, ':'}, {now.wSecond, 2, '.'}, {now.wMilliseconds, 3, 'Z'}};
  AppendKey(line, "time");
  line->push_back('"');
  for (const auto& part : parts) {
    AppendPadded(line, part.value, part.width);
    line->push_back(part.after);
  }
  line->push_back('"');
  if (settings.preview) {
    line->append(",\"preview\":true");
  }
  if (settings.undone != nullptr) {
    AppendNameField(line, "undo", settings.undone);
  }
  line->append("}\n");
}

bool AppendEventLine(std::string* line, const RunEvent& event, std::uint32_t sequence, bool withEntry) {
  const char* type = LineType(event.kind);
  if (type == nullptr) {
    return false;
  }
  line->append("{\"type\":");
  AppendString(line, type);
  if (sequence != 0) {
    AppendNumberField(line, "seq", sequence);
  }
  switch (event.kind) {
    case EVENT_DIRECTORY_DONE:
      AppendNameField(line, "directory", event.directory);
      AppendNameField(line, "pattern", event.name);
      AppendTally(line, event.tally);
      break;
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      AppendTally(line, event.tally);
      break;
    default:
      if (withEntry) {
        AppendEntry(line, event);
      }
      break;
  }
  if (event.kind == EVENT_RENAME_FAILED) {
    char16_t message[ERROR_TEXT_LEN];
    SystemErrorText(event.code, message);
    AppendNumberField(line, "error", event.code);
    AppendTextField(line, "message", message);
  } else if (event.kind == EVENT_DEVICE_NAME) {
    AppendTextField(line, "message", u"The new name is a Windows device name, and no suffix may be added");
  } else if (event.kind == EVENT_NOT_UNDONE) {
    AppendKey(line, "reason");
    AppendString(line, event.reason == NOT_UNDONE_GONE ? "gone" : "replaced");
  }
  line->append("}\n");
  return true;
}

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
