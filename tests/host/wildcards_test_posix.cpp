#include <gtest/gtest.h>

#include "core/host_services.h"

namespace {

// The standalone program on POSIX takes the pattern as the user typed it and
// matches as the shell would.
TEST(WildcardComparison, FollowsTheShellOnThisSystem) {
  EXPECT_NE(WildcardComparison(u"*.TXT", u"a.txt", 1, 1), 0);
  EXPECT_EQ(WildcardComparison(u"*.txt", u"a.txt", 1, 1), 0);
  EXPECT_NE(WildcardComparison(u"*.*", u"README", 1, 1), 0);
}

}  // namespace
