// The readers' side of the locking protocol (journal.h): the shared lock,
// hot journals, reading through a journal; and how a batch takes its locks.
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "db/jet/format/error.h"
#include "db/jet/file/file_lock.h"
#include "db/jet/file/journal.h"
#include "db/jet/file/journal_file.h"
#include "platform/file.h"

namespace jet {

void JournaledFile::SetBusyTimeout(std::chrono::milliseconds timeout) {
  if (lock_) lock_->set_busy_timeout(timeout);
}

void JournaledFile::Reopen() {
  inner_->Reopen();
  if (!lock_) return;
  const bool shared = lock_->shared(), reserved = lock_->reserved();
  const auto timeout = lock_->busy_timeout();
  locked_stamp_.reset();
  journal_checked_.reset();
  lock_.reset();
  lock_.emplace(database_);
  lock_->set_busy_timeout(timeout);
  if (shared) LockShared(lock_->Deadline());
  if (reserved && !lock_->TryReserve()) RaiseBusy(Name());
}

bool JournaledFile::BeginRead() {
  if (!lock_) return false;
  if (read_depth_++ > 0 || lock_->shared()) return false;
  try {
    return LockShared(lock_->Deadline());
  } catch (...) {
    --read_depth_;
    throw;
  }
}

void JournaledFile::EndRead() {
  if (!lock_ || read_depth_ == 0) return;
  if (--read_depth_ == 0 && !in_batch_) UnlockAll();
}

void JournaledFile::UnlockAll() {
  locked_stamp_.reset();
  lock_->UnlockAll();
}

bool JournaledFile::LockShared(std::chrono::steady_clock::time_point deadline) {
  LockBackoff backoff(Name(), deadline);
  while (true) {
    lock_->LockShared(deadline);
    try {
      locked_stamp_ = inner_->Stamp();
      if (journal_checked_ == locked_stamp_) return false;
      journal_checked_ = locked_stamp_;
      // A journal whose writer holds reserved is that writer's: the file
      // does not change while we hold shared. Else its writer died.
      if (!JournalExists(journal_) || lock_->ReservedByOther()) {
        return EndReadThrough();
      }
      // Opened for reading only (or unable to write): the file stays as
      // the crash left it, and its original pages are read from the journal.
      if (!inner_->Writable() || !lock_->CanWrite()) return StartReadThrough();
      if (lock_->TryPending()) {
        lock_->WaitExclusive(deadline);
        RollBackJournal(database_, journal_);
        lock_->ReleaseToShared();
        locked_stamp_ = journal_checked_ = inner_->Stamp();
        EndReadThrough();
        return true;
      }
    } catch (...) {
      journal_checked_.reset();
      UnlockAll();
      throw;
    }
    // Another handle is rolling the journal back; wait for it to finish.
    journal_checked_.reset();
    UnlockAll();
    backoff.Pause();
  }
}

bool JournaledFile::StartReadThrough() {
  JournalContents contents;
  // An incomplete journal: its writer died before touching the file.
  if (!ReadJournal(journal_, contents)) return EndReadThrough();
  DropHeld();
  for (const auto& [page, bytes] : contents.pages) {
    std::memcpy(HoldPage(page), bytes, format::kPageSize);
  }
  read_through_size_ = contents.file_size;
  return true;
}

bool JournaledFile::EndReadThrough() {
  if (!read_through_size_) return false;
  read_through_size_.reset();
  DropHeld();
  return true;
}

bool JournaledFile::BeginBatch() {
  if (in_batch_) RaiseInvalidArgument("a batch of changes is already open");
  if (!inner_->Writable()) RaiseReadOnly(Name());
  bool rolled_back = false;
  if (lock_) {
    const auto deadline = lock_->Deadline();
    LockBackoff backoff(Name(), deadline);
    while (true) {
      if (!lock_->shared()) rolled_back = LockShared(deadline) || rolled_back;
      if (lock_->TryReserve()) break;
      // Another writer: holding shared while it waits for the readers to
      // leave would keep both waiting.
      if (read_depth_ == 0) UnlockAll();
      backoff.Pause();
    }
  }
  try {
    // Writing on into a file removed meanwhile would lose every change
    // when the program ends.
    if (!database_.empty()) {
      std::optional<platform::FileInfo> info;
      try {
        info = platform::PathInfo(database_);
      } catch (const std::system_error& e) {
        RaiseIoError(Name(), "finding the database file", e.code().value());
      }
      if (!info) RaiseIoError(Name(), "finding the database file", ENOENT);
      // A file made read-only since it was opened is not written any more,
      // though the open handle still could.
      if (info->read_only) RaiseIoError(Name(), "writing", EACCES);
    }
    base_size_ = inner_->Size();
    base_modified_ns_ = inner_->Stamp().modified_ns;
  } catch (...) {
    ReleaseBatchLocks();
    throw;
  }
  in_batch_ = true;
  DropHeld();
  return rolled_back;
}

void JournaledFile::ReleaseBatchLocks() {
  if (!lock_) return;
  if (read_depth_ > 0) {
    lock_->ReleaseToShared();
    lock_->UnlockReserved();
  } else {
    UnlockAll();
  }
}

}  // namespace jet
