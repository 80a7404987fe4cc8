// The process's environment block, which GetEnvironmentVariableW reads (the C
// runtime keeps a copy of its own that the host never looks at).
#include <vector>

#include "platform/win32.h"
#include "tests/support/capture.h"
#include "tests/support/environment.h"

namespace testing_support {

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  const std::u16string wideName = FromUtf8(name);
  const std::u16string wideValue = value ? FromUtf8(*value) : std::u16string();
  SetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(wideName.c_str()),
                          value ? reinterpret_cast<const wchar_t*>(wideValue.c_str()) : nullptr);
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const std::u16string wideName = FromUtf8(name);
  SetLastError(ERROR_SUCCESS);
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) {
    return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>("");
  }
  std::vector<char16_t> value(size);
  GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  return ToUtf8(std::u16string(value.data()));
}

}  // namespace testing_support
