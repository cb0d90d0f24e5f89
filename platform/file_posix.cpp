// Files over POSIX descriptors.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file.h"
#include "platform/path_text.h"
#include "platform/transfer_loop.h"

namespace platform {
namespace {

[[noreturn]] void Raise(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

FileInfo ToInfo(const struct stat& st) {
  FileInfo info;
  info.kind = S_ISREG(st.st_mode)   ? FileKind::kRegular
              : S_ISDIR(st.st_mode) ? FileKind::kDirectory
                                    : FileKind::kOther;
  info.size = static_cast<uint64_t>(st.st_size);
  info.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                     st.st_mtim.tv_nsec;
  info.id = st.st_ino;
  info.volume = st.st_dev;
  info.read_only = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return info;
}

int Descriptor(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

File::~File() {
  if (is_open()) ::close(Descriptor(handle_));
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (is_open()) ::close(Descriptor(handle_));
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

File File::Open(const std::filesystem::path& path, Access access,
                Creation creation) {
  int flags = (access == Access::kReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (creation == Creation::kCreateOrTruncate) flags |= O_CREAT | O_TRUNC;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Raise(errno, "opening " + platform::Utf8Of(path));
  File file(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) Raise(errno, "examining " + platform::Utf8Of(path));
  if (S_ISDIR(st.st_mode)) Raise(EISDIR, "opening " + platform::Utf8Of(path));
  return file;
}

size_t File::ReadAt(uint64_t offset, void* out, size_t length) const {
  auto* bytes = static_cast<uint8_t*>(out);
  return TransferAll(length, [&](size_t done) -> size_t {
    while (true) {
      ssize_t n = ::pread(Descriptor(handle_), bytes + done, length - done,
                          static_cast<off_t>(offset + done));
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) Raise(errno, "reading");
    }
  });
}

void File::WriteAt(uint64_t offset, const void* data, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const size_t written = TransferAll(length, [&](size_t done) -> size_t {
    while (true) {
      ssize_t n = ::pwrite(Descriptor(handle_), bytes + done, length - done,
                           static_cast<off_t>(offset + done));
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) Raise(errno, "writing");
    }
  });
  if (written < length) Raise(EIO, "writing");
}

void File::Sync() {
  if (::fsync(Descriptor(handle_)) != 0) Raise(errno, "syncing");
}

void File::Resize(uint64_t size) {
  if (::ftruncate(Descriptor(handle_), static_cast<off_t>(size)) != 0) {
    Raise(errno, "resizing");
  }
}

FileInfo File::Info() const {
  struct stat st;
  if (::fstat(Descriptor(handle_), &st) != 0) Raise(errno, "examining");
  return ToInfo(st);
}

void File::Close() {
  if (!is_open()) return;
  int fd = Descriptor(std::exchange(handle_, kClosed));
  if (::close(fd) != 0 && errno != EINTR) Raise(errno, "closing");
}

void MappedFile::Unmap() noexcept {
  if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

std::optional<MappedFile> MappedFile::Map(const File& file, uint64_t size) {
  if (size == 0 || size > SIZE_MAX) return std::nullopt;
  void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED,
                   Descriptor(file.native()), 0);
  if (p == MAP_FAILED) return std::nullopt;
  MappedFile mapped;
  mapped.data_ = static_cast<const uint8_t*>(p);
  mapped.size_ = static_cast<size_t>(size);
  return mapped;
}

std::optional<FileInfo> PathInfo(const std::filesystem::path& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return ToInfo(st);
  if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
  Raise(errno, "examining " + platform::Utf8Of(path));
}

void SetModificationTime(const std::filesystem::path& path, int64_t modified_ns) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(modified_ns / 1000000000);
  times[1].tv_nsec = static_cast<long>(modified_ns % 1000000000);
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
    Raise(errno, "stamping " + platform::Utf8Of(path));
  }
}

bool RemoveFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) == 0) return true;
  if (errno == ENOENT) return false;
  Raise(errno, "removing " + platform::Utf8Of(path));
}

void ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    Raise(errno, "renaming " + platform::Utf8Of(from) + " to " + platform::Utf8Of(to));
  }
}

bool MoveIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to) {
  // link() refuses an existing name, so a file made meanwhile is never
  // replaced.
  const bool linked = ::link(from.c_str(), to.c_str()) == 0;
  const int error = errno;
  ::unlink(from.c_str());
  if (linked) return true;
  if (error == EEXIST) return false;
  Raise(error, "linking " + platform::Utf8Of(from) + " to " + platform::Utf8Of(to));
}

void SyncFolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

uint64_t ProcessId() { return static_cast<uint64_t>(::getpid()); }

bool ProcessRunning(uint64_t pid) {
  if (pid == 0 || pid > static_cast<uint64_t>(INT32_MAX)) return false;
  // EPERM: it runs, as another user.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void CopyOwnerAndMode(const std::filesystem::path& from, File& to) {
  struct stat st;
  if (::stat(from.c_str(), &st) != 0) return;
  const int fd = Descriptor(to.native());
  // Only root may give a file away; a member of the group may set it.
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
    (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  }
  if (::fchmod(fd, st.st_mode & 07777) != 0) Raise(errno, "setting the mode");
}

bool IsTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::kInput    ? STDIN_FILENO
                  : stream == StandardStream::kOutput ? STDOUT_FILENO
                                                      : STDERR_FILENO) != 0;
}

std::FILE* OpenStdioFile(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace platform
