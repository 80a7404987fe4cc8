#include "platform/terminal_text.h"

std::u16string TerminalForm(const char16_t* text, std::size_t length) {
  std::u16string shown;
  shown.reserve(length);
  char16_t form[LONGEST_TERMINAL_ESCAPE];
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t formLength = TerminalEscape(text[i], form);
    if (formLength == 0) {
      shown.push_back(text[i]);
    } else {
      shown.append(form, formLength);
    }
  }
  return shown;
}
