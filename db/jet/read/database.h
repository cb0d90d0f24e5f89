// An open Jet 4 database: its header, its catalog of tables, their
// definitions, row scans and reads by location, over a cache of pages.
// Not thread-safe: one thread uses a Database at a time.
#ifndef DB_JET_READ_DATABASE_H_
#define DB_JET_READ_DATABASE_H_

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/jet/read/catalog.h"
#include "db/jet/file/header.h"
#include "db/jet/file/page_cache.h"
#include "db/jet/file/page_file.h"
#include "db/jet/read/row.h"
#include "db/jet/read/row_cursor.h"
#include "db/jet/read/table_def.h"

namespace jet {

class Database {
 public:
  // Pages kept in the cache: 32 MiB, a whole database of the largest size
  // this system ships.
  static constexpr size_t kDefaultCachePages = 8192;

  // Opens the file at `path`, shared with other processes, and checks its
  // header under the shared lock. Raises kIo when the file cannot be opened,
  // kBusy when a writer holds the lock too long, and the header errors of
  // ReadHeader otherwise. A journal left beside the file by a crashed
  // writer is rolled back by a read-write open and read through by a
  // read-only one (journal.h).
  // `cache_pages` bounds the page cache (a one-pass scan needs only a few);
  // `reads` says how a read-only file is read (OpenPageFile).
  static std::unique_ptr<Database> Open(const std::filesystem::path& path,
                                        OpenMode mode,
                                        size_t cache_pages = kDefaultCachePages,
                                        PageReads reads = PageReads::kMapped);
  // Uses `file` (for example a MemoryPageFile) and checks its header; raises
  // as Open does.
  explicit Database(std::unique_ptr<PageFile> file,
                    size_t cache_pages = kDefaultCachePages);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& Name() const { return file_->Name(); }
  const HeaderInfo& header() const { return header_; }
  PageCache& pages() { return pages_; }
  PageFile& file() { return *file_; }

  // User tables in catalog order. Raises kCorrupt for a damaged catalog.
  std::vector<std::u16string> TableNames();
  // System tables (MSysObjects and the like) in catalog order.
  std::vector<std::u16string> SystemTableNames();
  // The definition of the table named `name` (without regard to case), or
  // null when there is none. System tables are found only when
  // `include_system`. The definition is read once and kept until the file
  // changes (RefreshIfChanged). Raises kCorrupt for a damaged definition.
  std::shared_ptr<const TableDef> FindTable(std::u16string_view name,
                                            bool include_system = false);
  // Like FindTable; raises kNoSuchTable when there is none.
  std::shared_ptr<const TableDef> GetTable(std::u16string_view name,
                                           bool include_system = false);

  // A scan over the table's live rows in stored order. Raises kCorrupt when
  // the table's page map is damaged.
  RowCursor Scan(std::shared_ptr<const TableDef> table);
  // The live row whose home slot is `location`, following a moved row to
  // its data. Nothing when the location names no live home row of `table`
  // (beyond the file, not one of its data pages, deleted, moved data).
  // Raises kCorrupt when the row's bytes are damaged.
  std::optional<Row> ReadRow(const std::shared_ptr<const TableDef>& table,
                             RowLocation location);

  // Checks (by the file's size, modification time and inode) whether the
  // file changed since the last check or since opening; if so, or when
  // `force`, drops the cached pages, the catalog and every table definition
  // so that they are read afresh (opening the path again when the file
  // there was replaced), and returns true. Definitions and rows handed out
  // earlier stay valid but show the old state. Raises kIo when the file
  // cannot be examined. Sound only under the shared lock (ReadLock): every
  // commit leaves the file a modification time it never had before (see
  // AdvanceModificationTime in journal_file.h), while size and inode
  // catch a file replaced or cut.
  bool RefreshIfChanged(bool force = false);
  // How long a statement waits for a writer to finish its commit, and a
  // writer for readers and other writers, before raising kBusy.
  void SetBusyTimeout(std::chrono::milliseconds timeout) {
    file_->SetBusyTimeout(timeout);
  }
  // Takes `stamp` (the file's stamp right after a commit, taken while the
  // writer still held the lock) as already seen, so that the next
  // RefreshIfChanged keeps the cache, which holds the committed pages.
  void NoteOwnWrite(const FileStamp& stamp) { stamp_ = stamp; }
  // Drops the catalog and the table definitions (but not the pages) so that
  // they are read afresh: a committed batch added tables or changed row
  // counts.
  void DropDefinitions() {
    catalog_.reset();
    tables_.clear();
  }

 private:
  const std::vector<CatalogEntry>& Catalog();

  std::unique_ptr<PageFile> file_;
  HeaderInfo header_;
  PageCache pages_;
  FileStamp stamp_;
  std::optional<std::vector<CatalogEntry>> catalog_;
  std::unordered_map<uint32_t, std::shared_ptr<const TableDef>> tables_;
};

// Holds the shared lock of a database's file for one statement, export, scan
// or batch of lookups, so that every page read meanwhile belongs to one
// committed state; on taking it, drops what the Database cached when the
// file changed since (Database::RefreshIfChanged). Nests.
class ReadLock {
 public:
  // Raises kBusy when a writer keeps the lock longer than the busy timeout
  // (Database::SetBusyTimeout), kIo.
  explicit ReadLock(Database& db);
  ~ReadLock() { db_.file().EndRead(); }
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;

  // Whether the cached pages and definitions were dropped.
  bool changed() const { return changed_; }

 private:
  Database& db_;
  bool changed_ = false;
};

}  // namespace jet

#endif  // DB_JET_READ_DATABASE_H_
