// POSIX implementation: the last-error value, the one mapping from errno to
// Windows error codes, and FormatMessageW over Windows' wording of those codes;
// beside the last error, the errno it was mapped from, with strerror's words
// for it (platform/system_error.h).
#include <cerrno>
#include <cstring>

#include "platform/posix/posix_internal.h"
#include "platform/system_error.h"
#include "platform/utf16_text.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
// The errno value lastError was mapped from; 0 when it was set as a code.
thread_local int lastErrno = 0;

// Windows' own texts for every code the layer sets, so that a diagnostic reads
// the same on every platform. Windows ends each with "\r\n"; FormatMessageW
// adds that back unless the caller asks for no line breaks.
struct SystemMessage {
  DWORD code;
  const char16_t* text;
};

constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, u"Incorrect function."},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory resources are available to process this command."},
    {ERROR_NOT_SAME_DEVICE, u"The system cannot move the file to a different disk drive."},
    {ERROR_NO_MORE_FILES, u"There are no more files."},
    {ERROR_WRITE_PROTECT, u"The media is write protected."},
    {ERROR_SHARING_VIOLATION, u"The process cannot access the file because it is being used by another process."},
    {ERROR_NOT_SUPPORTED, u"The request is not supported."},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
    {ERROR_DISK_FULL, u"There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty."},
    {ERROR_BUSY, u"The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists."},
    {ERROR_ENVVAR_NOT_FOUND, u"The system could not find the environment option that was entered."},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long."},
    {ERROR_NO_DATA, u"The pipe is being closed."},
    {ERROR_DIRECTORY, u"The directory name is invalid."},
    {ERROR_MR_MID_NOT_FOUND, u"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_IO_DEVICE, u"The request could not be performed because of an I/O device error."},
    {ERROR_TOO_MANY_LINKS, u"An attempt was made to create more links on a file than the file system supports."},
    {ERROR_NOT_ENOUGH_QUOTA, u"Not enough quota is available to process this command."},
    {ERROR_CANT_RESOLVE_FILENAME, u"The name of the file cannot be resolved by the system."},
};

// Windows' own wording of an error code, without the line break Windows ends
// it with; null for codes the layer does not know.
const char16_t* SystemMessageText(DWORD code) {
  for (const SystemMessage& message : kSystemMessages) {
    if (message.code == code) return message.text;
  }
  return nullptr;
}

}  // namespace

// How Windows reports what each errno value says. Values not listed here
// become kUnmappedErrnoCode.
const ErrnoMapping kErrnoMappings[] = {
    {EPERM, ERROR_ACCESS_DENIED},
    {EACCES, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENXIO, ERROR_FILE_NOT_FOUND},  // e.g. no controlling terminal behind /dev/tty
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_NOT_ENOUGH_QUOTA},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOTTY, ERROR_INVALID_HANDLE},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EFAULT, ERROR_INVALID_PARAMETER},
    {EILSEQ, ERROR_INVALID_NAME},  // a file system that takes only valid UTF-8 names
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EBUSY, ERROR_BUSY},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EMLINK, ERROR_TOO_MANY_LINKS},
    {EIO, ERROR_IO_DEVICE},
    {ENOSYS, ERROR_NOT_SUPPORTED},
    {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
    {EPIPE, ERROR_NO_DATA},
};
const std::size_t kErrnoMappingCount = sizeof kErrnoMappings / sizeof kErrnoMappings[0];

DWORD WindowsErrorFromErrno(int errnoValue) {
  for (std::size_t i = 0; i < kErrnoMappingCount; ++i) {
    if (kErrnoMappings[i].errnoValue == errnoValue) return kErrnoMappings[i].windowsCode;
  }
  return kUnmappedErrnoCode;
}

void SetLastErrorFromErrno(int errnoValue) {
  lastError = WindowsErrorFromErrno(errnoValue);
  lastErrno = errnoValue;
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD code) {
  lastError = code;
  lastErrno = 0;
}

std::uint32_t GetLastSystemError() {
  return lastErrno != 0 ? static_cast<std::uint32_t>(lastErrno) : SystemErrorOf(lastError);
}

// The first errno value the table maps to the code.
std::uint32_t SystemErrorOf(std::uint32_t code) {
  for (std::size_t i = 0; i < kErrnoMappingCount; ++i) {
    if (kErrnoMappings[i].windowsCode == code) return static_cast<std::uint32_t>(kErrnoMappings[i].errnoValue);
  }
  return 0;
}

void SystemErrorWords(std::uint32_t error, char16_t* text, std::size_t capacity) {
  char bytes[256];
  // The GNU strerror_r, which may hand back a text of its own instead of bytes.
  const char* words = strerror_r(static_cast<int>(error), bytes, sizeof bytes);
  const std::size_t length = DecodeUtf8(words, std::strlen(words), text, capacity - 1);
  text[length < capacity ? length : capacity - 1] = 0;
}

// Only what the system itself says (FORMAT_MESSAGE_FROM_SYSTEM) into the
// caller's buffer. The line-width field is honoured as "no line breaks" for any
// non-zero width: these messages are one sentence each, so there is nothing to
// wrap, and the caller only wants the closing "\r\n" gone.
DWORD FormatMessageW(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/,
                     LPWSTR buffer, DWORD size, std::va_list* /*arguments*/) {
  const DWORD supported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~supported) != 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char16_t* text = SystemMessageText(messageId);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const DWORD length = static_cast<DWORD>(TextLength(text));
  for (DWORD i = 0; i < length; ++i) {
    // Inserts need arguments this layer never receives.
    if (text[i] == u'%' && (flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  const bool lineBreak = (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == 0;
  const DWORD total = length + (lineBreak ? 2 : 0);
  if (total + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (DWORD i = 0; i < length; ++i) buffer[i] = text[i];
  if (lineBreak) {
    buffer[length] = u'\r';
    buffer[length + 1] = u'\n';
  }
  buffer[total] = 0;
  return total;
}
