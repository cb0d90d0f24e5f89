// The rollback journal. Its layout (ours, not Jet's): a 32-byte header
// [magic 8][u32 page size][u32 record count][u64 file size before the batch]
// [u32 checksum of the records][u32 0], then per record [u32 page][page
// bytes]. The journal is written whole before the database is touched, so a
// journal whose checksum fails was cut short by a crash before any page of
// the database changed.
#include "db/jet/file/journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "db/jet/format/byte_reader.h"
#include "db/jet/file/file_lock.h"
#include "db/jet/format/error.h"
#include "db/jet/file/journal_file.h"
#include "platform/file.h"
#include "platform/path_text.h"

namespace jet {
namespace {

constexpr uint8_t kJournalMagic[8] = {'A', 'T', 'J', 'E', 'T', 'J', 'N', '1'};
constexpr size_t kHeaderSize = 32;
constexpr size_t kRecordSize = 4 + format::kPageSize;

constexpr uint32_t kChecksumStart = 2166136261u;

// FNV-1a of `n` bytes at `p`, continuing from `h` (kChecksumStart to begin).
uint32_t Checksum(const uint8_t* p, size_t n, uint32_t h = kChecksumStart) {
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

platform::File OpenOrRaise(const std::filesystem::path& path,
                          platform::Access access,
                          platform::Creation creation = platform::Creation::kOpenExisting) {
  try {
    return platform::File::Open(path, access, creation);
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(path), "opening", e.code().value());
  }
}

void WriteAll(platform::File& file, const std::string& name, const uint8_t* p,
              size_t n, uint64_t offset) {
  try {
    file.WriteAt(offset, p, n);
  } catch (const std::system_error& e) {
    RaiseIoError(name, "writing", e.code().value());
  }
}

void RemoveOrRaise(const std::filesystem::path& path) {
  try {
    platform::RemoveFile(path);
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(path), "removing", e.code().value());
  }
}

}  // namespace

bool ReadJournal(const std::filesystem::path& path, JournalContents& out) {
  platform::File file = OpenOrRaise(path, platform::Access::kRead);
  size_t done = 0;
  try {
    out.bytes.resize(static_cast<size_t>(file.Info().size));
    done = file.ReadAt(0, out.bytes.data(), out.bytes.size());
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(path), "reading", e.code().value());
  }
  const std::vector<uint8_t>& b = out.bytes;
  if (done < kHeaderSize || !std::equal(kJournalMagic, kJournalMagic + 8, b.begin()) ||
      LoadU32(&b[8]) != format::kPageSize) {
    return false;
  }
  uint32_t count = LoadU32(&b[12]);
  if ((done - kHeaderSize) / kRecordSize < count) return false;
  size_t records = size_t{count} * kRecordSize;
  if (Checksum(&b[kHeaderSize], records) != LoadU32(&b[24])) return false;
  out.file_size = LoadU64(&b[16]);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* r = &b[kHeaderSize + i * kRecordSize];
    out.pages.emplace_back(LoadU32(r), r + 4);
  }
  return true;
}

namespace {

int64_t ModifiedNs(const std::filesystem::path& path) {
  std::optional<platform::FileInfo> info;
  try {
    info = platform::PathInfo(path);
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(path), "examining", e.code().value());
  }
  if (!info) RaiseIoError(platform::Utf8Of(path), "examining", ENOENT);
  return info->modified_ns;
}

}  // namespace

void AdvanceModificationTime(const std::filesystem::path& path, int64_t before) {
  const int64_t current = ModifiedNs(path);
  const int64_t floor = std::max(before, current);
  int64_t t = std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::system_clock::now().time_since_epoch()).count();
  t = std::max(t, floor + 1000);
  for (int step = 0; step < 3; ++step, t += 1000000000) {
    try {
      platform::SetModificationTime(path, t);
    } catch (const std::system_error& e) {
      RaiseIoError(platform::Utf8Of(path), "stamping", e.code().value());
    }
    if (ModifiedNs(path) > floor) return;
  }
}

std::filesystem::path JournalPathFor(const std::filesystem::path& database) {
  // Beside the file itself, so that every path to it shares one journal.
  std::filesystem::path p = platform::FollowLinks(database);
  p += "-journal";
  return p;
}

bool JournalExists(const std::filesystem::path& journal) {
  try {
    return platform::PathInfo(journal).has_value();
  } catch (const std::system_error&) {
    return true;  // unknown: looking for it raises the reason
  }
}

std::optional<JournalReport> DescribeJournal(const std::filesystem::path& database) {
  const std::filesystem::path journal = JournalPathFor(database);
  if (!JournalExists(journal)) return std::nullopt;
  JournalContents contents;
  JournalReport report;
  report.complete = ReadJournal(journal, contents);
  report.pages = contents.pages.size();
  report.file_size = contents.file_size;
  return report;
}

