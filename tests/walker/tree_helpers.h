// Building small directory trees for walker tests and reading them back.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace walker_testing {

// Test names are written as UTF-8 in std::string on every platform.
inline std::filesystem::path Utf8Path(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// Creates each entry below root: a name ending in '/' is a directory, any
// other a file whose content is its own relative path, so that a test can tell
// afterwards that no file lost or swapped its data.
inline void MakeTree(const std::filesystem::path& root, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    const std::filesystem::path path = root / Utf8Path(entry);
    if (!entry.empty() && entry.back() == '/') {
      std::filesystem::create_directories(path);
    } else {
      std::filesystem::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary) << entry;
    }
  }
}

// Every entry below root, relative and sorted, directories ending in '/'.
// Links are listed, never followed.
inline std::vector<std::string> ListTree(const std::filesystem::path& root) {
  std::vector<std::string> names;
  for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator();
       ++it) {
    // Lexically: relative() would resolve a link to where it points.
    std::string name = Utf8Text(it->path().lexically_relative(root));
    if (it->is_directory() && !it->is_symlink()) {
      name += '/';
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string FileContent(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace walker_testing
