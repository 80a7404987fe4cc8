// On Windows a name's limit is 255 UTF-16 code units: a character outside the
// Basic Multilingual Plane takes two and is cut whole.
#include "tests/cleaner/fitted_names.h"

namespace {

TEST(BuildNewName, WindowsNamesFitTwoHundredFiftyFiveUnits) {
  ExpectFittedNames({
      // Two-unit characters: 126 of them and ".x" are 254 units; the 127th would be cut in half.
      {Repeat(u"\U0001F600", 130) + u"%2Ex", Repeat(u"\U0001F600", 126) + u".x"},
      // Letters beyond ASCII take one unit each.
      {Repeat(u"\u00E9", 300) + u"%2Etxt", Repeat(u"\u00E9", 251) + u".txt"},
      // A device's name keeps its first letter before the suffix, and the
      // extension is cut from its end, rather than the name begin "-001".
      {u"CON." + Repeat(u"a", 250), u"C-001." + Repeat(u"a", 249)},
      // Without /W a name too long is left so, and its rename fails.
      {u"x%20" + Repeat(u"a", 260) + u".txt", u"x " + Repeat(u"a", 260) + u".txt", 0},
  });
}

}  // namespace
