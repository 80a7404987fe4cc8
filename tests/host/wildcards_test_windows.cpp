#include <gtest/gtest.h>

#include "core/host_services.h"

namespace {

// The command shell hands over upper-cased patterns.
TEST(WildcardComparison, IgnoresAsciiCaseOnThisSystem) {
  EXPECT_EQ(WildcardComparison(u"*.TXT", u"a.txt", 1, 1), 0);
  EXPECT_EQ(WildcardComparison(u"*.*", u"README", 1, 1), 0);
}

}  // namespace
