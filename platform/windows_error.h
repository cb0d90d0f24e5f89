// For the Windows implementations only: Win32 errors as the errno values
// that every platform's failures carry, and a file offset as an OVERLAPPED.
#ifndef PLATFORM_WINDOWS_ERROR_H_
#define PLATFORM_WINDOWS_ERROR_H_

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>

namespace platform {

inline int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_NOT_LOCKED:
      return ENOLCK;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIRECTORY:
      return EISDIR;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

[[noreturn]] inline void Raise(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

inline OVERLAPPED At(uint64_t offset) {
  OVERLAPPED overlapped = {};
  overlapped.Offset = static_cast<DWORD>(offset);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return overlapped;
}

}  // namespace platform

#endif  // PLATFORM_WINDOWS_ERROR_H_
