// Keys come from the console. When standard input is not a console (a file or
// a pipe, as in scripted runs), each key is one byte read from it instead, line
// breaks skipped, so "y<newline>n<newline>" answers two prompts; the end of the
// input means no key.
#include "host/keystroke.h"
#include "platform/win32.h"

namespace {

// The console reports a cursor or function key as one of these, followed by
// the key's scan code, which is then already waiting. 0xE0 is also the
// character 'à', after which nothing waits.
constexpr wint_t extendedKeyLead = 0x00;
constexpr wint_t extendedKeyLeadAlternate = 0xE0;
// Scan codes are letters' codes too (PgDn is 'Q'): lift them clear of every answer.
constexpr std::int32_t extendedKeyBase = 0x100;

std::int32_t ReadKeyFromInput(HANDLE input) {
  for (;;) {
    unsigned char byte = 0;
    DWORD read = 0;
    if (!ReadFile(input, &byte, 1, &read, nullptr) || read == 0) {
      return NO_KEY;
    }
    if (byte != '\r' && byte != '\n') {
      return byte;
    }
  }
}

}  // namespace

std::int32_t ReadKey() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode)) {
    return ReadKeyFromInput(input);
  }
  const wint_t key = _getwch();
  if (key == WEOF) {
    return NO_KEY;
  }
  if ((key == extendedKeyLead || key == extendedKeyLeadAlternate) && _kbhit()) {
    const wint_t scanCode = _getwch();
    return scanCode == WEOF ? NO_KEY : extendedKeyBase + static_cast<std::int32_t>(scanCode);
  }
  return static_cast<std::int32_t>(key);
}