bool RollBackJournal(const std::filesystem::path& database,
                     const std::filesystem::path& journal) {
  if (!JournalExists(journal)) return false;
  JournalContents contents;
  if (ReadJournal(journal, contents)) {
    platform::File file = OpenOrRaise(database, platform::Access::kReadWrite);
    std::string name = platform::Utf8Of(database);
    for (const auto& [page, bytes] : contents.pages) {
      WriteAll(file, name, bytes, format::kPageSize,
               uint64_t{page} * format::kPageSize);
    }
    try {
      file.Resize(contents.file_size);
      file.Sync();
      file.Close();
    } catch (const std::system_error& e) {
      RaiseIoError(name, "restoring", e.code().value());
    }
    AdvanceModificationTime(database, 0);
  }
  RemoveOrRaise(journal);
  return true;
}

JournaledFile::JournaledFile(std::unique_ptr<PageFile> inner,
                             std::filesystem::path journal,
                             std::filesystem::path lock_path)
    : inner_(std::move(inner)), journal_(std::move(journal)),
      database_(std::move(lock_path)) {
  if (!database_.empty()) lock_.emplace(database_);
}

JournaledFile::~JournaledFile() = default;

uint64_t JournaledFile::Size() {
  if (read_through_size_) return *read_through_size_;
  uint64_t size = inner_->Size();
  if (!held_.empty()) {
    size = std::max<uint64_t>(
        size, (uint64_t{held_.rbegin()->first} + 1) * format::kPageSize);
  }
  return size;
}

size_t JournaledFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
  if (held_.empty()) return inner_->ReadAt(offset, out, length);
  uint64_t size = Size();
  if (offset >= size) return 0;
  size_t n = static_cast<size_t>(std::min<uint64_t>(length, size - offset));
  size_t got = inner_->ReadAt(offset, out, n);
  if (got < n) std::memset(out + got, 0, n - got);
  uint32_t first = static_cast<uint32_t>(offset / format::kPageSize);
  uint32_t last = static_cast<uint32_t>((offset + n - 1) / format::kPageSize);
  for (auto it = held_.lower_bound(first); it != held_.end() && it->first <= last;
       ++it) {
    uint64_t page_start = uint64_t{it->first} * format::kPageSize;
    uint64_t from = std::max(page_start, offset);
    uint64_t to = std::min(page_start + format::kPageSize, offset + n);
    std::memcpy(out + (from - offset), it->second + (from - page_start),
                static_cast<size_t>(to - from));
  }
  return n;
}

void JournaledFile::WriteAt(uint64_t offset, const uint8_t* data, size_t length) {
  if (read_through_size_) RaiseReadOnly(Name());
  if (!in_batch_) {
    inner_->WriteAt(offset, data, length);
    return;
  }
  if (!inner_->Writable()) RaiseReadOnly(Name());
  if (offset % format::kPageSize != 0 || length != format::kPageSize) {
    RaiseInvalidArgument("a batch holds whole pages only");
  }
  std::memcpy(HoldPage(static_cast<uint32_t>(offset / format::kPageSize)), data, length);
}

uint8_t* JournaledFile::HoldPage(uint32_t page) {
  constexpr size_t kPagesPerBlock = 64;
  auto it = held_.find(page);
  if (it != held_.end()) return it->second;
  if (held_blocks_.empty() || held_in_last_block_ == kPagesPerBlock) {
    held_blocks_.push_back(
        std::make_unique_for_overwrite<uint8_t[]>(kPagesPerBlock * format::kPageSize));
    held_in_last_block_ = 0;
  }
  uint8_t* room = held_blocks_.back().get() + held_in_last_block_ * format::kPageSize;
  held_.emplace(page, room);
  ++held_in_last_block_;
  return room;
}

void JournaledFile::DropHeld() {
  held_.clear();
  held_blocks_.clear();
  held_in_last_block_ = 0;
}

void JournaledFile::AbortBatch() {
  DropHeld();
  in_batch_ = false;
  ReleaseBatchLocks();
}

void JournaledFile::TimedSync(PageFile* file, platform::File* journal) {
  auto start = std::chrono::steady_clock::now();
  if (file) {
    file->Sync();
  } else {
    try {
      journal->Sync();
    } catch (const std::system_error& e) {
      RaiseIoError(platform::Utf8Of(journal_), "syncing", e.code().value());
    }
  }
  sync_ns_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                  std::chrono::steady_clock::now() - start).count();
}

