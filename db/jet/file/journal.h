// The page file a writer goes through: changes of a batch are held in memory
// until commit, when the original pages go to a rollback journal beside the
// file before any of them is overwritten.
//
// Readers and writers of one file keep to this protocol (the lock levels
// are described in file_lock.h):
//  - A reader takes the shared lock for one statement, export, scan or
//    batch of lookups (PageFile::BeginRead), and checks against the file's
//    stamp, under that lock, whether its cached pages still hold
//    (Database::RefreshIfChanged). It never sees pages of a commit half
//    written, for pages are written only under the exclusive lock.
//  - A writer opens a batch by taking shared, then reserved; it reads and
//    collects changes while readers go on. At commit it writes the journal,
//    takes pending (no new reader enters), waits for exclusive (the readers
//    still reading leave), writes the pages, removes the journal, advances
//    the file's modification time past every value it had, and releases.
//  - A journal is hot when it exists while no other handle holds reserved:
//    its writer died, perhaps with pages half written. Whoever finds it
//    while taking shared rolls it back, taking pending and exclusive (never
//    reserved, so that no one takes the journal for a live writer's); a
//    reader that cannot write reads through it instead, seeing the
//    journal's original pages in place of the file's.
//  - Every wait ends after the busy timeout (5 s unless set) with kBusy and
//    nothing changed.
// Other programs (Access, mdbtools) take no part in this protocol.
#ifndef DB_JET_FILE_JOURNAL_H_
#define DB_JET_FILE_JOURNAL_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/file/file_lock.h"
#include "db/jet/format/format.h"
#include "db/jet/file/page_file.h"

namespace platform {
class File;
}  // namespace platform

namespace jet {

// "<database path>-journal", symbolic links to the file followed first.
std::filesystem::path JournalPathFor(const std::filesystem::path& database);

// If a complete journal lies at `journal`, copies its pages back into the
// file at `database`, cuts the file to its size before the interrupted batch,
// syncs it and removes the journal; returns true. An incomplete journal (the
// crash came before the file was touched) is just removed, also returning
// true. Returns false when there is none. Raises kIo when the journal cannot
// be read or the file written. When pages were restored, the file's
// modification time is advanced as a commit's is, so that readers drop
// what they cached. REQUIRES: the caller holds the exclusive lock (or no
// other process can see the file).
bool RollBackJournal(const std::filesystem::path& database,
                     const std::filesystem::path& journal);

// What a journal left beside a database holds.
struct JournalReport {
  bool complete = false;   // false: cut short before the file was touched
  size_t pages = 0;        // original pages it would put back
  uint64_t file_size = 0;  // the file's size before the interrupted batch
};
// The journal beside `database` (JournalPathFor), nullopt when there is
// none. Raises kIo when it cannot be read.
std::optional<JournalReport> DescribeJournal(const std::filesystem::path& database);

// Whether a journal file exists at `journal`.
bool JournalExists(const std::filesystem::path& journal);

// The file at `path` as Database::Open uses it, wrapped in a JournaledFile
// that keeps the locking protocol above. A file whose permissions let no one
// write it opens read-only whatever `mode` asks (so a Writer over it raises
// kReadOnly). `reads` as OpenPageFile. Raises kIo.
std::unique_ptr<PageFile> OpenJournaledFile(const std::filesystem::path& path,
                                            OpenMode mode,
                                            PageReads reads = PageReads::kMapped);

class JournaledFile : public PageFile {
 public:
  // Wraps `inner`. `journal` is where the rollback journal goes; `lock_path`
  // is the database's path (locked, and restored from the journal), or empty
  // for a file no other process can see (then no journal or lock is kept).
  // Raises kIo when the file cannot be opened for locking.
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
  // it. Under the shared lock, the one taken when the lock was (the file
  // cannot change meanwhile but by our own commit), sparing a system call.
  FileStamp Stamp() override {
    return locked_stamp_ ? *locked_stamp_ : inner_->Stamp();
  }
  // Opens the path again, and the lock with it (a replaced file's locks are
  // another file's), taking the levels held again. Raises kIo, kBusy.
  void Reopen() override;
  bool Writable() const override { return inner_->Writable(); }
  bool BeginRead() override;
  void EndRead() override;
  void SetBusyTimeout(std::chrono::milliseconds timeout) override;

  // Takes the shared lock as BeginRead does (rolling back a hot journal),
  // then the reserved lock (waiting, without holding shared meanwhile, for
  // another writer to finish), and starts holding writes. Returns true when
  // a journal was rolled back. Raises kBusy after the busy timeout, kIo,
  // kReadOnly, kInvalidArgument when a batch is open.
  bool BeginBatch();
  // Writes the journal, takes the exclusive lock (waiting for readers to
  // leave), writes the held pages, syncing when `sync`, removes the journal
  // and releases the locks. Returns the file's stamp as the commit left it,
  // taken before the lock was released (a later change by another writer
  // gives another stamp). Raises kBusy, with the file untouched, when the
  // readers do not leave within the busy timeout; on a failed write raises
  // kIo after trying to restore the file from the journal. Either way the
  // batch is dropped and the locks are released.
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
      const std::filesystem::path& path, OpenMode mode, PageReads reads);
  void WriteJournal(bool sync);
  // Writes the held pages into the file.
  void WriteHeld();
  void RemoveJournal();
  // Takes the shared lock and deals with a hot journal (journal_lock.cpp);
  // returns whether what the file shows changed (see BeginRead).
  bool LockShared(std::chrono::steady_clock::time_point deadline);
  // Starts or ends reading through the journal's original pages; returns
  // whether that changed what the file shows.
  bool StartReadThrough();
  bool EndReadThrough();
  // Releases reserved and, unless reads are open, shared.
  void ReleaseBatchLocks();
  // Releases every lock level.
  void UnlockAll();
  // Sync of `file`, or of the journal when `file` is null, timed.
  void TimedSync(PageFile* file, platform::File* journal);

  std::unique_ptr<PageFile> inner_;
  std::filesystem::path journal_;
  std::filesystem::path database_;  // empty: no journal and no lock
  std::optional<FileLock> lock_;
  int read_depth_ = 0;  // open BeginRead calls
  // The file's stamp when the shared lock was taken; unset while not held
  // and from the moment our commit writes.
  std::optional<FileStamp> locked_stamp_;
  // The stamp when a journal was last looked for: while the file keeps it,
  // no writer has touched the file since (every commit changes the stamp
  // before it writes a page), so no journal can have become hot.
  std::optional<FileStamp> journal_checked_;
  std::optional<uint64_t> read_through_size_;  // set: reading through
  bool in_batch_ = false;
  uint64_t base_size_ = 0;  // size of the file when the batch began
  int64_t base_modified_ns_ = 0;  // its modification time then
  // Room for one more page in held_blocks_, listed in held_ as `page` (the
  // room already given when it is listed).
  uint8_t* HoldPage(uint32_t page);
  // Forgets every held page.
  void DropHeld();

  std::map<uint32_t, uint8_t*> held_;  // page -> its new bytes, in held_blocks_
  // The held pages' bytes, some pages to an allocation (a large batch holds
  // thousands).
  std::vector<std::unique_ptr<uint8_t[]>> held_blocks_;
  size_t held_in_last_block_ = 0;
  int64_t sync_ns_ = 0;
};

}  // namespace jet

#endif  // DB_JET_FILE_JOURNAL_H_
