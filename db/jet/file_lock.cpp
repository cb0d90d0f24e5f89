// The writers' lock over an open file description (Linux OFD locks), which
// unlike classic fcntl locks also keeps apart two writers in one process.
#include "db/jet/file_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "db/jet/error.h"

namespace jet {
namespace {

// The locked range lies past 2^40 bytes; a Jet 4 file stops at 2 GiB.
constexpr off_t kLockOffset = off_t{1} << 40;
constexpr off_t kLockLength = 1;

}  // namespace

FileLock::FileLock(const std::filesystem::path& path) : name_(path.string()) {
  do {
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
    writable_ = false;
    do {
      fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
  }
  if (fd_ < 0) RaiseIoError(name_, "opening for locking", errno);
}

FileLock::~FileLock() {
  Unlock();
  ::close(fd_);
}

void FileLock::Lock() {
  if (held_) return;
  struct flock fl = {};
  // Without write access only a shared lock can be had; it still waits for
  // a writer to finish.
  fl.l_type = writable_ ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kLockOffset;
  fl.l_len = kLockLength;
  while (::fcntl(fd_, F_OFD_SETLKW, &fl) != 0) {
    if (errno != EINTR) RaiseIoError(name_, "locking", errno);
  }
  held_ = true;
}

void FileLock::Unlock() {
  if (!held_) return;
  struct flock fl = {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = kLockOffset;
  fl.l_len = kLockLength;
  ::fcntl(fd_, F_OFD_SETLK, &fl);
  held_ = false;
}

}  // namespace jet
