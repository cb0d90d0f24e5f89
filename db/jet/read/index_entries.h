// Index keys and index entries as stored: the key of a row in an index,
// every entry of an index read from its leaves, and a search from the root
// (jet4-format.md section 13). Read by the seeker, the checker and the
// index writer.
#ifndef DB_JET_READ_INDEX_ENTRIES_H_
#define DB_JET_READ_INDEX_ENTRIES_H_

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"
#include "db/jet/format/values.h"
#include "db/jet/read/table_def.h"

namespace jet {

// The key of a row whose index columns hold `values` (in index column
// order), section 13.4. Raises kInvalidArgument "cannot update index <index>
// of <table>: <why>" for a column kind, collation or character whose key
// codes this engine does not know exactly.
std::vector<uint8_t> IndexKey(const TableDef& table, const Index& index,
                              const std::vector<Value>& values);
// IndexKey written into `key` (replacing what it held), so that one buffer
// serves the keys of many rows.
void IndexKeyInto(const TableDef& table, const Index& index, const std::vector<Value>& values,
                  std::vector<uint8_t>& key);

// "cannot update index <index> of <table>: ", how every refusal of a key or
// an entry of `index` begins.
std::string IndexRefusalPrefix(const TableDef& table, const Index& index);
// Raises kInvalidArgument IndexRefusalPrefix(table, index) + `why`.
[[noreturn]] void RefuseIndexUpdate(const TableDef& table, const Index& index,
                                    std::string_view why);

// Position in table.columns of the column that `column`, one of `index`'s
// columns, keys. Raises kInvalidArgument "cannot update index <index> of
// <table>: it names a missing column" when the table has none of that number.
size_t IndexColumnPosition(const TableDef& table, const Index& index,
                           const IndexColumn& column);

struct IndexEntry {
  std::vector<uint8_t> key;  // key bytes, without the row id
  RowLocation row;           // the row's home slot
  auto operator<=>(const IndexEntry&) const = default;
};

// Every leaf entry of the index, in stored order. Raises kCorrupt naming
// the page when an index page is damaged.
std::vector<IndexEntry> ReadIndexEntries(PageCache& pages, const TableDef& table,
                                         const Index& index);

// Whether a search from the root, through the node entries (section 13.2),
// reaches a leaf that holds `entry`. Raises kCorrupt for damaged pages.
bool IndexFinds(PageCache& pages, const TableDef& table, const Index& index,
                const IndexEntry& entry);

// Whether `key` stands for a row whose key columns are all null (such keys
// may repeat even in a unique index).
bool IsNullKey(const std::vector<uint8_t>& key, size_t columns);

// One leaf page of an index and its entries.
struct IndexLeaf {
  uint32_t page = 0;
  std::vector<IndexEntry> entries;
};

// The leaves of the index from first to last, with all their entries or,
// when `last_only`, just the last one of each. Raises kCorrupt naming the
// page when an index page is damaged.
std::vector<IndexLeaf> ReadIndexLeaves(PageCache& pages, const TableDef& table,
                                       const Index& index, bool last_only);

}  // namespace jet

#endif  // DB_JET_READ_INDEX_ENTRIES_H_
