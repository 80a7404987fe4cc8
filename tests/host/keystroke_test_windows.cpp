#include <gtest/gtest.h>

#include <vector>

#include "plugin/host_services.h"
#include "tests/support/capture.h"

namespace {

// Keys read from standard input when it is not a console; what ends the input
// ends the keys with an exception.
TEST(GetKeystroke, ReadsKeysFromRedirectedInput) {
  std::vector<int> keys;
  bool threw = false;
  testing_support::WithStandardInput("y\r\nn\nA\x1b" "q", [&] {
    try {
      for (;;) {
        keys.push_back(GetKeystroke(560));
      }
    } catch (...) {
      threw = true;
    }
  });
  EXPECT_EQ(keys, (std::vector<int>{'Y', 'N', 'A', 27, 'Q'}));
  EXPECT_TRUE(threw);
}

}  // namespace
