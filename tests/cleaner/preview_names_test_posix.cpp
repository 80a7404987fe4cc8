// The memory a preview record takes, measured on glibc's heap.
#include <malloc.h>

#include <string>

#include <gtest/gtest.h>

#include "cleaner/preview_names.h"

namespace {

TEST(PreviewNames, HundredThousandRenamesStayFarBelowSixteenMebibytes) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator does not report glibc heap figures";
#else
  const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
  PreviewNames* preview = CreatePreviewNames();
  ASSERT_NE(preview, nullptr);
  for (int i = 0; i < 100000; ++i) {
    const std::string number = std::to_string(i);
    const std::u16string digits(number.begin(), number.end());
    ASSERT_EQ(RecordPreviewRename(preview, 0, (u"Holiday%20photo " + digits + u".jpg").c_str(),
                                  (u"Holiday photo " + digits + u".jpg").c_str()),
              PREVIEW_RECORDED);
  }
  const std::size_t used = mallinfo2().uordblks + mallinfo2().hblkhd - before;
  DestroyPreviewNames(preview);
  // 200,000 names of 23 and 25 characters: about 5.2 MiB of names in 1 MiB
  // chunks and a table of 2 MiB, some 8 MiB in all.
  EXPECT_GT(used, 200000u * 24);
  EXPECT_LT(used, 10u << 20) << used << " bytes";
#endif
}

}  // namespace
