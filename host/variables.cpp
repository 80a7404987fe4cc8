// ExpandVariables and the shell state it reports.
//
// References understood, anywhere in the text:
//   %name      a variable whose name starts with a letter or '_' and runs on over
//              letters, digits, '_' and '$';
//   %[name]    the same, with the name ending at the closing bracket;
//   %@comma[x] x (itself expanded first) with its digits grouped by thousands
//              with ',': 1234567 becomes 1,234,567. x must be digits only.
// The names _batch, _batchname, _batchline, _transient and _pipe (any case) are
// the shell's own; every other name is an environment variable, empty when it
// is not set. A '%' that opens none of these forms stays as it is, and nothing
// a variable expands to is looked at again.
#include <string>

#include "host/shell_state.h"
#include "platform/utf16_text.h"
#include "core/host_services.h"

namespace {

constexpr std::int32_t EXPANDED = 0;
// The result, with its terminator, would not fit in MAX_ARG_LEN characters.
constexpr std::int32_t RESULT_TOO_LONG = 1;
// A bracket left open, an unknown function, or a number to group that is not one.
constexpr std::int32_t MALFORMED_REFERENCE = 2;
constexpr std::int32_t NO_BUFFER = -1;

struct ShellState {
  std::int32_t batchLevel;
  std::int32_t batchLine;
  std::int32_t transient;
  std::int32_t pipe;
  char16_t batchFile[MAX_ARG_LEN];
};

ShellState shellState;

struct Expansion {
  char16_t text[MAX_ARG_LEN];
  std::size_t length;
};

std::int32_t Append(Expansion& out, const char16_t* text, std::size_t length) {
  if (out.length + length >= MAX_ARG_LEN) {
    return RESULT_TOO_LONG;
  }
  std::char_traits<char16_t>::copy(out.text + out.length, text, length);
  out.length += length;
  return EXPANDED;
}

std::int32_t AppendNumber(Expansion& out, std::int32_t value) {
  char16_t digits[16];
  const int length = Sprintf(digits, u"%d", value);
  return Append(out, digits, static_cast<std::size_t>(length));
}

bool IsAsciiLetter(char16_t ch) { return (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z'); }
bool IsNameStart(char16_t ch) { return IsAsciiLetter(ch) || ch == u'_'; }
bool IsNameCharacter(char16_t ch) {
  return IsNameStart(ch) || (ch >= u'0' && ch <= u'9') || ch == u'$';
}

// Whether the length characters at name spell known, ASCII letters in any case.
bool NameIs(const char16_t* name, std::size_t length, const char16_t* known) {
  if (length != TextLength(known)) {
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (ToUpperAscii(name[i]) != ToUpperAscii(known[i])) {
      return false;
    }
  }
  return true;
}

std::int32_t AppendVariable(Expansion& out, const char16_t* name, std::size_t length) {
  if (NameIs(name, length, u"_batch")) {
    return AppendNumber(out, shellState.batchLevel);
  }
  if (NameIs(name, length, u"_batchname")) {
    return Append(out, shellState.batchFile, TextLength(shellState.batchFile));
  }
  if (NameIs(name, length, u"_batchline")) {
    return AppendNumber(out, shellState.batchLine);
  }
  if (NameIs(name, length, u"_transient")) {
    return AppendNumber(out, shellState.transient != 0 ? 1 : 0);
  }
  if (NameIs(name, length, u"_pipe")) {
    return AppendNumber(out, shellState.pipe != 0 ? 1 : 0);
  }
  char16_t variable[MAX_ARG_LEN];
  std::char_traits<char16_t>::copy(variable, name, length);
  variable[length] = u'\0';
  // The value goes straight to the end of the expansion; the returned size
  // counts the terminator when the room was too small.
  const DWORD room = static_cast<DWORD>(MAX_ARG_LEN - out.length);
  const DWORD valueLength = GetEnvironmentVariableW(variable, out.text + out.length, room);
  if (valueLength >= room) {
    return RESULT_TOO_LONG;
  }
  out.length += valueLength;
  return EXPANDED;
}

// Groups the digits from start to the end of the expansion in place.
std::int32_t GroupThousands(Expansion& out, std::size_t start) {
  const std::size_t digits = out.length - start;
  if (digits == 0) {
    return MALFORMED_REFERENCE;
  }
  for (std::size_t i = start; i < out.length; ++i) {
    if (out.text[i] < u'0' || out.text[i] > u'9') {
      return MALFORMED_REFERENCE;
    }
  }
  const std::size_t commas = (digits - 1) / 3;
  if (out.length + commas >= MAX_ARG_LEN) {
    return RESULT_TOO_LONG;
  }
  std::size_t from = out.length;
  std::size_t to = out.length + commas;
  std::size_t inGroup = 0;
  while (from > start) {
    out.text[--to] = out.text[--from];
    if (++inGroup == 3 && from > start) {
      out.text[--to] = u',';
      inGroup = 0;
    }
  }
  out.length += commas;
  return EXPANDED;
}

std::int32_t ExpandText(const char16_t*& cursor, Expansion& out, bool inArgument);

// cursor is just past "%@". Reads the function's name and bracketed argument.
std::int32_t ExpandFunction(const char16_t*& cursor, Expansion& out) {
  const char16_t* name = cursor;
  while (IsNameCharacter(*cursor)) {
    ++cursor;
  }
  if (*cursor != u'[' || !NameIs(name, static_cast<std::size_t>(cursor - name), u"comma")) {
    return MALFORMED_REFERENCE;
  }
  ++cursor;
  const std::size_t argumentStart = out.length;
  const std::int32_t result = ExpandText(cursor, out, true);
  if (result != EXPANDED) {
    return result;
  }
  ++cursor;  // the closing bracket
  return GroupThousands(out, argumentStart);
}

// Expands up to the terminator or, inside a function's argument, up to the
// bracket that closes it (which is left for the caller).
std::int32_t ExpandText(const char16_t*& cursor, Expansion& out, bool inArgument) {
  while (*cursor != u'\0') {
    if (inArgument && *cursor == u']') {
      return EXPANDED;
    }
    std::int32_t result = EXPANDED;
    const char16_t* reference = cursor + 1;
    if (*cursor != u'%') {
      result = Append(out, cursor, 1);
      ++cursor;
    } else if (*reference == u'[') {
      const char16_t* name = reference + 1;
      const char16_t* end = name;
      while (*end != u']' && *end != u'\0') {
        ++end;
      }
      if (*end == u'\0') {
        return MALFORMED_REFERENCE;
      }
      result = AppendVariable(out, name, static_cast<std::size_t>(end - name));
      cursor = end + 1;
    } else if (*reference == u'@') {
      cursor = reference + 1;
      result = ExpandFunction(cursor, out);
    } else if (IsNameStart(*reference)) {
      const char16_t* end = reference;
      while (IsNameCharacter(*end)) {
        ++end;
      }
      result = AppendVariable(out, reference, static_cast<std::size_t>(end - reference));
      cursor = end;
    } else {
      result = Append(out, cursor, 1);
      ++cursor;
    }
    if (result != EXPANDED) {
      return result;
    }
  }
  return inArgument ? MALFORMED_REFERENCE : EXPANDED;
}

}  // namespace

extern "C" {

// The buffer holds MAX_ARG_LEN characters. It changes only when the whole
// expansion succeeds. The flag is accepted for the host's interface and not needed.
int ExpandVariables(char16_t* buffer, int) {
  if (buffer == nullptr) {
    return NO_BUFFER;
  }
  // Built apart so that a failure leaves the caller's text untouched; static
  // because it is as large as the buffer itself and only one call runs at a time.
  static Expansion out;
  out.length = 0;
  const char16_t* cursor = buffer;
  const std::int32_t result = ExpandText(cursor, out, false);
  if (result != EXPANDED) {
    return result;
  }
  out.text[out.length] = u'\0';
  std::char_traits<char16_t>::copy(buffer, out.text, out.length + 1);
  return EXPANDED;
}

std::int32_t SetBatchState(std::int32_t level, const char16_t* batchFile, std::int32_t line) {
  const bool inBatch = level > 0;
  shellState.batchLevel = inBatch ? level : 0;
  shellState.batchLine = inBatch ? line : 0;
  std::size_t length = 0;
  while (inBatch && batchFile != nullptr && batchFile[length] != u'\0' && length < MAX_ARG_LEN - 1) {
    shellState.batchFile[length] = batchFile[length];
    ++length;
  }
  shellState.batchFile[length] = u'\0';
  return 0;
}

std::int32_t SetShellState(std::int32_t transient, std::int32_t pipe) {
  shellState.transient = transient;
  shellState.pipe = pipe;
  return 0;
}

}  // extern "C"
