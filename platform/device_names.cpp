#include "platform/device_names.h"

#include "platform/utf16_text.h"

namespace {

// The device names Windows reserves in every directory. Reviewed data: the
// names of the system's own device namespace that a plain path reaches, with
// the superscript digits U+00B9, U+00B2 and U+00B3 that it reads as 1, 2, 3
// after COM and LPT.
constexpr const char16_t* DEVICE_NAMES[] = {
    u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$",
};
constexpr const char16_t* NUMBERED_DEVICE_NAMES[] = {u"COM", u"LPT"};

bool IsDeviceDigit(char16_t ch) {
  return (ch >= u'0' && ch <= u'9') || ch == 0x00B9 || ch == 0x00B2 || ch == 0x00B3;
}

}  // namespace

bool IsDeviceName(const char16_t* name, std::size_t length) {
  // Every device name begins with one of these letters: most names are told
  // at their first character.
  const char16_t first = length > 0 ? ToUpperAscii(name[0]) : u'\0';
  if (first != u'C' && first != u'P' && first != u'A' && first != u'N' && first != u'L') {
    return false;
  }
  std::size_t base = 0;
  while (base < length && name[base] != u'.') {
    ++base;
  }
  while (base > 0 && name[base - 1] == u' ') {
    --base;
  }
  for (const char16_t* device : DEVICE_NAMES) {
    if (EqualsIgnoringAsciiCase(name, base, device)) {
      return true;
    }
  }
  for (const char16_t* device : NUMBERED_DEVICE_NAMES) {
    if (base == 4 && IsDeviceDigit(name[3]) && EqualsIgnoringAsciiCase(name, 3, device)) {
      return true;
    }
  }
  return false;
}
