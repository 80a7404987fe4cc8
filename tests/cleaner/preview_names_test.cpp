#include "cleaner/preview_names.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

struct PreviewDeleter {
  void operator()(PreviewNames* preview) const { DestroyPreviewNames(preview); }
};
using Preview = std::unique_ptr<PreviewNames, PreviewDeleter>;

TEST(PreviewNames, LaterEventsWin) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"a"), PREVIEW_NAME_UNKNOWN);
  ASSERT_EQ(RecordPreviewRename(preview.get(), u"a", u"b"), PREVIEW_RECORDED);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"a"), PREVIEW_NAME_FREED);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"b"), PREVIEW_NAME_TAKEN);
  ASSERT_EQ(RecordPreviewRename(preview.get(), u"c", u"a"), PREVIEW_RECORDED);  // a is taken again
  ASSERT_EQ(RecordPreviewRename(preview.get(), u"b", u"d"), PREVIEW_RECORDED);  // b is left again
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"a"), PREVIEW_NAME_TAKEN);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"b"), PREVIEW_NAME_FREED);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"c"), PREVIEW_NAME_FREED);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"d"), PREVIEW_NAME_TAKEN);
  DestroyPreviewNames(nullptr);
}

TEST(PreviewNames, NamesCompareAsTheFileSystemDoes) {
  Preview preview(CreatePreviewNames());
  ASSERT_NE(preview, nullptr);
  const std::u16string longName(16383, u'\u4E2D');
  const char16_t* taken[] = {u"Readme.TXT", u"ab", u"\u00E9t\u00E9", u"\U0001F600", u"\xDC80x",
                             longName.c_str()};
  for (const char16_t* name : taken) {
    ASSERT_EQ(RecordPreviewRename(preview.get(), u"old", name), PREVIEW_RECORDED);
  }
  for (const char16_t* name : taken) {
    EXPECT_EQ(LookUpPreviewName(preview.get(), name), PREVIEW_NAME_TAKEN);
  }
  const std::int32_t foldedAscii = FILE_NAMES_IGNORE_CASE ? PREVIEW_NAME_TAKEN : PREVIEW_NAME_UNKNOWN;
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"README.txt"), foldedAscii);
  EXPECT_EQ(LookUpPreviewName(preview.get(), u"AB"), foldedAscii);
  // Everything but ASCII letters compares exactly, and a prefix is another name.
  const char16_t* unknown[] = {u"\u00C9T\u00C9", u"a", u"abc", u"\U0001F601", u"\xDC81x", u"", u"\u4E2D"};
  for (const char16_t* name : unknown) {
    EXPECT_EQ(LookUpPreviewName(preview.get(), name), PREVIEW_NAME_UNKNOWN)
        << testing::PrintToString(std::u16string(name));
  }
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
    ASSERT_EQ(RecordPreviewRename(preview.get(), NumberedName(u"old%20name ", i).c_str(),
                                  NumberedName(u"new name ", i).c_str()),
              PREVIEW_RECORDED);
  }
  for (int i = 0; i < ENTRIES; ++i) {
    ASSERT_EQ(LookUpPreviewName(preview.get(), NumberedName(u"old%20name ", i).c_str()), PREVIEW_NAME_FREED);
    ASSERT_EQ(LookUpPreviewName(preview.get(), NumberedName(u"new name ", i).c_str()), PREVIEW_NAME_TAKEN);
  }
  EXPECT_EQ(LookUpPreviewName(preview.get(), NumberedName(u"new name ", ENTRIES).c_str()), PREVIEW_NAME_UNKNOWN);
}

}  // namespace
