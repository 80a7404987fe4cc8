#include "platform/terminal_text.h"
#include "platform/utf16_text.h"

std::u16string TerminalForm(const char16_t* text, std::size_t length) {
  std::u16string shown;
  shown.reserve(length);
  char16_t form[LONGEST_TERMINAL_ESCAPE];
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t unit = text[i];
    const bool pair = IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1]);
    const char32_t character =
        pair ? CodePointOfPair(unit, text[i + 1]) : unit;
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
