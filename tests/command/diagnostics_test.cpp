#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <string>

#include "command/diagnostics.h"
#include "host/shell_state.h"
#include "core/host_services.h"
#include "tests/support/capture.h"

namespace {

using testing_support::CaptureOutput;

std::string PrefixWritten() {
  const auto captured = CaptureOutput([] { ErrorPrefix(); });
  EXPECT_EQ(captured.standardOutput, "");
  return captured.standardError;
}

TEST(ErrorPrefix, OutsideABatchFileNamesThePlugin) {
  SetBatchState(0, nullptr, 0);
  EXPECT_EQ(PrefixWritten(), "Purifile plugin: ");
}

TEST(ErrorPrefix, InsideABatchFileAddsItsNameAndLine) {
  struct {
    const char16_t* batchFile;
    std::int32_t line;
    const char* expected;
  } const cases[] = {
      {u"C:\\scripts\\clean.btm", 3, "Purifile plugin: C:\\scripts\\clean.btm [3]  "},
      // A '%' in the path is written as it stands, never read as a conversion.
      {u"/home/u/100%s %d%%.btm", 12, "Purifile plugin: /home/u/100%s %d%%.btm [12]  "},
      {u"/b/caf\u00e9.btm", 1, "Purifile plugin: /b/caf\xC3\xA9.btm [1]  "},
  };
  for (const auto& row : cases) {
    SetBatchState(1, row.batchFile, row.line);
    EXPECT_EQ(PrefixWritten(), row.expected);
  }
  SetBatchState(0, nullptr, 0);
}

std::u16string ErrorText(std::uint32_t code) {
  char16_t buffer[1024];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(SystemErrorText(code, buffer), 0);
  return std::u16string(buffer);
}

TEST(SystemErrorText, UnknownErrorWithoutAskingTheSystem) {
  EXPECT_EQ(ErrorText(0xFFFFFFFFu), u"Unknown error");
}

TEST(SystemErrorText, CodesWithoutTextPrintAsSignedNumbers) {
  struct {
    std::uint32_t code;
    const char16_t* expected;
  } const cases[] = {
      {0x1FFFFFFFu, u"Error 536870911"},
      {0xE0001234u, u"Error -536866252"},
      {0x80000000u, u"Error -2147483648"},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(ErrorText(row.code), row.expected) << row.code;
  }
}

TEST(SystemErrorText, SystemTextsComeWithoutTrailingWhitespace) {
  // The system's wording differs between systems; its shape does not.
  for (const std::uint32_t code : {2u, 3u, 5u, 183u, 206u}) {
    const std::u16string text = ErrorText(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.rfind(u"Error ", 0), std::u16string::npos) << code;
    EXPECT_FALSE(std::iswspace(static_cast<std::wint_t>(text.back()))) << code;
    EXPECT_EQ(text.find(u'\n'), std::u16string::npos) << code;
  }
}

// The subject is put in through the heading's one %s; a '%' in it stays text.
TEST(ReportSystemError, PrefixHeadingIndentedSystemTextAndAnEmptyLine) {
  SetBatchState(0, nullptr, 0);
  const auto captured =
      CaptureOutput([] { ReportSystemError(u"Error renaming \"%s\":\r\n", u"50%s off", 0xFFFFFFFFu); });
  EXPECT_EQ(captured.standardOutput, "");
  const std::string lineEnd = captured.standardError.find("\r\n") == std::string::npos ? "\n" : "\r\n";
  EXPECT_EQ(captured.standardError,
            "Purifile plugin: Error renaming \"50%s off\":" + lineEnd + "    Unknown error" + lineEnd + lineEnd);
}

}  // namespace
