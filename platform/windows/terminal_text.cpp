// Windows implementation of TerminalEscape: <U+HHHH>.
#include "platform/terminal_text.h"

std::size_t TerminalEscape(char16_t unit, char16_t* form) {
  static constexpr char16_t HEX_DIGITS[] = u"0123456789ABCDEF";
  const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
  if (!control) return 0;
  const char16_t shown[LONGEST_TERMINAL_ESCAPE] = {
      u'<', u'U', u'+', u'0', u'0', HEX_DIGITS[unit >> 4], HEX_DIGITS[unit & 0xF], u'>'};
  for (std::size_t i = 0; i < LONGEST_TERMINAL_ESCAPE; ++i) form[i] = shown[i];
  return LONGEST_TERMINAL_ESCAPE;
}
