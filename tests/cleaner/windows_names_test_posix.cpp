// On POSIX a name's limit is 255 bytes: a character is cut whole, however
// many bytes it takes. A byte that is not UTF-8, which no Windows name can
// hold, is read under /W as /8 reads it.
#include "tests/cleaner/fitted_names.h"

namespace {

TEST(BuildNewName, WindowsNamesFitTwoHundredFiftyFiveBytes) {
  ExpectFittedNames({
      // 130 two-byte letters and ".txt": 264 bytes; 125 letters keep 254.
      {Repeat(u"\u00E9", 130) + u"%2Etxt", Repeat(u"\u00E9", 125) + u".txt"},
      // Emoji of four bytes each: 63 of them and ".x" are 254 bytes.
      {Repeat(u"\U0001F600", 70) + u"%2Ex", Repeat(u"\U0001F600", 63) + u".x"},
      // No Windows name holds a byte that is not UTF-8: each is read as the
      // Windows-1252 character it denotes, two bytes on disk for an e-acute.
      {Repeat(u"\xDCE9", 300) + u"%20", Repeat(u"\u00E9", 127)},
      {u"caf\xDCE9.txt", u"caf\u00E9.txt"},
      {u"\xDC81\xDC80.txt", u"_\u20AC.txt"},  // 0x81 is none of its characters
      // A three-byte character that would straddle the limit goes whole.
      {u"ab" + Repeat(u"\u20AC", 90) + u"%20", u"ab" + Repeat(u"\u20AC", 84)},
      // A suffixed candidate whose extension was cut ends in no full stop.
      {u"CON." + Repeat(u"\u0080", 83) + u"." + Repeat(u"\u0080", 40), u"CON-001." + Repeat(u"\u20AC", 82)},
      {u"CON." + Repeat(u"a", 83) + Repeat(u"\u0080", 168), u"CON-001." + Repeat(u"a", 83) + Repeat(u"\u20AC", 54)},
      // Without /W too a name is fitted to the file system's limit, which
      // holds no longer one.
      {u"x%20" + Repeat(u"a", 260) + u".txt", u"x " + Repeat(u"a", 249) + u".txt", 0},
      {Repeat(u"\u0080", 120) + u".txt", Repeat(u"\u20AC", 83) + u".txt", 0},
      // A stem and an extension too long each: the name keeps its beginning.
      {Repeat(u"\u0080", 100) + u"." + Repeat(u"\u0080", 150), Repeat(u"\u20AC", 85), 0},
      // A stem of one three-byte character before a long extension keeps it,
      // and the extension is cut, rather than the name be hidden behind it.
      {u"\xDC99." + Repeat(u"a", 252), u"\u2122." + Repeat(u"a", 251), OPT_UTF8},
      // A device's name keeps its first letter before the suffix.
      {u"CON." + Repeat(u"a", 250), u"C-001." + Repeat(u"a", 249)},
  });
}

}  // namespace
