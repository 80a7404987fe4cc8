// The benchmark trees promise that their untidy names are exactly the names the
// command's default cleaning changes, so that every tool in the comparison
// renames the same entries. Checked here against the cleaner itself.
#include <gtest/gtest.h>

#include <string>

#include "bench/mktree.h"
#include "cleaner/new_name.h"
#include "platform/win32.h"
#include "core/host_services.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string FromUtf8(const char* bytes) {
  char16_t text[MAX_ARG_LEN];
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, -1, text, MAX_ARG_LEN);
  return length > 0 ? std::u16string(text) : std::u16string();
}

TEST(CleaningAgreement, DefaultCleaningChangesExactlyTheUntidyNames) {
  testing_support::TempDir temp;  // empty, so no candidate name is taken
  const std::u16string directory = temp.engine_path();
  const OptionFlags noOptions = 0;
  for (const std::uint32_t treeDirectory : {0u, 1u, 150u}) {
    TreeNameStream stream;
    ASSERT_EQ(StartNameStream(&stream, 1, treeDirectory, 30), 0);
    char name[TREE_NAME_CAPACITY];
    for (int i = 0; i < 3000; ++i) {
      const std::int32_t kind = NextTreeName(&stream, name, sizeof name);
      ASSERT_GE(kind, 0);
      const std::u16string oldName = FromUtf8(name);
      ASSERT_FALSE(oldName.empty()) << name;
      char16_t newName[MAX_ARG_LEN];
      const std::int32_t built =
          BuildNewName(directory.c_str(), oldName.c_str(), newName, noOptions, nullptr, nullptr);
      EXPECT_EQ(built, kind == NAME_TIDY ? NEW_NAME_UNCHANGED : NEW_NAME_READY)
          << TreeNameKindLabel(kind) << ": " << name;
    }
  }
}

}  // namespace
