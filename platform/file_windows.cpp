// Files over Win32 handles, opened with every sharing mode so that other
// handles may read, write, rename and remove the file meanwhile.
#include <windows.h>
#include <io.h>
// <windows.h> names its own ReplaceFile; ours is platform::ReplaceFile.
#undef ReplaceFile

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file.h"
#include "platform/path_text.h"
#include "platform/transfer_loop.h"
#include "platform/windows_error.h"

namespace platform {
namespace {

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDifferenceTicks = 116444736000000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

[[noreturn]] void RaiseLast(const std::string& what) {
  Raise(ErrnoOf(GetLastError()), what);
}

HANDLE Native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool IsFolder(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t TicksToNanoseconds(const FILETIME& time) {
  const int64_t ticks = static_cast<int64_t>(
      (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kEpochDifferenceTicks) * 100;
}

FILETIME NanosecondsToTicks(int64_t ns) {
  // Rounds down to the 100 ns the file system keeps, also before 1970.
  int64_t ticks = ns / 100;
  if (ns % 100 < 0) --ticks;
  const auto value = static_cast<uint64_t>(ticks + kEpochDifferenceTicks);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

FileInfo InfoOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION data;
  if (!GetFileInformationByHandle(handle, &data)) RaiseLast("examining");
  FileInfo info;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = FileKind::kDirectory;
  } else if (GetFileType(handle) == FILE_TYPE_DISK) {
    info.kind = FileKind::kRegular;
  }
  info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info.modified_ns = TicksToNanoseconds(data.ftLastWriteTime);
  info.id = (static_cast<uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
  info.volume = data.dwVolumeSerialNumber;
  info.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  return info;
}

// FileRenameInfoEx, which mingw-w64's headers declare only for a
// _WIN32_WINNT value no other header accepts.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// At most this many bytes go to one ReadFile or WriteFile call.
constexpr size_t kMaxChunk = size_t{1} << 30;

}  // namespace

File::~File() {
  if (is_open()) CloseHandle(Native(handle_));
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (is_open()) CloseHandle(Native(handle_));
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

File File::Open(const std::filesystem::path& path, Access access,
                Creation creation) {
  const DWORD desired =
      GENERIC_READ | (access == Access::kReadWrite ? GENERIC_WRITE : 0);
  const DWORD disposition =
      creation == Creation::kCreateOrTruncate ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE handle = CreateFileW(path.c_str(), desired, kShareAll, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder is refused as "access denied"; say what it is.
    if (error == ERROR_ACCESS_DENIED && IsFolder(path)) {
      Raise(EISDIR, "opening " + platform::Utf8Of(path));
    }
    Raise(ErrnoOf(error), "opening " + platform::Utf8Of(path));
  }
  return File(reinterpret_cast<intptr_t>(handle));
}

size_t File::ReadAt(uint64_t offset, void* out, size_t length) const {
  auto* bytes = static_cast<uint8_t*>(out);
  return TransferAll(length, [&](size_t done) -> size_t {
    OVERLAPPED overlapped = At(offset + done);
    const auto chunk = static_cast<DWORD>(std::min(length - done, kMaxChunk));
    DWORD n = 0;
    if (!ReadFile(Native(handle_), bytes + done, chunk, &n, &overlapped)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      RaiseLast("reading");
    }
    return n;
  });
}

void File::WriteAt(uint64_t offset, const void* data, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const size_t written = TransferAll(length, [&](size_t done) -> size_t {
    OVERLAPPED overlapped = At(offset + done);
    const auto chunk = static_cast<DWORD>(std::min(length - done, kMaxChunk));
    DWORD n = 0;
    if (!WriteFile(Native(handle_), bytes + done, chunk, &n, &overlapped)) {
      RaiseLast("writing");
    }
    return n;
  });
  if (written < length) Raise(EIO, "writing");
}

void File::Sync() {
  if (!FlushFileBuffers(Native(handle_))) RaiseLast("syncing");
}

void File::Resize(uint64_t size) {
  FILE_END_OF_FILE_INFO end = {};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFileInformationByHandle(Native(handle_), FileEndOfFileInfo, &end,
                                  sizeof end)) {
    RaiseLast("resizing");
  }
}

FileInfo File::Info() const { return InfoOf(Native(handle_)); }

void File::Close() {
  if (!is_open()) return;
  HANDLE handle = Native(std::exchange(handle_, kClosed));
  if (!CloseHandle(handle)) RaiseLast("closing");
}

// Nothing is ever mapped here (see Map).
void MappedFile::Unmap() noexcept {}

std::optional<MappedFile> MappedFile::Map(const File&, uint64_t) {
  // Windows refuses to shrink a file, or to rename another over it, while
  // any process maps it: a reader's mapping would then keep a writer from
  // rolling back a crash (which cuts the file to its old size) and an
  // import from replacing the file. Files are read through File::ReadAt.
  return std::nullopt;
}

std::optional<FileInfo> PathInfo(const std::filesystem::path& path) {
  // Backup semantics let the call open folders too.
  HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME) {
      return std::nullopt;
    }
    Raise(ErrnoOf(error), "examining " + platform::Utf8Of(path));
  }
  try {
    FileInfo info = InfoOf(handle);
    CloseHandle(handle);
    return info;
  } catch (...) {
    CloseHandle(handle);
    throw;
  }
}

void SetModificationTime(const std::filesystem::path& path, int64_t modified_ns) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseLast("stamping " + platform::Utf8Of(path));
  const FILETIME time = NanosecondsToTicks(modified_ns);
  const bool ok = SetFileTime(handle, nullptr, nullptr, &time);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (!ok) Raise(ErrnoOf(error), "stamping " + platform::Utf8Of(path));
}

