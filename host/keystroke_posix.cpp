// Keys come from the controlling terminal, so a prompt can be answered even
// while standard input is redirected. A cursor or function key arrives as the
// single code 0xE0, which answers nothing.
#include "host/keystroke.h"
#include "platform/win32.h"

std::int32_t ReadKey() {
  const wint_t key = _getwch();
  return key == WEOF ? NO_KEY : static_cast<std::int32_t>(key);
}
