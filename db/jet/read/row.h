// A view of one stored row with its columns decoded on demand. Nothing is
// decoded or allocated for a column that is not asked for.
#ifndef DB_JET_READ_ROW_H_
#define DB_JET_READ_ROW_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace jet {

// Columns are named by their position in table().columns. A Row keeps its
// page and table definition alive, so it stays valid after the cursor moves
// on or the cache is dropped (it then shows the file as it was when read;
// MEMO and OLE values stored on other pages are read when asked for, from
// the file as it is then).
// REQUIRES for every column argument: column < table().columns.size().
// REQUIRES: the Database the row came from outlives the row.
class Row {
 public:
  Row() = default;

  // Decodes the row stored in `bytes` (inside `page`) for `table`, checking
  // its header and trailer. `location` is the row's home slot. Raises
  // kCorrupt naming the page when the row's layout is impossible.
  static Row Decode(std::shared_ptr<const TableDef> table, PageCache* pages,
                    PageRef page, std::span<const uint8_t> bytes,
                    RowLocation location);
  // Like Decode, but into this row, keeping the table and page it already
  // holds when they are the same (the scan's fast path).
  void Load(const std::shared_ptr<const TableDef>& table, PageCache* pages,
            const PageRef& page, std::span<const uint8_t> bytes,
            RowLocation location);

  RowLocation location() const { return location_; }
  const TableDef& table() const { return *table_; }
  // The stored bytes of the whole row (for the writer).
  std::span<const uint8_t> bytes() const { return bytes_; }
  // The page that holds bytes(), as the row read it.
  const PageRef& page() const { return page_; }

  // True when the column is null. A Boolean is never null.
  bool IsNull(size_t column) const;
  // The column's value; text, memo and OLE values are read in full,
  // following long-value pages. Raises kCorrupt for damaged bytes.
  Value Get(size_t column) const;

  // Fast paths. Each returns false (and leaves `out` alone) when the value
  // is null, and raises kInvalidArgument when the column's kind does not
  // fit the call.
  // Text or memo, replacing `out`'s contents.
  bool GetText(size_t column, std::u16string& out) const;
  // Boolean, byte, integer or long (variable-stored longs too).
  bool GetInteger(size_t column, int64_t& out) const;
  // Binary, OLE or unknown-type bytes, replacing `out`'s contents.
  bool GetBytes(size_t column, Bytes& out) const;

  // The column's stored bytes: fixed-area bytes, or the variable slot (for
  // MEMO/OLE the long-value header and any inline data). Empty when null or
  // when the value is empty.
  std::span<const uint8_t> RawBytes(size_t column) const;

 private:
  // Null-mask bit for the column; false when the row predates the column.
  bool MaskBit(const Column& c) const;
  // The variable slot of `c`, checked; nothing when the row predates it.
  std::optional<std::span<const uint8_t>> VarSlot(const Column& c) const;
  std::span<const uint8_t> FixedSlot(const Column& c) const;
  [[noreturn]] void Fail(const char* what) const;

  std::shared_ptr<const TableDef> table_;
  PageCache* pages_ = nullptr;
  PageRef page_;
  std::span<const uint8_t> bytes_;
  RowLocation location_;
  uint16_t column_count_ = 0;       // columns when the row was written
  uint16_t var_count_ = 0;          // var slots in this row
  size_t mask_offset_ = 0;          // start of the null mask
  size_t var_table_end_ = 0;        // just past off[0] (where nvar starts)
  size_t fixed_end_ = 0;            // end of the fixed area
};

}  // namespace jet

#endif  // DB_JET_READ_ROW_H_
