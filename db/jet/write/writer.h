// Changing rows of an open database: row updates written in place or moved
// to another page, indexes kept in step, each batch of changes journaled so
// that a crash leaves every row wholly old or wholly new.
#ifndef DB_JET_WRITE_WRITER_H_
#define DB_JET_WRITE_WRITER_H_

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/format/row_location.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace jet {

class IndexEditor;
class JournaledFile;

// New values for some columns of one row: (position in table.columns, value).
// A null value is std::monostate. Text and memo are UTF-16.
using ColumnChanges = std::vector<std::pair<size_t, Value>>;

// Whether a column's values may be changed through Writer::UpdateRow: false
// for autonumbers, MEMO/OLE columns, fixed-length text and columns of unknown
// type. A text column's declared size in characters is Column::Size().
bool ColumnWritable(const Column& column);

struct WriterOptions {
  // Force the journal and then the file to the disk at every commit, so that
  // a committed batch survives a power loss. Without it a killed process
  // still leaves every row wholly old or wholly new (the journal reaches the
  // operating system before the file is touched), but a power loss may not.
  bool sync = true;
};

// Writes to one Database. Not thread-safe; one Writer per Database at a
// time. Other processes may read the file throughout but for the moment a
// commit writes its pages; other writers (other copies of this engine) wait
// for each other, through the locks of journal.h.
//
// Every change belongs to a batch. Begin() opens one explicitly; UpdateRow
// outside a batch makes its own (Begin, update, Commit), so a single update
// is a complete, durable change by itself. Within a batch, the changed
// pages stay in memory (reads through the Database see them); Commit()
// saves the original pages in a journal beside the file, writes the new
// pages, and removes the journal. A batch not committed leaves the file as
// it was. Database::Open rolls back a journal left by a crash.
class Writer {
 public:
  // REQUIRES: `db` was opened read-write by Database::Open (or built over a
  // JournaledFile; one made with an empty lock path keeps no journal, for
  // files in memory), and outlives the writer. Raises kReadOnly when the
  // database is open read-only.
  explicit Writer(Database& db, WriterOptions options = {});
  // Rolls back a batch still open.
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Opens a batch: waits for the file's reserved lock, then drops cached pages
  // and definitions if another process changed the file meanwhile
  // (Database::RefreshIfChanged; tables and rows obtained before Begin
  // should be looked up again when it returns true). Returns whether the
  // file had changed. Raises kInvalidArgument when a batch is already open,
  // kBusy when another writer keeps the lock past the busy timeout, kIo
  // when locking fails.
  bool Begin();
  // Makes the batch's changes permanent: writes the index pages it changed
  // into the batch, journals the original pages, writes the new ones (one
  // whole-page write each), syncs (WriterOptions::sync) and removes the
  // journal; then releases the lock. Readers are kept out (and waited for,
  // up to the busy timeout) only while the pages are written. The batch's
  // pages are held in memory
  // until then, so keep batches to some thousands of rows. Raises kIo when
  // writing fails (the file is then restored from the journal, or failing
  // that by the next reader), kBusy when readers keep the file past the
  // busy timeout (nothing is written then), kInvalidArgument when an index's
  // page map cannot grow; the batch is then rolled back. REQUIRES: a batch
  // is open.
  void Commit();
  // Forgets the batch's changes and the Database's cached definitions (a
  // batch may have changed one) and releases the lock. Does nothing when no
  // batch is open.
  void Rollback();
  bool InBatch() const { return in_batch_; }

  // Replaces the named columns of the row whose home slot is `home` in
  // `table` (a definition from the same Database), keeping every other
  // column, the row's home slot, the table's row order and row count. The
  // row is rewritten in place when it fits its page, else moved to another
  // page of the table (jet4-format.md sections 11, 12.1, 12.2). Indexes
  // over a changed column are brought up to date by the commit.
  //
  // Raises, before anything is changed:
  //  kInvalidArgument "no such row: page <p> row <r> of <table>" when
  //    `home` is not a live home row of the table;
  //  kInvalidArgument "column <table>.<col> cannot be changed" for a column
  //    that is not ColumnWritable;
  //  kInvalidArgument "value too long for <table>.<col>: <n> characters,
  //    at most <size>" for text longer than the declared size (the caller
  //    cuts it);
  //  kInvalidArgument "wrong kind of value for <table>.<col> (<KIND>)" when
  //    the value's alternative is not the column's (LONG takes int32_t, INT
  //    int16_t, BYTE uint8_t, TEXT std::u16string, ...);
  //  kInvalidArgument "null not allowed in <table>.<col>" for a Boolean;
  //  kInvalidArgument "cannot update index <name> of <table>: <why>" when
  //    a changed column belongs to an index this engine cannot keep exact (a
  //    text index in a collation other than General 1033, a character
  //    outside digits, letters, space and printable ASCII punctuation but '
  //    and -, a key type other than BYTE, INT, LONG, MONEY, DOUBLE, date and
  //    TEXT), or when a unique index holds the new key for another row;
  // and kCorrupt for damaged pages, kIo when the file fails. A failure
  // after the row's pages began to change (kCorrupt found on another page,
  // kIo) rolls the whole batch back before it is raised (InBatch() is then
  // false).
  void UpdateRow(const std::shared_ptr<const TableDef>& table, RowLocation home,
                 const ColumnChanges& changes);

  // Adds a row to `table` (a definition from the same Database) holding
  // `values` (position in table.columns, value); a column not named is null
  // (a Boolean false) and an autonumber column gets the table's next number.
  // The row goes into the page last given rows while it has room, else a new
  // page listed in the table's and the file's usage maps; the TDEF's row
  // count and last autonumber are raised, and every index of the table gets
  // its entry at the commit (jet4-format.md sections 12.3 to 12.5, 13.6).
  // Returns the new row's home slot. Outside a batch it is a batch by itself.
  //
  // MEMO values (UTF-16 text, stored uncompressed) and OLE values (bytes)
  // may be given; they are stored inline, in one LVAL row, or in a chain of
  // LVAL rows listed in the column's page map, by their length.
  //
  // Raises, before anything is changed, the refusals of UpdateRow for each
  // named column (an autonumber column cannot be named) and for
  // the new row's index keys ("cannot update index ..."), and
  //  kInvalidArgument "cannot insert into <table>: GUID autonumber" for a
  //    table whose GUID autonumber this engine does not make;
  // kCorrupt and kIo as UpdateRow, rolling the batch back likewise.
  RowLocation InsertRow(const std::shared_ptr<const TableDef>& table,
                        const ColumnChanges& values);

  // Adds `count` rows to `table` as `count` calls of InsertRow would, leaving
  // the file the same: row i holds the values `fill(i, values)` leaves in
  // `values` (which holds what the previous call left). Rows of a table
  // without indexes, autonumbers or long values go in faster: the page they
  // are appended to is changed in place and written once full. Outside a
  // batch the rows are a batch by themselves. Raises as InsertRow, and what
  // `fill` raises; within a batch, the rows before a refused one stay in it.
  void InsertRows(const std::shared_ptr<const TableDef>& table, size_t count,
                  const std::function<void(size_t, ColumnChanges&)>& fill);

  // Removes every row of `table` (a definition from the same Database):
  // its data pages are emptied and freed, and this writer's next insertions
  // into the table take them again, in page order, before the file grows; its long-value pages and every index page but the roots are
  // freed, each root becoming an empty leaf; the row count becomes 0 (the
  // last autonumber stays). Index entries the open batch queued for the
  // table are dropped. Outside a batch it is a batch by itself. Raises
  // kCorrupt for a damaged map or page, rolling the batch back, and kIo as
  // UpdateRow.
  void DeleteAllRows(const std::shared_ptr<const TableDef>& table);

  // Removes the row whose home slot is `home` from `table` (a definition
  // from the same Database): its slot, and the slot of its moved data when
  // it was moved, become deleted slots of length 0 (0xC000) with the rows
  // below moved up (jet4-format.md section 6.3); the LVAL rows of its MEMO
  // and OLE values are deleted likewise; its index entries go at the commit;
  // the TDEF's row count drops by one. Pages that gained room are listed in
  // the table's free-space map, and this writer's next insertions into the
  // table try them before the page last used. Outside a batch it is a batch
  // by itself. Raises, before anything is changed, kInvalidArgument "no such
  // row: ..." as UpdateRow, kCorrupt when an index lacks the row's entry or
  // a page is damaged; kIo as UpdateRow (rolling the batch back).
  void DeleteRow(const std::shared_ptr<const TableDef>& table, RowLocation home);

 private:
  class Batch;
  void UpdateInBatch(const std::shared_ptr<const TableDef>& table,
                     RowLocation home, const ColumnChanges& changes);
  RowLocation InsertInBatch(const std::shared_ptr<const TableDef>& table,
                            const ColumnChanges& values);
  // The editor of `index` of `table` in the open batch, made when first
  // asked for.
  IndexEditor& EditorFor(const std::shared_ptr<const TableDef>& table,
                         const Index& index);
  // Records the index entries the change moves; raises before any page
  // changes when an index cannot be kept exact.
  void QueueIndexChanges(const std::shared_ptr<const TableDef>& table,
                         const Row& old, const ColumnChanges& changes);
  // A data page of `table` with room for a row of `length` bytes, neither
  // of the excluded pages: the page last used, else a new one.
  uint32_t TargetPage(const TableDef& table, size_t length, uint32_t exclude1,
                      uint32_t exclude2);
  // Writes the new bytes of the row whose home is `home` (its data at
  // `old_target` when `moved`): in place, or moved (sections 12.1, 12.2).
  void StoreRow(const TableDef& table, RowLocation home, bool moved,
                RowLocation old_target, std::span<const uint8_t> row);
  // Stores `data`, a MEMO or OLE value of `column`, as jet4-format.md
  // section 9 says (inline up to 64 bytes, else one LVAL row, else a chain
  // of LVAL rows) and returns the header its row holds.
  std::vector<uint8_t> StoreLongValue(const TableDef& table, const Column& column,
                                      const std::vector<uint8_t>& data);
  // Appends `bytes` as a row of an LVAL page of `column`; returns where.
  RowLocation PlaceLongValueRow(const TableDef& table, const Column& column,
                                const std::vector<uint8_t>& bytes);
  // Appends `row` as moved data on a target page; returns where it went.
  RowLocation PlaceRow(const TableDef& table, std::span<const uint8_t> row,
                       uint32_t exclude1, uint32_t exclude2);

  Database& db_;
  JournaledFile& file_;
  WriterOptions options_;
  bool in_batch_ = false;
  bool definitions_changed_ = false;  // the batch changed a TDEF's counters
  std::unique_ptr<Batch> batch_;
  std::unordered_map<uint32_t, uint32_t> append_pages_;  // TDEF -> page, 0 none
  // (TDEF, column number) -> the LVAL page last given a long value.
  std::map<std::pair<uint32_t, uint16_t>, uint32_t> lval_pages_;
  // TDEF -> pages DeleteRow gave room, to try before the last used page.
  std::unordered_map<uint32_t, std::vector<uint32_t>> roomy_pages_;
  // TDEF -> pages DeleteAllRows freed, not yet taken again (last first).
  std::unordered_map<uint32_t, std::vector<uint32_t>> spare_pages_;
};

}  // namespace jet

#endif  // DB_JET_WRITE_WRITER_H_
