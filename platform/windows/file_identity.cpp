// Windows implementation of GetFileIdentity and GetEntryIdentity: the volume
// serial number, file index and (of a file) creation time of the opened file. Opening follows junctions
// and symbolic links unless FILE_FLAG_OPEN_REPARSE_POINT says otherwise;
// FILE_FLAG_BACKUP_SEMANTICS lets a directory be opened at all.
#include "platform/win32.h"

namespace {

int Identity(const char16_t* path, DWORD flags, FileIdentity* identity) {
  HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
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
  identity->links = information.nNumberOfLinks;
  // A file's creation time, where a file system that hands a new file the
  // index of a deleted one (Wine over ext4; NTFS's index carries a sequence
  // number of its own) still tells the two apart. Not a directory's: the one
  // that Wine or a share makes up from other times moves when its entries
  // are renamed.
  const bool directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  identity->born = directory ? 0
                             : (static_cast<std::uint64_t>(information.ftCreationTime.dwHighDateTime) << 32) |
                                   information.ftCreationTime.dwLowDateTime;
  return 1;
}

}  // namespace

int GetFileIdentity(const char16_t* path, FileIdentity* identity) { return Identity(path, 0, identity); }

int GetEntryIdentity(const char16_t* path, FileIdentity* identity) {
  return Identity(path, FILE_FLAG_OPEN_REPARSE_POINT, identity);
}
