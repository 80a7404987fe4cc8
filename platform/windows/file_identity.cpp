// Windows implementation of GetFileIdentity: the volume serial number and file
// index of the opened file. Opening follows junctions and symbolic links;
// FILE_FLAG_BACKUP_SEMANTICS lets a directory be opened at all.
#include "platform/win32.h"

int GetFileIdentity(const char16_t* path, FileIdentity* identity) {
  HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const BOOL known = ::GetFileInformationByHandle(file, &information);
  const DWORD error = GetLastError();
  ::CloseHandle(file);
  if (!known) {
    SetLastError(error);
    return 0;
  }
  identity->volume = information.dwVolumeSerialNumber;
  identity->index = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return 1;
}
