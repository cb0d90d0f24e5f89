// Byte-range locks over Linux open-file-description locks (F_OFD_SETLK),
// which belong to the open file rather than the process, unlike classic
// fcntl locks, and are not lost when another descriptor of the file closes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/byte_range_lock.h"
#include "platform/path_text.h"

namespace platform {
namespace {

[[noreturn]] void RaiseSystemError(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

struct flock Range(uint64_t offset, uint64_t length, short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  return fl;
}

class PosixByteRangeLock : public ByteRangeLock {
 public:
  PosixByteRangeLock(int fd, bool writable) : fd_(fd), writable_(writable) {}
  ~PosixByteRangeLock() override { ::close(fd_); }

  bool CanLockExclusive() const override { return writable_; }

  bool TryLock(uint64_t offset, uint64_t length, LockMode mode) override {
    struct flock fl =
        Range(offset, length, mode == LockMode::kShared ? F_RDLCK : F_WRLCK);
    while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
      if (errno == EAGAIN || errno == EACCES) return false;
      if (errno != EINTR) RaiseSystemError("locking");
    }
    return true;
  }

  void Unlock(uint64_t offset, uint64_t length) override {
    struct flock fl = Range(offset, length, F_UNLCK);
    while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
      if (errno != EINTR) RaiseSystemError("unlocking");
    }
  }

  bool HeldByOther(uint64_t offset, uint64_t length, LockMode mode) override {
    struct flock fl =
        Range(offset, length, mode == LockMode::kShared ? F_RDLCK : F_WRLCK);
    while (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) {
      if (errno != EINTR) RaiseSystemError("testing a lock");
    }
    return fl.l_type != F_UNLCK;
  }

 private:
  int fd_;
  bool writable_;
};

int OpenFile(const std::filesystem::path& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::unique_ptr<ByteRangeLock> ByteRangeLock::Open(
    const std::filesystem::path& path) {
  bool writable = true;
  int fd = OpenFile(path, O_RDWR);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    writable = false;
    fd = OpenFile(path, O_RDONLY);
  }
  if (fd < 0) RaiseSystemError("opening " + platform::Utf8Of(path) + " for locking");
  return std::make_unique<PosixByteRangeLock>(fd, writable);
}

}  // namespace platform
