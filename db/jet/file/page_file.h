// The database file as the engine sees it: bytes at offsets, read and
// written without locking so that other processes may use the file at the
// same time. An interface, so that tests can put a file in memory or one
// that fails in its place.
#ifndef DB_JET_FILE_PAGE_FILE_H_
#define DB_JET_FILE_PAGE_FILE_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace jet {

enum class OpenMode { kReadOnly, kReadWrite };

// What identifies one state of the file: when any of it differs, another
// process (or we) changed the file.
struct FileStamp {
  uint64_t size = 0;
  int64_t modified_ns = 0;  // modification time, nanoseconds since the epoch
  uint64_t inode = 0;
  uint64_t device = 0;
  bool operator==(const FileStamp&) const = default;
};

class PageFile {
 public:
  virtual ~PageFile() = default;

  // The name used in messages (the path as given).
  virtual const std::string& Name() const = 0;
  // The current size of the file in bytes. Raises kIo.
  virtual uint64_t Size() = 0;
  // Reads up to `length` bytes at `offset` into `out`; returns how many were
  // read, fewer only at the end of the file. Raises kIo.
  virtual size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) = 0;
  // Writes `length` bytes at `offset`, extending the file if needed.
  // Raises kReadOnly when opened read-only, kIo on failure.
  virtual void WriteAt(uint64_t offset, const uint8_t* data, size_t length) = 0;
  // Forces written data to the disk. Raises kIo.
  virtual void Sync() = 0;
  // The stamp of the file now at the path (which another process may have
  // replaced), or of the open file when the path is gone. Raises kIo.
  virtual FileStamp Stamp() = 0;
  // Opens the path again, for when the file there was replaced. Raises kIo.
  virtual void Reopen() {}
  virtual bool Writable() const = 0;

  // Brackets reads that must see one committed state of a file other
  // processes share: takes the shared lock (file_lock.h) unless this file
  // holds it already (calls nest), first dealing with a journal a crashed
  // writer left. Returns true when what the file shows changed in a way its
  // stamp may not tell (a crash undone, a journal now read through), so
  // that cached pages must go. Raises kBusy when the lock cannot be had
  // within the busy timeout, kIo. A file no one else sees does nothing.
  virtual bool BeginRead() { return false; }
  // Ends the reads of the matching BeginRead; the last releases the lock.
  virtual void EndRead() {}
  // How long BeginRead and a writer's batch wait for the lock.
  virtual void SetBusyTimeout(std::chrono::milliseconds) {}
};

// How a file opened read-only is read: through a mapping of its bytes, which
// spares a system call per page but counts every page read in the program's
// resident memory until the file is closed; or by a system call per read,
// for one pass over a large file or a few pages of it.
enum class PageReads { kMapped, kCalls };

// Opens the file at `path` for shared use (others may read and write it
// too). A file opened read-only with kMapped is read through a mapping where
// the platform allows (SetMappedReads); the mapping follows the file's size
// each time the cache asks for it. Raises kIo naming the path when it cannot
// be opened.
std::unique_ptr<PageFile> OpenPageFile(const std::filesystem::path& path,
                                       OpenMode mode, PageReads reads = PageReads::kMapped);

// Whether files opened read-only from now on are read through a mapping (on
// by default); off, every page is read by a system call. For measuring.
void SetMappedReads(bool enabled);

// A file held in memory, for tests and for building files from scratch.
// Its stamp changes on every write.
class MemoryPageFile : public PageFile {
 public:
  explicit MemoryPageFile(std::vector<uint8_t> bytes, bool writable = true,
                          std::string name = "memory");

  const std::string& Name() const override { return name_; }
  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override;
  void WriteAt(uint64_t offset, const uint8_t* data, size_t length) override;
  void Sync() override {}
  FileStamp Stamp() override;
  bool Writable() const override { return writable_; }

  // The bytes as they stand, for checks in tests.
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  bool writable_;
  std::string name_;
  uint64_t version_ = 0;
};

}  // namespace jet

#endif  // DB_JET_FILE_PAGE_FILE_H_
