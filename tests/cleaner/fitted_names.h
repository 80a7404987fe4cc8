// Shared by the tests of names fitted into one name's limit under /W: the
// limit differs by platform, the way of checking does not.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/new_name.h"
#include "core/host_services.h"
#include "tests/support/temp_dir.h"

inline std::u16string Repeat(const char16_t* text, std::size_t count) {
  std::u16string repeated;
  for (std::size_t i = 0; i < count; ++i) repeated += text;
  return repeated;
}

struct FittedName {
  std::u16string oldName;
  std::u16string expected;  // the new name in an empty directory
  OptionFlags options = OPT_WINDOWS_NAMES;
};

inline void ExpectFittedNames(const std::vector<FittedName>& rows) {
  testing_support::TempDir directory;
  for (const FittedName& row : rows) {
    char16_t newName[MAX_ARG_LEN];
    ASSERT_EQ(BuildNewName(directory.engine_path().c_str(), row.oldName.c_str(), newName, row.options, nullptr,
                           nullptr),
              NEW_NAME_READY);
    EXPECT_EQ(std::u16string(newName), row.expected) << testing::PrintToString(row.oldName);
  }
}
