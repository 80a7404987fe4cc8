// An environment variable set or removed for one test, put back as it was after.
#pragma once

#include <optional>
#include <string>

namespace testing_support {

class ScopedEnvironmentVariable {
 public:
  // value std::nullopt removes the variable; an empty value sets it empty.
  ScopedEnvironmentVariable(const std::string& name, const std::optional<std::string>& value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Sets (value) or removes (std::nullopt) an environment variable, name and
// value in UTF-8.
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);
std::optional<std::string> EnvironmentValue(const std::string& name);

}  // namespace testing_support
