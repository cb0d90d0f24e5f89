// Index keys and index maintenance: the key of a row in an index, every
// entry of an index read from its leaves, and an index rewritten with some
// entries removed and others added (jet4-format.md section 13).
#ifndef DB_JET_INDEX_WRITER_H_
#define DB_JET_INDEX_WRITER_H_

#include <cstdint>
#include <set>
#include <vector>

#include "db/jet/page_cache.h"
#include "db/jet/row_location.h"
#include "db/jet/table_def.h"
#include "db/jet/values.h"

namespace jet {

// The key of a row whose index columns hold `values` (in index column
// order), section 13.4. Raises kInvalidArgument "cannot update index <index>
// of <table>: <why>" for a column kind, collation or character whose key
// codes this engine does not know exactly.
std::vector<uint8_t> IndexKey(const TableDef& table, const Index& index,
                              const std::vector<Value>& values);

struct IndexEntry {
  std::vector<uint8_t> key;  // key bytes, without the row id
  RowLocation row;           // the row's home slot
  auto operator<=>(const IndexEntry&) const = default;
};

// Every leaf entry of the index, in stored order. Raises kCorrupt naming
// the page when an index page is damaged.
std::vector<IndexEntry> ReadIndexEntries(PageCache& pages, const TableDef& table,
                                         const Index& index);

// Whether `key` stands for a row whose key columns are all null (such keys
// may repeat even in a unique index).
bool IsNullKey(const std::vector<uint8_t>& key, size_t columns);

// Rewrites the index to hold exactly `entries`: leaves and nodes rebuilt in
// key order, the root kept at its page, the index's other pages reused,
// added (to its usage map) or freed as needed (section 13.6). Raises
// kInvalidArgument when the index's page map cannot list a page it needs.
void WriteIndex(PageCache& pages, const TableDef& table, const Index& index,
                const std::set<IndexEntry>& entries);

}  // namespace jet

#endif  // DB_JET_INDEX_WRITER_H_
