#include "command/json_lines.h"

#include <string>
#include <vector>

#include "command/diagnostics.h"
#include "platform/utf16_text.h"
#include "platform/utf8_sequence.h"
#include "platform/win32.h"
#include "core/version.h"

namespace {

// ---- Writing. ----
//
// A line is written through a pointer into room made once for its longest
// form, rather than appended to a character at a time: the journal writes a
// line per rename, which must cost little next to the rename. A name takes at
// most MOST_BYTES_A_UNIT bytes a code unit (three bytes of UTF-8, each
// escaped as \u00XX); everything else of a line fits FIXED_ROOM.

constexpr std::size_t MOST_BYTES_A_UNIT = 18;
constexpr std::size_t FIXED_ROOM = 512;

constexpr char HEX_DIGITS[] = "0123456789abcdef";

char* MakeRoom(std::string* line, std::size_t most) {
  const std::size_t at = line->size();
  line->resize(at + most);
  return line->data() + at;
}

// Ends the line written into the room at end.
void CloseRoom(std::string* line, const char* end) { line->resize(static_cast<std::size_t>(end - line->data())); }

template <std::size_t N>
char* Put(char* out, const char (&text)[N]) {
  std::char_traits<char>::copy(out, text, N - 1);
  return out + N - 1;
}

char* Put(char* out, const std::string& text) {
  std::char_traits<char>::copy(out, text.data(), text.size());
  return out + text.size();
}

char* PutText(char* out, const char* text) {
  const std::size_t length = std::char_traits<char>::length(text);
  std::char_traits<char>::copy(out, text, length);
  return out + length;
}

char* PutUnsigned(char* out, std::uint64_t value) {
  char digits[20];
  char* first = digits + sizeof digits;
  do {
    *--first = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  const std::size_t count = static_cast<std::size_t>(digits + sizeof digits - first);
  std::char_traits<char>::copy(out, first, count);
  return out + count;
}

// At least width digits, zeros before the value's own.
char* PutPadded(char* out, unsigned value, unsigned width) {
  for (unsigned limit = 10; width > 1; --width, limit *= 10) {
    if (value < limit) {
      *out++ = '0';
    }
  }
  return PutUnsigned(out, value);
}

// A JSON string of UTF-8 bytes, or of ASCII code units: the quotation mark,
// the backslash and the control characters escaped, everything else as it is.
template <typename Unit>
char* PutString(char* out, const Unit* text, std::size_t count) {
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
        out = Put(out, "u00");
        *out++ = HEX_DIGITS[byte >> 4];
        *out++ = HEX_DIGITS[byte & 0xF];
        break;
    }
  }
  *out++ = '"';
  return out;
}

char* PutBase64(char* out, const unsigned char* bytes, std::size_t count) {
  *out++ = '"';
  for (std::size_t i = 0; i < count; i += 3) {
    const std::uint32_t group = (static_cast<std::uint32_t>(bytes[i]) << 16) |
                                (i + 1 < count ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (i + 2 < count ? bytes[i + 2] : 0);
    *out++ = BASE64_DIGITS[(group >> 18) & 63];
    *out++ = BASE64_DIGITS[(group >> 12) & 63];
    *out++ = i + 1 < count ? BASE64_DIGITS[(group >> 6) & 63] : '=';
    *out++ = i + 2 < count ? BASE64_DIGITS[group & 63] : '=';
  }
  *out++ = '"';
  return out;
}

bool IsAscii(const char16_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] >= 0x80) {
      return false;
    }
  }
  return true;
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
    if (IsHighSurrogate(text[i]) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsSurrogate(text[i])) {
      return false;
    }
  }
  return true;
}