void JournaledFile::WriteJournal(bool sync) {
  std::vector<uint32_t> originals;
  uint64_t base_pages = base_size_ / format::kPageSize;
  for (const auto& entry : held_) {
    if (entry.first < base_pages) originals.push_back(entry.first);
  }
  // The records go out a block at a time through one buffer (the journal
  // of a large batch holds most of the file), the header last: until it is
  // written the journal reads as incomplete.
  constexpr size_t kRecordsPerBlock = 256;
  std::vector<uint8_t> block(std::min(originals.size(), kRecordsPerBlock) * kRecordSize);
  platform::File journal = OpenOrRaise(journal_, platform::Access::kReadWrite,
                                       platform::Creation::kCreateOrTruncate);
  uint32_t checksum = kChecksumStart;
  for (size_t first = 0; first < originals.size(); first += kRecordsPerBlock) {
    const size_t count = std::min(kRecordsPerBlock, originals.size() - first);
    for (size_t i = 0; i < count; ++i) {
      uint8_t* r = &block[i * kRecordSize];
      const uint32_t page = originals[first + i];
      StoreU32(r, page);
      size_t got = inner_->ReadAt(uint64_t{page} * format::kPageSize, r + 4, format::kPageSize);
      if (got != format::kPageSize) {
        RaiseCorruptFile(Name(), "the file shrank while it was being changed");
      }
    }
    checksum = Checksum(block.data(), count * kRecordSize, checksum);
    WriteAll(journal, platform::Utf8Of(journal_), block.data(), count * kRecordSize,
             kHeaderSize + first * kRecordSize);
  }
  uint8_t header[kHeaderSize] = {};
  std::memcpy(header, kJournalMagic, 8);
  StoreU32(&header[8], format::kPageSize);
  StoreU32(&header[12], static_cast<uint32_t>(originals.size()));
  StoreU32(&header[16], static_cast<uint32_t>(base_size_));
  StoreU32(&header[20], static_cast<uint32_t>(base_size_ >> 32));
  StoreU32(&header[24], checksum);
  WriteAll(journal, platform::Utf8Of(journal_), header, kHeaderSize, 0);
  if (sync) TimedSync(nullptr, &journal);
  try {
    journal.Close();
  } catch (const std::system_error& e) {
    RaiseIoError(platform::Utf8Of(journal_), "writing", e.code().value());
  }
  if (sync) {
    auto start = std::chrono::steady_clock::now();
    platform::SyncFolderOf(journal_);
    sync_ns_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now() - start).count();
  }
}

void JournaledFile::WriteHeld() {
  // One whole page a write: a failure or a death part way then leaves whole
  // pages written, and tests that fail the n-th write stop between pages.
  for (const auto& [page, bytes] : held_) {
    inner_->WriteAt(uint64_t{page} * format::kPageSize, bytes, format::kPageSize);
  }
}

void JournaledFile::RemoveJournal() { RemoveOrRaise(journal_); }

FileStamp JournaledFile::CommitBatch(bool sync) {
  if (!in_batch_) RaiseInvalidArgument("no batch of changes is open");
  try {
    if (!held_.empty()) {
      bool journaled = !database_.empty();
      if (journaled) {
        WriteJournal(sync);
        try {
          const auto deadline = lock_->Deadline();
          LockBackoff backoff(Name(), deadline);
          while (!lock_->TryPending()) backoff.Pause();
          lock_->WaitExclusive(deadline);
        } catch (...) {
          // The file is untouched: the journal has nothing to undo.
          try {
            platform::RemoveFile(journal_);
          } catch (const std::system_error&) {
          }
          throw;
        }
        // Before any page: a reader that saw the file before this commit
        // sees another stamp even if we die at the first page, and looks
        // for the journal (JournaledFile::LockShared).
        locked_stamp_.reset();
        AdvanceModificationTime(database_, base_modified_ns_);
      }
      try {
        WriteHeld();
        if (sync) TimedSync(inner_.get(), nullptr);
      } catch (const Error&) {
        if (journaled) {
          try {
            RollBackJournal(database_, journal_);
          } catch (const Error&) {
            // The journal stays, hot; the next reader rolls it back.
          }
        }
        throw;
      }
      if (journaled) {
        RemoveJournal();
        // Else a power loss could bring the journal back and undo the batch.
        if (sync) {
          auto start = std::chrono::steady_clock::now();
          platform::SyncFolderOf(journal_);
          sync_ns_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now() - start).count();
        }
        AdvanceModificationTime(database_, base_modified_ns_);
      }
    }
  } catch (...) {
    AbortBatch();
    throw;
  }
  DropHeld();
  in_batch_ = false;
  FileStamp stamp;
  try {
    stamp = inner_->Stamp();
  } catch (...) {
    ReleaseBatchLocks();
    throw;
  }
  ReleaseBatchLocks();
  return stamp;
}

std::unique_ptr<PageFile> OpenJournaledFile(const std::filesystem::path& path,
                                            OpenMode mode, PageReads reads) {
  std::optional<platform::FileInfo> info;
  try {
    info = platform::PathInfo(path);
  } catch (const std::system_error&) {
  }
  if (mode == OpenMode::kReadWrite && info && info->read_only) {
    // Marked read-only: not written, even by a user the system would let.
    mode = OpenMode::kReadOnly;
  }
  return std::make_unique<JournaledFile>(OpenPageFile(path, mode, reads),
                                         JournalPathFor(path), path);
}

}  // namespace jet
