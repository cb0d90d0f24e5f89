// The page file over a POSIX file descriptor, opened without locks, and the
// one held in memory.
#include "db/jet/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "db/jet/error.h"

namespace jet {
namespace {

// Opens `path` without locks, checking that it is a regular file. Raises kIo.
int OpenFd(const std::filesystem::path& path, bool writable);

class PosixPageFile : public PageFile {
 public:
  PosixPageFile(int fd, std::filesystem::path path, bool writable)
      : fd_(fd), path_(std::move(path)), name_(path_.string()),
        writable_(writable) {}
  ~PosixPageFile() override { ::close(fd_); }

  const std::string& Name() const override { return name_; }

  uint64_t Size() override { return OpenStat().size; }

  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pread(fd_, out + done, length - done,
                          static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIoError(name_, "reading", errno);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override {
    if (!writable_) RaiseReadOnly(name_);
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pwrite(fd_, data + done, length - done,
                           static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIoError(name_, "writing", errno);
      }
      done += static_cast<size_t>(n);
    }
  }

  void Sync() override {
    if (::fsync(fd_) != 0) RaiseIoError(name_, "syncing", errno);
  }

  FileStamp Stamp() override {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) return OpenStat();
    return ToStamp(st);
  }

  void Reopen() override {
    int fd = OpenFd(path_, writable_);
    ::close(fd_);
    fd_ = fd;
  }

  bool Writable() const override { return writable_; }

 private:
  FileStamp OpenStat() {
    struct stat st;
    if (::fstat(fd_, &st) != 0) RaiseIoError(name_, "examining", errno);
    return ToStamp(st);
  }

  static FileStamp ToStamp(const struct stat& st) {
    FileStamp stamp;
    stamp.size = static_cast<uint64_t>(st.st_size);
    stamp.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                        st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    return stamp;
  }

  int fd_;
  std::filesystem::path path_;
  std::string name_;
  bool writable_;
};

int OpenFd(const std::filesystem::path& path, bool writable) {
  int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseIoError(path.string(), "opening", errno);
  struct stat st;
  int error = 0;
  if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    error = EINVAL;
  }
  if (error != 0) {
    ::close(fd);
    RaiseIoError(path.string(), "opening", error);
  }
  return fd;
}

}  // namespace

std::unique_ptr<PageFile> OpenPageFile(const std::filesystem::path& path,
                                       OpenMode mode) {
  bool writable = mode == OpenMode::kReadWrite;
  return std::make_unique<PosixPageFile>(OpenFd(path, writable), path, writable);
}

MemoryPageFile::MemoryPageFile(std::vector<uint8_t> bytes, bool writable,
                               std::string name)
    : bytes_(std::move(bytes)), writable_(writable), name_(std::move(name)) {}

size_t MemoryPageFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
  if (offset >= bytes_.size()) return 0;
  size_t n = std::min<uint64_t>(length, bytes_.size() - offset);
  std::memcpy(out, bytes_.data() + offset, n);
  return n;
}

void MemoryPageFile::WriteAt(uint64_t offset, const uint8_t* data,
                             size_t length) {
  if (!writable_) RaiseReadOnly(name_);
  if (offset + length > bytes_.size()) bytes_.resize(offset + length);
  std::memcpy(bytes_.data() + offset, data, length);
  ++version_;
}

FileStamp MemoryPageFile::Stamp() {
  FileStamp stamp;
  stamp.size = bytes_.size();
  stamp.modified_ns = static_cast<int64_t>(version_);
  return stamp;
}

}  // namespace jet
