// Windows implementation of TerminalEscape: <U+HHHH>.
#include "platform/format_characters.h"
#include "platform/terminal_text.h"

std::size_t TerminalEscape(char32_t character, char16_t* form) {
  static constexpr char16_t HEX_DIGITS[] = u"0123456789ABCDEF";
  const bool control = character < 0x20 || (character >= 0x7F && character <= 0x9F);
  const bool loneSurrogate = character >= 0xD800 && character <= 0xDFFF;
  if (!control && !loneSurrogate && !IsInvisibleFormatCharacter(character)) return 0;
  const auto value = static_cast<unsigned>(character);
  const char16_t shown[LONGEST_TERMINAL_ESCAPE] = {
      u'<', u'U', u'+', HEX_DIGITS[(value >> 12) & 0xF], HEX_DIGITS[(value >> 8) & 0xF],
      HEX_DIGITS[(value >> 4) & 0xF], HEX_DIGITS[value & 0xF], u'>'};
  for (std::size_t i = 0; i < LONGEST_TERMINAL_ESCAPE; ++i) form[i] = shown[i];
  return LONGEST_TERMINAL_ESCAPE;
}
