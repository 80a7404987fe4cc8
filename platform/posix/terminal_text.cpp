// POSIX implementation of TerminalEscape: the C forms \xHH and \uHHHH, and a
// doubled backslash.
#include "platform/posix/posix_internal.h"
#include "platform/terminal_text.h"

namespace {

std::size_t HexForm(char16_t* form, char16_t introducer, unsigned value, std::size_t digits) {
  static constexpr char16_t HEX_DIGITS[] = u"0123456789ABCDEF";
  form[0] = u'\\';
  form[1] = introducer;
  for (std::size_t i = 0; i < digits; ++i) {
    form[2 + i] = HEX_DIGITS[(value >> (4 * (digits - 1 - i))) & 0xF];
  }
  return 2 + digits;
}

}  // namespace

std::size_t TerminalEscape(char16_t unit, char16_t* form) {
  if (unit < 0x20 || unit == 0x7F) return HexForm(form, u'x', unit, 2);
  if (unit >= 0x80 && unit <= 0x9F) return HexForm(form, u'u', unit, 4);
  const int byte = UndecodedNameByte(unit);
  if (byte >= 0) return HexForm(form, u'x', static_cast<unsigned>(byte), 2);
  if (unit == u'\\') {
    form[0] = u'\\';
    form[1] = u'\\';
    return 2;
  }
  return 0;
}
