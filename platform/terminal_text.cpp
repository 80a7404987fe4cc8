#include "platform/terminal_text.h"

std::u16string TerminalForm(const char16_t* text, std::size_t length) {
  std::u16string shown;
  shown.reserve(length);
  char16_t form[LONGEST_TERMINAL_ESCAPE];
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t unit = text[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    const char32_t character =
        pair ? 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00) : unit;
    const std::size_t formLength = TerminalEscape(character, form);
    if (formLength != 0) {
      shown.append(form, formLength);
    } else {
      shown.append(text + i, pair ? 2 : 1);
    }
    i += pair ? 1 : 0;
  }
  return shown;
}
