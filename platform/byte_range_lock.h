// Advisory locks on byte ranges of a file, held by one open handle of it
// (not by the process), so that two handles in one process exclude each
// other as two processes do. Locks are taken only on ranges no data ever
// occupies: where locks are mandatory (Windows), a locked range also
// blocks reads and writes of those bytes.
#ifndef PLATFORM_BYTE_RANGE_LOCK_H_
#define PLATFORM_BYTE_RANGE_LOCK_H_

#include <cstdint>
#include <filesystem>
#include <memory>

namespace platform {

enum class LockMode { kShared, kExclusive };

class ByteRangeLock {
 public:
  virtual ~ByteRangeLock() = default;

  // Opens a handle of the file at `path` for locking: for reading and
  // writing when it may, else for reading only (then only shared locks can
  // be had). Raises std::system_error when it cannot be opened at all.
  static std::unique_ptr<ByteRangeLock> Open(const std::filesystem::path& path);

  // Whether exclusive locks can be taken through this handle.
  virtual bool CanLockExclusive() const = 0;
  // Takes a lock on [offset, offset + length) without waiting. Returns false
  // when another handle holds a lock on the range that conflicts (any lock
  // for kExclusive, an exclusive one for kShared). The range must not
  // overlap a lock this handle holds. Raises std::system_error for other
  // failures (an exclusive lock through a read-only handle among them).
  virtual bool TryLock(uint64_t offset, uint64_t length, LockMode mode) = 0;
  // Releases the lock on exactly the range of an earlier successful TryLock.
  virtual void Unlock(uint64_t offset, uint64_t length) = 0;
  // Whether another handle holds a lock on the range that would keep this
  // handle from taking it in `mode`. Raises std::system_error.
  virtual bool HeldByOther(uint64_t offset, uint64_t length, LockMode mode) = 0;
};

}  // namespace platform

#endif  // PLATFORM_BYTE_RANGE_LOCK_H_
