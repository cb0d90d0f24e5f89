// Index keys and index maintenance: the key of a row in an index, every
// entry of an index read from its leaves, and an index rewritten with some
// entries removed and others added (jet4-format.md section 13).
#ifndef DB_JET_INDEX_WRITER_H_
#define DB_JET_INDEX_WRITER_H_

#include <cstdint>
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

// One row's entry moving from `old_key` to `new_key`.
struct IndexChange {
  std::vector<uint8_t> old_key;
  std::vector<uint8_t> new_key;
  RowLocation row;
};

// Rewrites the index with `changes` applied in order: entries rebuilt into
// leaves and nodes in key order, the root kept at its page, pages reused,
// added (to the index's map) or freed as needed (section 13.6). Raises
// kCorrupt when an entry to remove is missing (the index disagreed with the
// table), kInvalidArgument when a unique index would hold a key twice.
void ApplyIndexChanges(PageCache& pages, const TableDef& table,
                       const Index& index, const std::vector<IndexChange>& changes);

}  // namespace jet

#endif  // DB_JET_INDEX_WRITER_H_
