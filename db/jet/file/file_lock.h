// The locks through which every reader and writer of this engine shares one
// database file, in the manner of a rollback-journal database. Each open
// file holds one FileLock (its own handle of the file), at one of these
// levels:
//
//   none       holds nothing.
//   shared     reads pages. Any number of handles at once. Taken for one
//              statement, export, scan or batch of lookups, then released.
//   reserved   (with shared) a writer collecting a batch of changes in
//              memory and writing its journal. One handle at a time; readers
//              go on reading, for the file does not change yet. A journal
//              whose writer holds this lock is that writer's, not a crash's.
//   pending    (with reserved or, when undoing a crash, shared) a writer
//              waiting for the readers to leave. New readers wait meanwhile,
//              so that a stream of readers cannot starve it.
//   exclusive  (with pending) writing pages into the file. No reader holds
//              shared; no page is read until the commit is whole.
//
// The locks lie on bytes past 2^40, beyond the largest Jet file (2 GiB), so
// that no page is ever covered where locks are mandatory. The reserved byte
// is the one earlier versions of this engine locked for writing, so they
// still exclude each other's writers. Waits poll with growing pauses and
// end after the busy timeout with kBusy; nothing is left held then.
#ifndef DB_JET_FILE_FILE_LOCK_H_
#define DB_JET_FILE_FILE_LOCK_H_

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/byte_range_lock.h"

namespace jet {

class FileLock {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

  // Opens a handle of `path` for locking (read-only when it cannot be
  // written: then only the shared level can be had). Raises kIo.
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool CanWrite() const { return lock_->CanLockExclusive(); }
  // When a wait begun now gives up.
  Clock::time_point Deadline() const { return Clock::now() + busy_timeout_; }
  void set_busy_timeout(std::chrono::milliseconds t) { busy_timeout_ = t; }
  std::chrono::milliseconds busy_timeout() const { return busy_timeout_; }

  // Takes the shared level: waits while another handle writes pages or
  // waits to (holds exclusive or pending). Raises kBusy at `deadline`, kIo.
  // REQUIRES: nothing held.
  void LockShared(Clock::time_point deadline);
  // Releases everything this handle holds.
  void UnlockAll();
  // Tries once to add the reserved level; false when another handle has it.
  // REQUIRES: shared held.
  bool TryReserve();
  // Releases reserved, keeping shared.
  void UnlockReserved();
  // Whether another handle holds the reserved level.
  bool ReservedByOther();
  // Tries once to take pending; false when another handle has it.
  // REQUIRES: shared held.
  bool TryPending();
  // Turns pending into exclusive, waiting for the readers to leave. Raises
  // kBusy at `deadline` (then back at shared, pending released), kIo.
  // REQUIRES: pending held.
  void WaitExclusive(Clock::time_point deadline);
  // Back from exclusive (or pending) to shared, keeping reserved.
  void ReleaseToShared();

  bool shared() const { return shared_; }
  bool reserved() const { return reserved_; }

 private:
  // Runs `op` (a TryLock or test) raising kIo for a system error.
  template <typename Op>
  bool Call(Op op);

  std::string name_;
  std::unique_ptr<platform::ByteRangeLock> lock_;
  std::chrono::milliseconds busy_timeout_ = kDefaultBusyTimeout;
  bool shared_ = false;
  bool reserved_ = false;
  bool pending_ = false;
  bool exclusive_ = false;
};

// Sleeps a little longer at each call, from 50 us to 2 ms, between tries of
// a lock. Raises kBusy naming `file` once `deadline` has passed.
class LockBackoff {
 public:
  LockBackoff(const std::string& file, FileLock::Clock::time_point deadline)
      : file_(file), deadline_(deadline) {}
  void Pause();

 private:
  const std::string& file_;
  FileLock::Clock::time_point deadline_;
  std::chrono::microseconds pause_{50};
};

}  // namespace jet

#endif  // DB_JET_FILE_FILE_LOCK_H_