char* PutName(char* out, const char16_t* text, std::size_t length) {
  // Most names are ASCII: text as they stand, on every platform.
  if (IsAscii(text, length)) {
    out = Put(out, "{\"text\":");
    out = PutString(out, text, length);
    *out++ = '}';
    return out;
  }
  static std::string bytes;  // reused: a line per rename takes no allocation
  bytes.clear();
  AppendUtf8(&bytes, text, length);
  if (FILE_NAMES_ARE_BYTES ? IsUtf8(bytes) : IsWellFormedUtf16(text, length)) {
    out = Put(out, "{\"text\":");
    out = PutString(out, bytes.data(), bytes.size());
  } else if (FILE_NAMES_ARE_BYTES) {
    out = Put(out, "{\"bytes\":");
    out = PutBase64(out, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  } else {
    std::string units;
    for (std::size_t i = 0; i < length; ++i) {
      units.push_back(static_cast<char>(text[i] & 0xFF));
      units.push_back(static_cast<char>(text[i] >> 8));
    }
    out = Put(out, "{\"utf16le\":");
    out = PutBase64(out, reinterpret_cast<const unsigned char*>(units.data()), units.size());
  }
  *out++ = '}';
  return out;
}

// ,"key": before a field's value (every field but "type", which comes first).
template <std::size_t N>
char* PutKey(char* out, const char (&key)[N]) {
  *out++ = ',';
  *out++ = '"';
  out = Put(out, key);
  *out++ = '"';
  *out++ = ':';
  return out;
}

template <std::size_t N>
char* PutNumberField(char* out, const char (&key)[N], std::uint64_t value) {
  return PutUnsigned(PutKey(out, key), value);
}

template <std::size_t N>
char* PutNameField(char* out, const char (&key)[N], const char16_t* name) {
  return PutName(PutKey(out, key), name, TextLength(name));
}

// A text that is not a name (a system message) as a JSON string.
template <std::size_t N>
char* PutTextField(char* out, const char (&key)[N], const char16_t* text) {
  std::string bytes;
  AppendUtf8(&bytes, text, TextLength(text));
  return PutString(PutKey(out, key), bytes.data(), bytes.size());
}

char* PutTally(char* out, const RenameTally& tally) {
  out = PutNumberField(out, "found", tally.found);
  out = PutNumberField(out, "fixed", tally.fixed);
  out = PutNumberField(out, "failed", tally.failed);
  return PutNumberField(out, "skipped", tally.skipped);
}

// The directory's field, formed once for the renames of one directory.
char* PutDirectoryField(char* out, const char16_t* directory, std::size_t length) {
  static std::u16string last;
  static std::string field;
  if (field.empty() || last.compare(0, std::u16string::npos, directory, length) != 0) {
    last.assign(directory, length);
    field.assign(FIXED_ROOM + MOST_BYTES_A_UNIT * length, '\0');
    char* end = PutName(PutKey(field.data(), "directory"), directory, length);
    field.resize(static_cast<std::size_t>(end - field.data()));
  }
  return Put(out, field);
}

// The opening of each event's line, or null for an event that has no line.
const char* LineOpening(RunEventKind kind) {
  switch (kind) {
    case EVENT_RENAMING:
      return "{\"type\":\"rename\"";
    case EVENT_RENAMED:
      return "{\"type\":\"renamed\"";
    case EVENT_RENAME_FAILED:
    case EVENT_DEVICE_NAME:
      return "{\"type\":\"failed\"";
    case EVENT_PREVIEWED:
      return "{\"type\":\"previewed\"";
    case EVENT_DECLINED:
      return "{\"type\":\"skipped\"";
    case EVENT_QUIT:
      return "{\"type\":\"quit\"";
    case EVENT_NOT_UNDONE:
      return "{\"type\":\"not_undone\"";
    case EVENT_DIRECTORY_DONE:
      return "{\"type\":\"directory\"";
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      return "{\"type\":\"total\"";
    case EVENT_INTERRUPTED:
      return "{\"type\":\"stopped\"";
    case EVENT_DIRECTORY_UNREADABLE:
    case EVENT_DIRECTORY_PASSED_OVER:
    case EVENT_SPEC_REFUSED:
    case EVENT_NO_MATCH:
    case EVENT_JOURNAL_PROBLEM:
      return nullptr;  // diagnostics: standard error tells them
  }
  return nullptr;
}

std::size_t LengthOrZero(const char16_t* text) { return text == nullptr ? 0 : TextLength(text); }

// ,"reasons":[{"rule":"not-on-windows","position":2,"code_point":58}, ...]:
// what a check found, each reason an object; position and code point only
// where the reason points at a character, length and budget where it is one
// of length, the twin that keeps the name where it is one of twins.
void AppendReasons(std::string* line, const std::vector<NameReason>& reasons) {
  line->append(",\"reasons\":[");
  for (const NameReason& reason : reasons) {
    line->append(&reason == reasons.data() ? "{\"rule\":\"" : ",{\"rule\":\"");
    line->append(RuleName(reason.rule));
    line->push_back('"');
    if (reason.position != 0) {
      line->append(",\"position\":" + std::to_string(reason.position));
      line->append(",\"code_point\":" + std::to_string(static_cast<std::uint32_t>(reason.codePoint)));
    }
    if (reason.rule == RULE_TOO_LONG) {
      line->append(",\"length\":" + std::to_string(reason.length));
      line->append(",\"budget\":" + std::to_string(reason.limit));
    }
    if (reason.twin != nullptr) {
      const std::size_t units = TextLength(reason.twin);
      char* out = MakeRoom(line, FIXED_ROOM + MOST_BYTES_A_UNIT * units);
      CloseRoom(line, PutName(PutKey(out, "twin"), reason.twin, units));
    }
    line->push_back('}');
  }
  line->push_back(']');
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
  char16_t directory[MAX_ARG_LEN];
  const DWORD directoryLength = GetFullPathNameW(u".", MAX_ARG_LEN, directory, nullptr);
  const bool directoryKnown = directoryLength > 0 && directoryLength < static_cast<DWORD>(MAX_ARG_LEN);
  std::size_t units = (directoryKnown ? directoryLength : 0) + LengthOrZero(settings.undone);
  for (std::int32_t i = 0; i < settings.commandCount; ++i) {
    units += TextLength(settings.command[i]) + 16;  // and a name's braces and comma
  }
  char* out = MakeRoom(line, FIXED_ROOM + MOST_BYTES_A_UNIT * units);
  out = Put(out, "{\"type\":\"start\"");
  out = PutNumberField(out, "version", JOURNAL_VERSION);
  out = PutKey(out, "program");
  std::string program;
  AppendUtf8(&program, PLUGIN_NAME, TextLength(PLUGIN_NAME));
  program += ' ' + std::to_string(PLUGIN_MAJOR_VERSION) + '.' + std::to_string(PLUGIN_MINOR_VERSION) + '.' +
             std::to_string(PLUGIN_BUILD);
  out = PutString(out, program.data(), program.size());
  out = PutKey(out, "command");
  *out++ = '[';
  for (std::int32_t i = 0; i < settings.commandCount; ++i) {
    if (i > 0) {
      *out++ = ',';
    }
    out = PutName(out, settings.command[i], TextLength(settings.command[i]));
  }
  *out++ = ']';
  if (directoryKnown) {
    out = PutNameField(out, "directory", directory);
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
  out = PutKey(out, "time");
  *out++ = '"';
  for (const auto& part : parts) {
    out = PutPadded(out, part.value, part.width);
    *out++ = part.after;
  }
  *out++ = '"';
  if (settings.preview) {
    out = Put(out, ",\"preview\":true");
  }
  if (settings.undone != nullptr) {
    out = PutNameField(out, "undo", settings.undone);
  }
  out = Put(out, "}\n");
  CloseRoom(line, out);
}

bool AppendEventLine(std::string* line, const RunEvent& event, std::uint32_t sequence, bool withEntry) {
  const char* opening = LineOpening(event.kind);
  if (opening == nullptr) {
    return false;
  }
  char16_t message[ERROR_TEXT_LEN];
  message[0] = u'\0';
  if (event.kind == EVENT_RENAME_FAILED) {
    SystemErrorText(event.code, message);
  }
  const std::size_t directoryLength = LengthOrZero(event.directory);
  const std::size_t units =
      directoryLength + LengthOrZero(event.name) + LengthOrZero(event.newName) + TextLength(message);
  char* out = MakeRoom(line, FIXED_ROOM + MOST_BYTES_A_UNIT * units);
  out = PutText(out, opening);
  if (sequence != 0) {
    out = PutNumberField(out, "seq", sequence);
  }
  switch (event.kind) {
    case EVENT_DIRECTORY_DONE:
      out = PutDirectoryField(out, event.directory, directoryLength);
      out = PutNameField(out, "pattern", event.name);
      out = PutTally(out, event.tally);
      break;
    case EVENT_GRAND_TOTAL:
    case EVENT_UNDO_TOTAL:
      out = PutTally(out, event.tally);
      break;
    case EVENT_INTERRUPTED:
      out = PutKey(out, "reason");
      out = event.reason == STOP_OUTPUT_CLOSED    ? Put(out, "\"output closed\"")
            : event.reason == STOP_JOURNAL_FAILED ? Put(out, "\"journal\"")
                                                  : Put(out, "\"interrupted\"");
      break;
    default:
      if (withEntry) {
        out = PutDirectoryField(out, event.directory, directoryLength);
        out = PutNameField(out, "old", event.name);
        if (event.newName != nullptr) {
          out = PutNameField(out, "new", event.newName);
        }
        if (event.identityKnown) {
          out = PutNumberField(out, "volume", event.identity.volume);
          out = PutNumberField(out, "index", event.identity.index);
          if (event.identity.born != 0) {
            out = PutNumberField(out, "born", event.identity.born);
          }
        }
      }
      break;
  }
  if (event.kind == EVENT_RENAME_FAILED) {
    out = PutNumberField(out, "error", event.code);
    out = PutTextField(out, "message", message);
  } else if (event.kind == EVENT_DEVICE_NAME) {
    out = PutTextField(out, "message", u"The new name is a Windows device name, and no suffix may be added");
  } else if (event.kind == EVENT_NOT_UNDONE) {
    out = PutKey(out, "reason");
    out = event.reason == NOT_UNDONE_GONE ? Put(out, "\"gone\"") : Put(out, "\"replaced\"");
  }
  CloseRoom(line, out);
  if (event.reasons != nullptr) {
    AppendReasons(line, *event.reasons);
  }
  line->append("}\n");
  return true;
}