bool RemoveFile(const std::filesystem::path& path) {
  if (DeleteFileW(path.c_str())) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
  if (error == ERROR_ACCESS_DENIED && IsFolder(path)) {
    Raise(EISDIR, "removing " + platform::Utf8Of(path));
  }
  Raise(ErrnoOf(error), "removing " + platform::Utf8Of(path));
}

// Renames through the open handle with POSIX semantics (Windows 10 and
// later, NTFS): the name moves even while others have the old file open,
// as on POSIX systems. False where the system or file system lacks them.
bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  HANDLE handle = CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  // The target as the kernel names it: \??\ before the full path.
  std::error_code ec;
  const std::wstring target = L"\\??\\" + std::filesystem::absolute(to, ec).native();
  if (ec) {
    CloseHandle(handle);
    return false;
  }
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) +
                                    target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, target.data(), info->FileNameLength);
  const bool ok = SetFileInformationByHandle(handle, kFileRenameInfoEx, info,
                                             static_cast<DWORD>(buffer.size()));
  CloseHandle(handle);
  return ok;
}

void ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (RenameReplacing(from, to)) return;
  if (!MoveFileExW(from.c_str(), to.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    RaiseLast("renaming " + platform::Utf8Of(from) + " to " + platform::Utf8Of(to));
  }
}

bool MoveIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing name is refused, so a file
  // made meanwhile is never replaced.
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  DeleteFileW(from.c_str());
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
  Raise(ErrnoOf(error), "moving " + platform::Utf8Of(from) + " to " + platform::Utf8Of(to));
}

void SyncFolderOf(const std::filesystem::path&) {
  // MOVEFILE_WRITE_THROUGH already puts a rename on the disk.
}

uint64_t ProcessId() { return GetCurrentProcessId(); }

bool ProcessRunning(uint64_t pid) {
  if (pid == 0 || pid > MAXDWORD) return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

void CopyOwnerAndMode(const std::filesystem::path&, File&) {
  // A new file takes its folder's permissions, as the old one did.
}

bool IsTerminal(StandardStream stream) {
  FILE* file = stream == StandardStream::kInput    ? stdin
               : stream == StandardStream::kOutput ? stdout
                                                   : stderr;
  return _isatty(_fileno(file)) != 0;
}

std::FILE* OpenStdioFile(const std::filesystem::path& path, const char* mode) {
  const std::wstring wide_mode(mode, mode + std::strlen(mode));  // ASCII
  return ::_wfopen(path.c_str(), wide_mode.c_str());
}

}  // namespace platform
