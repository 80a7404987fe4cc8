// POSIX implementation of TerminalEscape: the C forms \xHH and \uHHHH, and a
// doubled backslash.
#include "platform/format_characters.h"
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

std::size_t TerminalEscape(char32_t character, char16_t* form) {
  const auto value = static_cast<unsigned>(character);
  if (character < 0x20 || character == 0x7F) return HexForm(form, u'x', value, 2);
  if (character == u'\\') {
    form[0] = u'\\';
    form[1] = u'\\';
    return 2;
  }
  if (character < 0x80) return 0;
  if (character <= 0xFFFF) {
    const int byte = UndecodedNameByte(static_cast<char16_t>(character));
    if (byte >= 0) return HexForm(form, u'x', static_cast<unsigned>(byte), 2);
  }
  const bool c1Control = character <= 0x9F;
  const bool loneSurrogate = character >= 0xD800 && character <= 0xDFFF;
  if (c1Control || loneSurrogate || IsInvisibleFormatCharacter(character)) return HexForm(form, u'u', value, 4);
  return 0;
}
