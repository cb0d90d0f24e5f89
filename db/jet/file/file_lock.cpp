// The levels of FileLock on the lock bytes of the file.
#include "db/jet/file/file_lock.h"

#include <system_error>
#include <thread>

#include "db/jet/format/error.h"
#include "platform/path_text.h"

namespace jet {
namespace {

using platform::LockMode;

// Past 2^40 bytes; a Jet 4 file stops at 2 GiB. Reserved is the byte earlier
// versions locked for writing.
constexpr uint64_t kReservedByte = uint64_t{1} << 40;
constexpr uint64_t kPendingByte = kReservedByte + 1;
constexpr uint64_t kSharedByte = kReservedByte + 2;

}  // namespace

void LockBackoff::Pause() {
  if (FileLock::Clock::now() >= deadline_) RaiseBusy(file_);
  std::this_thread::sleep_for(pause_);
  pause_ = std::min<std::chrono::microseconds>(pause_ * 2,
                                               std::chrono::milliseconds(2));
}

FileLock::FileLock(const std::filesystem::path& path) : name_(platform::Utf8Of(path)) {
  try {
    lock_ = platform::ByteRangeLock::Open(path);
  } catch (const std::system_error& e) {
    RaiseIoError(name_, "opening for locking", e.code().value());
  }
}

FileLock::~FileLock() {
  try {
    UnlockAll();
  } catch (const Error&) {
    // The handle closes next, which releases its locks anyway.
  }
}

template <typename Op>
bool FileLock::Call(Op op) {
  try {
    return op();
  } catch (const std::system_error& e) {
    RaiseIoError(name_, "locking", e.code().value());
  }
}

void FileLock::LockShared(Clock::time_point deadline) {
  LockBackoff backoff(name_, deadline);
  while (true) {
    // Fails only while a writer writes pages.
    if (Call([&] { return lock_->TryLock(kSharedByte, 1, LockMode::kShared); })) {
      // A writer waiting for the readers to leave goes first.
      if (!Call([&] { return lock_->HeldByOther(kPendingByte, 1, LockMode::kShared); })) {
        shared_ = true;
        return;
      }
      Call([&] { lock_->Unlock(kSharedByte, 1); return true; });
    }
    backoff.Pause();
  }
}

void FileLock::UnlockAll() {
  if (exclusive_ || pending_) ReleaseToShared();
  UnlockReserved();
  if (shared_) {
    Call([&] { lock_->Unlock(kSharedByte, 1); return true; });
    shared_ = false;
  }
}

bool FileLock::TryReserve() {
  reserved_ = Call([&] { return lock_->TryLock(kReservedByte, 1, LockMode::kExclusive); });
  return reserved_;
}

void FileLock::UnlockReserved() {
  if (!reserved_) return;
  Call([&] { lock_->Unlock(kReservedByte, 1); return true; });
  reserved_ = false;
}

bool FileLock::ReservedByOther() {
  return Call([&] { return lock_->HeldByOther(kReservedByte, 1, LockMode::kExclusive); });
}

bool FileLock::TryPending() {
  pending_ = Call([&] { return lock_->TryLock(kPendingByte, 1, LockMode::kExclusive); });
  return pending_;
}

void FileLock::WaitExclusive(Clock::time_point deadline) {
  // The shared lock is given up and the byte taken exclusively, as
  // platforms without lock conversion need; holding pending, no other
  // handle can take the byte meanwhile.
  Call([&] { lock_->Unlock(kSharedByte, 1); return true; });
  shared_ = false;
  LockBackoff backoff(name_, deadline);
  try {
    while (!Call([&] { return lock_->TryLock(kSharedByte, 1, LockMode::kExclusive); })) {
      backoff.Pause();
    }
  } catch (const Error&) {
    ReleaseToShared();
    throw;
  }
  exclusive_ = true;
}

void FileLock::ReleaseToShared() {
  if (exclusive_) {
    Call([&] { lock_->Unlock(kSharedByte, 1); return true; });
    exclusive_ = false;
  }
  if (!shared_) {
    // Pending (ours) keeps every writer out, so this cannot fail but for a
    // system error.
    Call([&] { return lock_->TryLock(kSharedByte, 1, LockMode::kShared); });
    shared_ = true;
  }
  if (pending_) {
    Call([&] { lock_->Unlock(kPendingByte, 1); return true; });
    pending_ = false;
  }
}

}  // namespace jet
