// A fresh, empty directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory as the engine takes it: UTF-16, ending in the path separator.
  std::u16string engine_path() const;

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
