// Error codes and their wording: every code the errno mapping can produce has
// Windows' text, delivered the way the diagnostics ask for it.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/posix/posix_internal.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kOneLine = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;

std::u16string MessageOf(DWORD code, DWORD flags) {
  char16_t buffer[1024];
  const DWORD length = FormatMessageW(flags, nullptr, code, 0, buffer, 1024, nullptr);
  return std::u16string(buffer, length);
}

TEST(ErrorText, EveryMappedCodeHasWindowsWordingOnOneLine) {
  std::vector<DWORD> codes = {kUnmappedErrnoCode, ERROR_NO_MORE_FILES, ERROR_INSUFFICIENT_BUFFER,
                              ERROR_ENVVAR_NOT_FOUND, ERROR_MR_MID_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE};
  for (std::size_t i = 0; i < kErrnoMappingCount; ++i) codes.push_back(kErrnoMappings[i].windowsCode);
  for (DWORD code : codes) {
    const std::u16string text = MessageOf(code, kOneLine);
    ASSERT_GT(text.size(), 10u) << code;
    EXPECT_EQ(u'.', text.back()) << code;
    EXPECT_EQ(std::u16string::npos, text.find_first_of(u"\r\n")) << code;
    // Without the width field Windows ends the text with a line break.
    EXPECT_EQ(text + u"\r\n", MessageOf(code, kOneLine & ~FORMAT_MESSAGE_MAX_WIDTH_MASK)) << code;
  }
}

TEST(ErrorText, MappingIsOneToOnePerErrno) {
  for (std::size_t i = 0; i < kErrnoMappingCount; ++i) {
    for (std::size_t j = i + 1; j < kErrnoMappingCount; ++j) {
      EXPECT_NE(kErrnoMappings[i].errnoValue, kErrnoMappings[j].errnoValue) << i << " " << j;
    }
    EXPECT_EQ(kErrnoMappings[i].windowsCode, WindowsErrorFromErrno(kErrnoMappings[i].errnoValue));
  }
  EXPECT_EQ(ERROR_ALREADY_EXISTS, WindowsErrorFromErrno(EEXIST));
  EXPECT_EQ(kUnmappedErrnoCode, WindowsErrorFromErrno(EHOSTDOWN));
}

// The errno behind the code stays known, with its own words: several errno
// values share one Windows code. A code set as a code stands for the errno
// the mapping first gives it, or for none.
TEST(ErrorText, TheErrnoBehindTheCodeKeepsItsOwnWords) {
  struct Case {
    int fromErrno;  // 0: the code is set with SetLastError
    DWORD code;
    int systemError;
    const char16_t* words;
  };
  const Case cases[] = {
      {EPERM, ERROR_ACCESS_DENIED, EPERM, u"Operation not permitted"},
      {EACCES, ERROR_ACCESS_DENIED, EACCES, u"Permission denied"},
      {EISDIR, ERROR_ACCESS_DENIED, EISDIR, u"Is a directory"},
      {EHOSTDOWN, kUnmappedErrnoCode, EHOSTDOWN, u"Host is down"},
      {0, ERROR_ALREADY_EXISTS, EEXIST, u"File exists"},
      {0, ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG, u"File name too long"},
      {0, ERROR_NO_MORE_FILES, 0, nullptr},
  };
  for (const Case& c : cases) {
    if (c.fromErrno != 0) {
      SetLastErrorFromErrno(c.fromErrno);
    } else {
      SetLastError(c.code);
    }
    EXPECT_EQ(c.code, GetLastError()) << c.code;
    EXPECT_EQ(static_cast<std::uint32_t>(c.systemError), GetLastSystemError()) << c.code;
    if (c.words != nullptr) {
      char16_t words[64];
      SystemErrorWords(GetLastSystemError(), words, 64);
      EXPECT_EQ(std::u16string(c.words), words) << c.code;
    }
  }
  EXPECT_EQ(static_cast<std::uint32_t>(ENOENT), SystemErrorOf(ERROR_FILE_NOT_FOUND));
  char16_t cut[5];
  SystemErrorWords(EEXIST, cut, 5);
  EXPECT_EQ(std::u16string(u"File"), cut);
}

TEST(ErrorText, Failures) {
  char16_t buffer[1024];
  EXPECT_EQ(0u, FormatMessageW(kOneLine, nullptr, 0xDEAD, 0, buffer, 1024, nullptr));
  EXPECT_EQ(ERROR_MR_MID_NOT_FOUND, GetLastError());
  EXPECT_EQ(0u, FormatMessageW(kOneLine, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 17, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(17u, FormatMessageW(kOneLine, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 18, nullptr));
  EXPECT_EQ(std::u16string(u"Access is denied."), buffer);
  // A message with inserts needs FORMAT_MESSAGE_IGNORE_INSERTS.
  EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, 0, buffer, 1024,
                               nullptr));
  // Nor is a text of the caller's (FORMAT_MESSAGE_FROM_STRING) ever formatted.
  constexpr DWORD kFromString = 0x400;
  EXPECT_EQ(0u, FormatMessageW(kFromString, u"text", 0, 0, buffer, 1024, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

}  // namespace
