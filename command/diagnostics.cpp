#include "command/diagnostics.h"

#include <string>

#include "cleaner/char_classes.h"
#include "command/report.h"
#include "platform/utf16_text.h"
#include "core/version.h"
#include "core/host_services.h"

namespace {

// GetLastError's value when no error code could be had at all.
constexpr std::uint32_t unknownErrorCode = 0xFFFFFFFFu;
// From the system's message table, inserts ignored, the message's own soft line
// breaks dropped and no new ones added.
constexpr DWORD systemTextFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;

void CopyText(char16_t* target, const char16_t* source) {
  std::char_traits<char16_t>::copy(target, source, TextLength(source) + 1);
}

}  // namespace

std::int32_t ErrorPrefix() {
  // The POSIX program's messages begin with its name alone, as its platform's do.
  if (ReportStyleInUse() == REPORT_POSIX_STYLE) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%s: ", COMMAND_NAME);
    return 0;
  }
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%s plugin: ", PLUGIN_NAME);

  char16_t batchState[MAX_ARG_LEN] = u"%_batch";
  ExpandVariables(batchState, 1);
  // The nesting level is "0" outside any batch file. Anything else, even an
  // empty expansion, is taken as running inside one.
  if (batchState[0] == u'0') {
    return 0;
  }
  CopyText(batchState, u"%_batchname [%_batchline]  ");
  ExpandVariables(batchState, 1);
  // Written as text, never as a format: a batch file's path may hold '%'.
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"%s", batchState);
  return 0;
}

std::int32_t SystemErrorText(std::uint32_t code, char16_t* buffer) {
  if (code == unknownErrorCode) {
    CopyText(buffer, u"Unknown error");
  } else if (FormatMessageW(systemTextFlags, nullptr, code, 0, buffer, static_cast<DWORD>(ERROR_TEXT_LEN),
                            nullptr) == 0) {
    Sprintf(buffer, u"Error %d", static_cast<std::int32_t>(code));
  }
  std::size_t length = TextLength(buffer);
  while (length > 0 && IsWhitespace(buffer[length - 1])) {
    buffer[--length] = u'\0';
  }
  return 0;
}

std::int32_t ReportSystemError(const char16_t* heading, const char16_t* subject, std::uint32_t code) {
  char16_t errorText[ERROR_TEXT_LEN];
  SystemErrorText(code, errorText);
  Diagnose(heading, subject);
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"    %s\r\n", errorText);
  Qprintf(GetStdHandle(STD_ERROR_HANDLE), u"\r\n");
  return 0;
}
