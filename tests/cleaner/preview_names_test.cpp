#include "cleaner/preview_names.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/shared_types.h"


namespace {

struct PreviewDeleter {
  void operator()(PreviewNames* preview) const { DestroyPreviewNames(preview); }
};
using Preview = std::unique_ptr<PreviewNames, PreviewDeleter>;

// Per name, the names given minus the names left.
TEST(PreviewNames, CountsNamesGivenAndLeft) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"a"), 0);
  ASSERT_EQ(RecordPreviewRename(preview.get(), 0, u"a", u"b"), PREVIEW_RECORDED);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"a"), -1);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"b"), 1);
  ASSERT_EQ(RecordPreviewRename(preview.get(), 0, u"c", u"a"), PREVIEW_RECORDED);  // a is taken again
  ASSERT_EQ(RecordPreviewRename(preview.get(), 0, u"b", u"d"), PREVIEW_RECORDED);  // b is left again
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"a"), 0);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"b"), 0);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"c"), -1);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"d"), 1);
  // Twins under /W share a key: two entries may leave it.
  ASSERT_EQ(RecordPreviewRename(preview.get(), 0, u"FOO", u"FOO-001"), PREVIEW_RECORDED);
  ASSERT_EQ(RecordPreviewRename(preview.get(), 0, u"FOO", u"FOO-002"), PREVIEW_RECORDED);
  EXPECT_EQ(CountPreviewName(preview.get(), 0, u"FOO"), -2);
  DestroyPreviewNames(nullptr);
}

// Keys compare exactly (the caller folds them as the directory does), and
// only within their directory.
TEST(PreviewNames, KeysCompareExactlyWithinTheirDirectory) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  const std::uint32_t first = PreviewDirectory(preview.get(), {7, 1}, true);
  const std::uint32_t second = PreviewDirectory(preview.get(), {7, 2}, true);
  ASSERT_NE(first, NO_PREVIEW_DIRECTORY);
  ASSERT_NE(second, NO_PREVIEW_DIRECTORY);
  EXPECT_NE(first, second);
  EXPECT_EQ(PreviewDirectory(preview.get(), {7, 1}, false), first) << "one identity, one number";
  EXPECT_EQ(PreviewDirectory(preview.get(), {8, 1}, false), NO_PREVIEW_DIRECTORY);
  const std::u16string longName(16383, u'\u4E2D');
  const char16_t* taken[] = {u"Readme.TXT", u"ab", u"\u00E9t\u00E9", u"\U0001F600", u"\xDC80x",
                             longName.c_str()};
  for (const char16_t* name : taken) {
    ASSERT_EQ(RecordPreviewRename(preview.get(), first, u"old", name), PREVIEW_RECORDED);
  }
  for (const char16_t* name : taken) {
    EXPECT_EQ(CountPreviewName(preview.get(), first, name), 1);
    EXPECT_EQ(CountPreviewName(preview.get(), second, name), 0);
  }
  const char16_t* unknown[] = {u"README.txt", u"AB", u"\u00C9T\u00C9", u"a", u"abc", u"\U0001F601",
                               u"\xDC81x", u"", u"\u4E2D"};
  for (const char16_t* name : unknown) {
    EXPECT_EQ(CountPreviewName(preview.get(), first, name), 0) << testing::PrintToString(std::u16string(name));
  }
}

// Each entry renamed is followed from the name it has on the disk to the
// last name the preview gave it, and back, within its directory only.
TEST(PreviewNames, FollowsEachRenamedEntryToItsLastName) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  char16_t name[MAX_ARG_LEN];
  EXPECT_FALSE(PreviewNameOf(preview.get(), 0, u"a", name));
  ASSERT_EQ(RecordPreviewMove(preview.get(), 0, u"a", u"b"), PREVIEW_RECORDED);
  ASSERT_EQ(RecordPreviewMove(preview.get(), 0, u"b", u"c"), PREVIEW_RECORDED);  // a, once b, is renamed again
  ASSERT_EQ(RecordPreviewMove(preview.get(), 0, u"\u00E9", u"b"), PREVIEW_RECORDED);  // b is free again
  ASSERT_EQ(RecordPreviewMove(preview.get(), 1, u"c", u"d"), PREVIEW_RECORDED);
  const struct {
    std::uint32_t directory;
    const char16_t* onDisk;
    const char16_t* last;  // null: not renamed
  } entries[] = {{0, u"a", u"c"}, {0, u"\u00E9", u"b"}, {0, u"b", nullptr}, {0, u"c", nullptr},
                 {0, u"A", nullptr}, {1, u"c", u"d"}, {1, u"a", nullptr}};
  for (const auto& entry : entries) {
    const std::u16string what = std::u16string(entry.onDisk);
    const bool renamed = PreviewNameOf(preview.get(), entry.directory, entry.onDisk, name);
    ASSERT_EQ(renamed, entry.last != nullptr) << testing::PrintToString(what);
    if (renamed) {
      EXPECT_EQ(std::u16string(name), entry.last) << testing::PrintToString(what);
      ASSERT_TRUE(PreviewNameOnDisk(preview.get(), entry.directory, entry.last, name));
      EXPECT_EQ(std::u16string(name), what);
    }
  }
  EXPECT_FALSE(PreviewNameOnDisk(preview.get(), 0, u"a", name)) << "a is on the disk under its own name";
  EXPECT_FALSE(PreviewNameOnDisk(preview.get(), 1, u"b", name));
}

std::u16string NumberedName(const char16_t* prefix, int number) {
  std::u16string name = prefix;
  for (const char digit : std::to_string(number)) name += static_cast<char16_t>(digit);
  return name + u".txt";
}

TEST(PreviewNames, ManyEntriesInOneDirectory) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  constexpr int ENTRIES = 100000;
  for (int i = 0; i < ENTRIES; ++i) {
    ASSERT_EQ(RecordPreviewRename(preview.get(), 3, NumberedName(u"old%20name ", i).c_str(),
                                  NumberedName(u"new name ", i).c_str()),
              PREVIEW_RECORDED);
  }
  for (int i = 0; i < ENTRIES; ++i) {
    ASSERT_EQ(CountPreviewName(preview.get(), 3, NumberedName(u"old%20name ", i).c_str()), -1);
    ASSERT_EQ(CountPreviewName(preview.get(), 3, NumberedName(u"new name ", i).c_str()), 1);
  }
  EXPECT_EQ(CountPreviewName(preview.get(), 3, NumberedName(u"new name ", ENTRIES).c_str()), 0);
}

}  // namespace
