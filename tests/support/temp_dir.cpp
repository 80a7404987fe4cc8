#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <system_error>

namespace testing_support {

TempDir::TempDir() {
  static std::atomic<unsigned> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("purifile-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::u16string TempDir::engine_path() const {
  std::u16string text = path_.u16string();
  text.push_back(static_cast<char16_t>(std::filesystem::path::preferred_separator));
  return text;
}

}  // namespace testing_support
