// Byte-range locks over LockFileEx, which belong to the handle. Windows
// gives no way to ask who holds a lock, so HeldByOther takes a trial lock;
// since a handle's own locks would refuse that trial, the handle remembers
// what it holds.
#include <windows.h>

#include <cerrno>
#include <map>
#include <string>
#include <system_error>

#include "platform/byte_range_lock.h"
#include "platform/path_text.h"
#include "platform/windows_error.h"

namespace platform {
namespace {

class WindowsByteRangeLock : public ByteRangeLock {
 public:
  WindowsByteRangeLock(HANDLE handle, bool writable)
      : handle_(handle), writable_(writable) {}
  ~WindowsByteRangeLock() override { CloseHandle(handle_); }

  bool CanLockExclusive() const override { return writable_; }

  bool TryLock(uint64_t offset, uint64_t length, LockMode mode) override {
    if (mode == LockMode::kExclusive && !writable_) {
      Raise(EBADF, "locking exclusively through a read-only handle");
    }
    if (!Lock(offset, length, mode)) return false;
    held_[offset] = Held{length, mode};
    return true;
  }

  void Unlock(uint64_t offset, uint64_t length) override {
    Release(offset, length);
    held_.erase(offset);
  }

  bool HeldByOther(uint64_t offset, uint64_t length, LockMode mode) override {
    auto own = held_.find(offset);
    if (own == held_.end() || own->second.length != length) {
      // The trial works through a read-only handle too: Windows asks only
      // for some access to the file.
      if (!Lock(offset, length, mode)) return true;
      Release(offset, length);
      return false;
    }
    // This handle holds the range itself. No other handle can hold an
    // exclusive lock over it; others' shared locks matter only when asking
    // for exclusive over our own shared one, and can be seen only by
    // letting ours go for a moment.
    if (own->second.mode == LockMode::kExclusive || mode == LockMode::kShared) {
      return false;
    }
    Release(offset, length);
    const bool free = Lock(offset, length, LockMode::kExclusive);
    if (free) Release(offset, length);
    if (!Lock(offset, length, LockMode::kShared)) {
      held_.erase(own);
      Raise(EBUSY, "keeping a shared lock while testing it");
    }
    return !free;
  }

 private:
  struct Held {
    uint64_t length;
    LockMode mode;
  };

  bool Lock(uint64_t offset, uint64_t length, LockMode mode) {
    OVERLAPPED overlapped = At(offset);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (mode == LockMode::kExclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    if (LockFileEx(handle_, flags, 0, static_cast<DWORD>(length),
                   static_cast<DWORD>(length >> 32), &overlapped)) {
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return false;
    Raise(ErrnoOf(error), "locking");
  }

  void Release(uint64_t offset, uint64_t length) {
    OVERLAPPED overlapped = At(offset);
    if (!UnlockFileEx(handle_, 0, static_cast<DWORD>(length),
                      static_cast<DWORD>(length >> 32), &overlapped)) {
      Raise(ErrnoOf(GetLastError()), "unlocking");
    }
  }

  HANDLE handle_;
  bool writable_;
  std::map<uint64_t, Held> held_;  // by offset
};

HANDLE OpenFile(const std::filesystem::path& path, DWORD access) {
  return CreateFileW(path.c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::unique_ptr<ByteRangeLock> ByteRangeLock::Open(
    const std::filesystem::path& path) {
  bool writable = true;
  HANDLE handle = OpenFile(path, GENERIC_READ | GENERIC_WRITE);
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
    writable = false;
    handle = OpenFile(path, GENERIC_READ);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    Raise(ErrnoOf(GetLastError()), "opening " + platform::Utf8Of(path) + " for locking");
  }
  return std::make_unique<WindowsByteRangeLock>(handle, writable);
}

}  // namespace platform
