// The page file a writer goes through: changes of a batch are held in memory
// until commit, when the original pages go to a rollback journal beside the
// file before any of them is overwritten. A journal left by a crash is rolled
// back the next time the file is opened.
#ifndef DB_JET_JOURNAL_H_
#define DB_JET_JOURNAL_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/file_lock.h"
#include "db/jet/format.h"
#include "db/jet/page_file.h"

namespace jet {

// "<database path>-journal".
std::filesystem::path JournalPathFor(const std::filesystem::path& database);

// If a complete journal lies at `journal`, copies its pages back into the
// file at `database`, cuts the file to its size before the interrupted batch,
// syncs it and removes the journal; returns true. An incomplete journal (the
// crash came before the file was touched) is just removed, also returning
// true. Returns false when there is none. Raises kIo when the journal cannot
// be read or the file written. REQUIRES: the caller holds the write lock.
bool RollBackJournal(const std::filesystem::path& database,
                     const std::filesystem::path& journal);

// Whether a journal file exists at `journal`.
bool JournalExists(const std::filesystem::path& journal);

// The file at `path` as Database::Open uses it. A file whose permissions
// let no one write it opens read-only whatever `mode` asks (so a Writer over
// it raises kReadOnly). Read-write: wrapped in a
// JournaledFile, after rolling back a journal left by a crash. Read-only:
// the plain file; but when a crashed writer left a journal (and no writer is
// busy with it), a read-only view that reads the journal's original pages in
// place of the half-written ones, so the file is seen as it was before the
// interrupted batch. Raises kIo.
std::unique_ptr<PageFile> OpenJournaledFile(const std::filesystem::path& path,
                                            OpenMode mode);

class JournaledFile : public PageFile {
 public:
  // Wraps `inner`. `journal` is where the rollback journal goes; `lock_path`
  // is the database's path (locked, and restored from the journal), or empty
  // for a file no other process can see (then no journal is kept).
  JournaledFile(std::unique_ptr<PageFile> inner, std::filesystem::path journal,
                std::filesystem::path lock_path);
  ~JournaledFile() override;

  const std::string& Name() const override { return inner_->Name(); }
  uint64_t Size() override;
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override;
  // Inside a batch, holds whole pages in memory; outside one, writes through
  // (a single page write needs no journal). Raises kInvalidArgument for a
  // write inside a batch that is not one whole page.
  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override;
  void Sync() override { inner_->Sync(); }
  // The stamp of the file on disk: pages held by an open batch do not change
  // it.
  FileStamp Stamp() override { return inner_->Stamp(); }
  void Reopen() override { inner_->Reopen(); }
  bool Writable() const override { return inner_->Writable(); }

  // Takes the write lock (waiting for other writers), rolls back a journal
  // a crashed writer left, and starts holding writes. Returns true when a
  // journal was rolled back. Raises kIo, kInvalidArgument when a batch is
  // open.
  bool BeginBatch();
  // Writes the held pages through the journal (see the file comment),
  // syncing when `sync`, then releases the lock. Returns the file's stamp as
  // the commit left it, taken before the lock was released (a later change
  // by another writer gives another stamp). On failure, raises kIo after
  // trying to restore the file from the journal; the lock is released.
  FileStamp CommitBatch(bool sync);
  // Drops the held pages and releases the lock.
  void AbortBatch();
  bool InBatch() const { return in_batch_; }
  // Number of pages the open batch holds.
  size_t HeldPages() const { return held_.size(); }

  // Time spent in fsync by commits so far, in nanoseconds (for measurement).
  int64_t sync_ns() const { return sync_ns_; }

 private:
  friend std::unique_ptr<PageFile> OpenJournaledFile(
      const std::filesystem::path& path, OpenMode mode);
  void WriteJournal(bool sync);
  void RemoveJournal();
  // fsync of `file`, or of descriptor `fd` when `file` is null, timed.
  void TimedSync(PageFile* file, int fd);

  std::unique_ptr<PageFile> inner_;
  std::filesystem::path journal_;
  std::filesystem::path database_;  // empty: no journal and no lock
  std::optional<FileLock> lock_;
  std::optional<uint64_t> read_through_size_;  // set: a read-only view
  bool in_batch_ = false;
  uint64_t base_size_ = 0;  // size of the file when the batch began
  int64_t base_modified_ns_ = 0;  // its modification time then
  std::map<uint32_t, std::vector<uint8_t>> held_;  // page -> new bytes
  int64_t sync_ns_ = 0;
};

}  // namespace jet

#endif  // DB_JET_JOURNAL_H_
