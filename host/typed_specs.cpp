#include "host/typed_specs.h"

#include "host/ascii_case.h"
#include "plugin/host_services.h"

namespace {

constexpr std::int32_t MAX_TYPED_SPECS = 1024;

// The specifications back to back in one pool, each with its terminator, like
// the command's own argument table.
struct TypedSpecTable {
  std::int32_t count;
  std::int32_t poolUsed;
  std::int32_t starts[MAX_TYPED_SPECS];
  bool taken[MAX_TYPED_SPECS];
  char16_t pool[MAX_ARG_LEN];
};

TypedSpecTable typedSpecs;

bool UpperCasesTo(const char16_t* typed, const char16_t* spec) {
  while (*typed != u'\0' && UpperAscii(*typed) == *spec) {
    ++typed;
    ++spec;
  }
  return *typed == u'\0' && *spec == u'\0';
}

}  // namespace

std::int32_t RegisterTypedFileSpec(const char16_t* typed) {
  if (typed == nullptr) {
    return 1;
  }
  std::int32_t length = 0;
  while (typed[length] != u'\0') {
    ++length;
  }
  if (typedSpecs.count == MAX_TYPED_SPECS || typedSpecs.poolUsed + length + 1 > MAX_ARG_LEN) {
    return 1;
  }
  char16_t* stored = typedSpecs.pool + typedSpecs.poolUsed;
  for (std::int32_t i = 0; i <= length; ++i) {
    stored[i] = typed[i];
  }
  typedSpecs.starts[typedSpecs.count] = typedSpecs.poolUsed;
  typedSpecs.taken[typedSpecs.count] = false;
  ++typedSpecs.count;
  typedSpecs.poolUsed += length + 1;
  return 0;
}

std::int32_t ForgetTypedFileSpecs() {
  typedSpecs.count = 0;
  typedSpecs.poolUsed = 0;
  return 0;
}

const char16_t* TypedFileSpec(const char16_t* spec) {
  std::int32_t firstMatch = -1;
  for (std::int32_t i = 0; i < typedSpecs.count; ++i) {
    const char16_t* typed = typedSpecs.pool + typedSpecs.starts[i];
    if (!UpperCasesTo(typed, spec)) {
      continue;
    }
    if (!typedSpecs.taken[i]) {
      typedSpecs.taken[i] = true;
      return typed;
    }
    if (firstMatch < 0) {
      firstMatch = i;
    }
  }
  return firstMatch < 0 ? spec : typedSpecs.pool + typedSpecs.starts[firstMatch];
}
