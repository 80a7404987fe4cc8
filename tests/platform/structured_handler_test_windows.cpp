// The frame handler that stands where a shell's __except would: what it takes,
// what it lets pass, and that the program runs on normally after either.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/windows/structured_handler.h"

namespace {

struct Call {
  int kind;
  int calls;
  int completed;
};

constexpr int kReturns = 0;
constexpr int kRaisesCode = 1;
constexpr int kRaisesNoncontinuable = 2;
constexpr int kWritesWithoutAccess = 3;
constexpr int kThrows = 4;

void Misbehave(void* context) {
  auto* call = static_cast<Call*>(context);
  ++call->calls;
  switch (call->kind) {
    case kRaisesCode:
      RaiseException(0xE0000001, 0, 0, nullptr);
      break;
    case kRaisesNoncontinuable:
      RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
      break;
    case kWritesWithoutAccess: {
      int* volatile target = static_cast<int*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
      *target = 1;
      break;
    }
    case kThrows:
      throw std::runtime_error("thrown");
    default:
      break;
  }
  ++call->completed;
}

TEST(StructuredHandler, TakesStructuredExceptionsAndReturnsTheirCode) {
  struct Row {
    int kind;
    int caught;
    DWORD code;
  };
  const Row rows[] = {
      {kReturns, 0, 0},
      {kRaisesCode, 1, 0xE0000001},
      {kRaisesNoncontinuable, 1, 0xE06D7363},
      {kWritesWithoutAccess, 1, EXCEPTION_ACCESS_VIOLATION},
  };
  for (const Row& row : rows) {
    // Twice each: a handler that left the stack or its own state damaged
    // would show it on the second call.
    for (int round = 0; round < 2; ++round) {
      Call call{row.kind, 0, 0};
      DWORD code = 0xFFFFFFFF;
      EXPECT_EQ(CallUnderStructuredHandler(&Misbehave, &call, &code), row.caught) << row.kind;
      EXPECT_EQ(code, row.code) << row.kind;
      EXPECT_EQ(call.calls, 1) << row.kind;
      EXPECT_EQ(call.completed, row.caught == 0 ? 1 : 0) << row.kind << ": resumed after the exception";
    }
  }
}

TEST(StructuredHandler, LetsThisToolchainsThrowReachItsCatch) {
  Call call{kThrows, 0, 0};
  DWORD code = 0;
  bool caught = false;
  try {
    CallUnderStructuredHandler(&Misbehave, &call, &code);
  } catch (const std::runtime_error& error) {
    caught = std::string(error.what()) == "thrown";
  }
  EXPECT_TRUE(caught);
  EXPECT_EQ(call.completed, 0);
}

}  // namespace
