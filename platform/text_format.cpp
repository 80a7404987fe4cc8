#include "platform/text_format.h"

#include "platform/terminal_text.h"

namespace {

// Appends characters to a bounded buffer while counting the full length.
struct Sink {
  char16_t* out;
  std::size_t capacity;
  std::size_t length;

  void Put(char16_t ch) {
    if (length + 1 < capacity) out[length] = ch;
    ++length;
  }
  void Repeat(char16_t ch, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) Put(ch);
  }
};

struct Spec {
  bool left = false;
  bool zero = false;
  std::size_t width = 0;
  bool has_precision = false;
  std::size_t precision = 0;
};

void PutPadded(Sink& sink, const Spec& spec, const char16_t* text, std::size_t length, bool numeric) {
  const std::size_t pad = spec.width > length ? spec.width - length : 0;
  if (!spec.left) {
    const bool zeros = spec.zero && numeric && !spec.has_precision;
    // A sign goes before zero padding: -0042, not 00-42.
    if (zeros && length > 0 && text[0] == u'-') {
      sink.Put(u'-');
      ++text;
      --length;
    }
    sink.Repeat(zeros ? u'0' : u' ', pad);
  }
  for (std::size_t i = 0; i < length; ++i) sink.Put(text[i]);
  if (spec.left) sink.Repeat(u' ', pad);
}

// Argument text, shown as a terminal should show it when asked: a width then
// pads what is shown.
void PutArgument(Sink& sink, const Spec& spec, const char16_t* text, std::size_t length, TextForm form) {
  if (form.escapeArguments) {
    const std::u16string shown = TerminalForm(text, length);
    PutPadded(sink, spec, shown.data(), shown.size(), false);
  } else {
    PutPadded(sink, spec, text, length, false);
  }
}

void PutNumber(Sink& sink, const Spec& spec, unsigned long long magnitude, bool negative, unsigned base,
               bool upper) {
  char16_t digits[32];
  std::size_t count = 0;
  const char16_t* alphabet = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  do {
    digits[count++] = alphabet[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  const std::size_t min_digits = spec.has_precision ? spec.precision : 1;
  char16_t text[64];
  std::size_t length = 0;
  if (negative) text[length++] = u'-';
  for (std::size_t i = count; i < min_digits && length < 40; ++i) text[length++] = u'0';
  while (count > 0) text[length++] = digits[--count];
  PutPadded(sink, spec, text, length, true);
}

std::size_t ReadNumber(const char16_t*& p) {
  std::size_t value = 0;
  while (*p >= u'0' && *p <= u'9') value = value * 10 + static_cast<std::size_t>(*p++ - u'0');
  return value;
}

}  // namespace

std::size_t FormatText(char16_t* out, std::size_t capacity, const char16_t* format, std::va_list arguments,
                       TextForm form) {
  std::va_list args;
  va_copy(args, arguments);
  Sink sink{out, capacity, 0};
  for (const char16_t* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      if (!(form.bareLineFeeds && p[0] == u'\r' && p[1] == u'\n')) sink.Put(*p);
      continue;
    }
    const char16_t* start = p++;
    Spec spec;
    for (;; ++p) {
      if (*p == u'-') spec.left = true;
      else if (*p == u'0') spec.zero = true;
      else break;
    }
    if (*p == u'*') {
      const int width = va_arg(args, int);
      if (width < 0) spec.left = true;
      spec.width = static_cast<std::size_t>(width < 0 ? -static_cast<long long>(width) : width);
      ++p;
    } else {
      spec.width = ReadNumber(p);
    }
    if (*p == u'.') {
      ++p;
      spec.has_precision = true;
      if (*p == u'*') {
        const int precision = va_arg(args, int);
        spec.has_precision = precision >= 0;
        spec.precision = precision < 0 ? 0 : static_cast<std::size_t>(precision);
        ++p;
      } else {
        spec.precision = ReadNumber(p);
      }
    }
    switch (*p) {
      case u'%':
        sink.Put(u'%');
        break;
      case u's': {
        const char16_t* text = va_arg(args, const char16_t*);
        if (text == nullptr) text = u"(null)";
        std::size_t length = 0;
        while (text[length] != 0 && (!spec.has_precision || length < spec.precision)) ++length;
        PutArgument(sink, spec, text, length, form);
        break;
      }
      case u'c': {
        const char16_t ch = static_cast<char16_t>(va_arg(args, int));
        PutArgument(sink, spec, &ch, 1, form);
        break;
      }
      case u'd':
      case u'i': {
        const long long value = va_arg(args, int);
        const unsigned long long magnitude =
            value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        PutNumber(sink, spec, magnitude, value < 0, 10, false);
        break;
      }
      case u'u':
        PutNumber(sink, spec, va_arg(args, unsigned), false, 10, false);
        break;
      case u'x':
      case u'X':
        PutNumber(sink, spec, va_arg(args, unsigned), false, 16, *p == u'X');
        break;
      default:
        // Unknown conversion (or a lone '%' at the end): copy it as it stands.
        for (const char16_t* q = start; q <= p && *q != 0; ++q) sink.Put(*q);
        if (*p == 0) --p;
        break;
    }
  }
  va_end(args);
  if (capacity > 0) out[sink.length < capacity ? sink.length : capacity - 1] = 0;
  return sink.length;
}
