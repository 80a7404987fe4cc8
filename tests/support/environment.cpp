#include "tests/support/environment.h"

namespace testing_support {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const std::string& name,
                                                     const std::optional<std::string>& value)
    : name_(name), previous_(EnvironmentValue(name)) {
  SetEnvironmentValue(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() { SetEnvironmentValue(name_, previous_); }

}  // namespace testing_support
