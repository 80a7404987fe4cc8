#include "tests/support/capture.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tests/support/capture_descriptors.h"

namespace testing_support {
namespace {

// A temporary file opened for update, removed when the holder goes.
class ScratchFile {
 public:
  ScratchFile() {
    static std::atomic<unsigned> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("purifile-capture-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    file_ = std::fopen(path_.string().c_str(), "w+b");
    if (file_ == nullptr) {
      throw std::runtime_error("cannot create " + path_.string());
    }
  }
  ~ScratchFile() {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  std::FILE* file() const { return file_; }

  std::string Contents() const {
    std::string bytes;
    std::fseek(file_, 0, SEEK_SET);
    char block[4096];
    std::size_t read = 0;
    while ((read = std::fread(block, 1, sizeof block, file_)) > 0) {
      bytes.append(block, read);
    }
    return bytes;
  }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
};

// Points fd at a file for the life of the object; puts the old target back
// even when the call in between throws.
class Redirection {
 public:
  Redirection(int fd, std::FILE* file) : fd_(fd), saved_(SaveDescriptor(fd)) {
    if (saved_ < 0) {
      throw std::runtime_error("cannot save descriptor " + std::to_string(fd));
    }
    RedirectDescriptor(fd_, file);
  }
  ~Redirection() { RestoreDescriptor(fd_, saved_); }
  Redirection(const Redirection&) = delete;
  Redirection& operator=(const Redirection&) = delete;

 private:
  int fd_;
  int saved_;
};

}  // namespace

CapturedOutput CaptureOutput(const std::function<void()>& action) {
  ScratchFile output;
  ScratchFile error;
  FlushStandardStreams();
  {
    Redirection outputRedirection(1, output.file());
    Redirection errorRedirection(2, error.file());
    try {
      action();
    } catch (...) {
      FlushStandardStreams();
      throw;
    }
    FlushStandardStreams();
  }
  return CapturedOutput{output.Contents(), error.Contents()};
}

void WithStandardInput(const std::string& bytes, const std::function<void()>& action) {
  ScratchFile input;
  std::fwrite(bytes.data(), 1, bytes.size(), input.file());
  std::fflush(input.file());
  std::fseek(input.file(), 0, SEEK_SET);
  Redirection inputRedirection(0, input.file());
  action();
}

std::u16string FromUtf8(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < bytes.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return text;
}

std::string ToUtf8(const std::u16string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (code < 0x80) {
      bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return bytes;
}

}  // namespace testing_support
