// Catches what the code under test writes on standard output and standard
// error, through the C runtime or the host services alike, and feeds it
// standard input. Works by pointing descriptors 0, 1 and 2 (and on Windows the
// standard handles) at temporary files for the length of one call.
#pragma once

#include <functional>
#include <string>

namespace testing_support {

// Bytes as written: UTF-8 wherever the host writes to a file.
struct CapturedOutput {
  std::string standardOutput;
  std::string standardError;
};

// Runs action and returns what it wrote. Output still buffered when action
// returns (or throws) is part of the capture; the exception is passed on.
CapturedOutput CaptureOutput(const std::function<void()>& action);

// Runs action with standard input reading the given bytes, then at end of input.
void WithStandardInput(const std::string& bytes, const std::function<void()>& action);

std::u16string FromUtf8(const std::string& bytes);
std::string ToUtf8(const std::u16string& text);

}  // namespace testing_support
