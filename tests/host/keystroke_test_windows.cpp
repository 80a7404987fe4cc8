#include <gtest/gtest.h>

#include <vector>

#include "core/host_services.h"
#include "tests/support/capture.h"

namespace {

struct KeyCase {
  const char* what;
  const char* input;
  std::vector<int> keys;  // read before the exception
};

// Keys read from standard input when it is not a console; what ends the input,
// or Ctrl+C, ends the keys with an exception.
const KeyCase kKeyCases[] = {
    {"letters upper-cased, Esc as 27, line breaks skipped", "y\r\nn\nA\x1b" "q", {'Y', 'N', 'A', 27, 'Q'}},
    {"Ctrl+C raises at once, whatever follows", "y\x03n", {'Y'}},
};

TEST(GetKeystroke, ReadsKeysFromRedirectedInput) {
  for (const KeyCase& c : kKeyCases) {
    std::vector<int> keys;
    bool threw = false;
    testing_support::WithStandardInput(c.input, [&] {
      try {
        for (;;) {
          keys.push_back(GetKeystroke(560));
        }
      } catch (...) {
        threw = true;
      }
    });
    EXPECT_EQ(keys, c.keys) << c.what;
    EXPECT_TRUE(threw) << c.what;
  }
}

}  // namespace
