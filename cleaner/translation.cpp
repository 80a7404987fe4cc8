#include "cleaner/translation.h"

// constexpr, so that the Latin-1 part of the translation below is computed at
// compile time; the declaration in the header gives it external linkage.
constexpr std::uint16_t Cp1252Table[32] = {
    // 0x80: euro, (undefined), low-9 quote, f hook, low-9 double quote, ellipsis, dagger, double dagger
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    // 0x88: circumflex, per mille, S caron, left angle quote, OE, (undefined), Z caron, (undefined)
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    // 0x90: (undefined), left and right single quotes, left and right double quotes, bullet, en dash, em dash
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    // 0x98: small tilde, trade mark, s caron, right angle quote, oe, (undefined), z caron, Y diaeresis
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

namespace {

// The rules, one after another.
constexpr char16_t TranslateByRules(char16_t ch) {
  if (ch < 0x20) {
    return ch == 0 ? ch : u'_';  // C0 controls, tab and line breaks included
  }
  switch (ch) {
    case u'"':
    case u'`':
      return u'\'';
    case u'%':
    case u'*':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'^':
    case u'|':
      return u'_';
    case 0x00A0:  // no-break space
    case 0x205F:  // medium mathematical space
      return u' ';
    case 0x200B:  // zero width space
    case 0x202F:  // narrow no-break space
    case 0xFEFF:  // zero width no-break space, the byte order mark
      return u'_';
    default:
      break;
  }
  if (ch >= 0x80 && ch <= 0x9F) {
    const char16_t mapped = Cp1252Table[ch - 0x80];
    return (mapped >= 0x80 && mapped <= 0x9F) ? u'_' : mapped;
  }
  if (ch >= 0x2000 && ch <= 0x200A) {
    return u' ';  // en quad .. hair space
  }
  return ch;
}

// The rules applied to every code unit below U+0100 once, at compile time: the
// code units of most names come from here, in one lookup.
struct Latin1Translation {
  char16_t units[0x100];
};

constexpr Latin1Translation MakeLatin1Translation() {
  Latin1Translation table{};
  for (unsigned ch = 0; ch < 0x100; ++ch) {
    table.units[ch] = TranslateByRules(static_cast<char16_t>(ch));
  }
  return table;
}

constexpr Latin1Translation LATIN1_TRANSLATION = MakeLatin1Translation();

}  // namespace

char16_t TranslateChar(char16_t ch) {
  if (ch < 0x100) {
    return LATIN1_TRANSLATION.units[ch];
  }
  if (ch < 0x2000) {
    return ch;  // no rule reaches from U+0100 to U+1FFF
  }
  return TranslateByRules(ch);
}
