// On Windows a name's limit is 255 UTF-16 code units: a character outside the
// Basic Multilingual Plane takes two and is cut whole.
#include <string>

#include <gtest/gtest.h>

#include "cleaner/new_name.h"
#include "plugin/host_services.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string Repeat(const char16_t* text, std::size_t count) {
  std::u16string repeated;
  for (std::size_t i = 0; i < count; ++i) repeated += text;
  return repeated;
}

TEST(BuildNewName, WindowsNamesFitTwoHundredFiftyFiveUnits) {
  struct Row {
    std::u16string oldName;
    std::u16string expected;
  };
  const Row rows[] = {
      // Two-unit characters: 126 of them and ".x" are 254 units; the 127th would be cut in half.
      {Repeat(u"\U0001F600", 130) + u"%2Ex", Repeat(u"\U0001F600", 126) + u".x"},
      // Letters beyond ASCII take one unit each.
      {Repeat(u"\u00E9", 300) + u"%2Etxt", Repeat(u"\u00E9", 251) + u".txt"},
  };
  testing_support::TempDir directory;
  for (const Row& row : rows) {
    char16_t newName[MAX_ARG_LEN];
    ASSERT_EQ(BuildNewName(directory.engine_path().c_str(), row.oldName.c_str(), newName, OPT_WINDOWS_NAMES,
                           nullptr, nullptr),
              NEW_NAME_READY);
    EXPECT_EQ(std::u16string(newName), row.expected) << testing::PrintToString(row.oldName);
  }
}

}  // namespace
