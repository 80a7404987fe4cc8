#include "cleaner/surrogates.h"
#include "platform/utf16_text.h"

#include <cstddef>
#include <memory>
#include <new>

#include "core/host_services.h"

namespace {


}  // namespace

std::int32_t ReplaceSurrogates(char16_t* name) {
  const std::unique_ptr<char16_t[]> scratch(new (std::nothrow) char16_t[MAX_ARG_LEN]);
  if (!scratch) {
    return SURROGATES_NO_MEMORY;
  }
  std::size_t written = 0;
  std::int32_t count = 0;
  for (std::size_t read = 0; name[read] != 0; ++read) {
    const char16_t ch = name[read];
    if (IsHighSurrogate(ch) || IsLowSurrogate(ch)) {
      scratch[written++] = u'_';
      ++count;
      if (IsHighSurrogate(ch) && IsLowSurrogate(name[read + 1])) {
        ++read;  // the pair's low half goes with its high half
      }
    } else {
      scratch[written++] = ch;
    }
    if (written >= static_cast<std::size_t>(MAX_ARG_LEN)) {
      return SURROGATES_TOO_LONG;
    }
  }
  if (count > 0) {
    for (std::size_t i = 0; i < written; ++i) {
      name[i] = scratch[i];
    }
    name[written] = 0;
  }
  return count;
}
