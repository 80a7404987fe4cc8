#include "walker/path_text.h"

#include "plugin/host_services.h"

std::size_t TextLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != u'\0') {
    ++length;
  }
  return length;
}

std::int32_t AppendText(char16_t* buffer, std::size_t* length, const char16_t* text) {
  std::size_t end = *length;
  for (std::size_t i = 0; text[i] != u'\0'; ++i) {
    if (end + 1 >= static_cast<std::size_t>(MAX_ARG_LEN)) {
      buffer[*length] = u'\0';
      return -1;
    }
    buffer[end++] = text[i];
  }
  buffer[end] = u'\0';
  *length = end;
  return 0;
}
