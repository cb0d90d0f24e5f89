// Equality lookups through a table's own indexes: the key of the sought
// value, a descent from the root to the first leaf that can hold it, and the
// leaf chain read until the keys pass it (jet4-format.md sections 13.2 to
// 13.4). Entries are read in place, without copying the pages' keys.
#ifndef DB_JET_READ_INDEX_SEEK_H_
#define DB_JET_READ_INDEX_SEEK_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace jet {

// An index that can answer "column = value" for one column and value.
struct IndexSeek {
  const Index* index = nullptr;
  // Every key of a row whose column equals the value begins with these
  // bytes, and no key of another value does.
  std::vector<uint8_t> prefix;
};

// The index of `table` whose first column is column `column` (a position in
// table.columns) and whose key for `value` is known exactly: a kind and
// characters whose key codes this engine knows (IndexKey). Text
// is matched without regard to case and trailing blanks, so the rows found
// include every row whose text equals `value` in a statement's comparison.
// Nothing when no index qualifies, or `value` is null or empty text.
std::optional<IndexSeek> PlanIndexSeek(const TableDef& table, size_t column,
                                       const Value& value);

// The home slots of the rows whose keys in `seek.index` begin with
// `seek.prefix`, in the order a scan of the table meets them (page, then
// row). Raises kCorrupt naming the page when an index page is damaged: an
// entry outside its page, keys out of order, a child or next page that is
// not an index page, a loop.
std::vector<RowLocation> SeekRows(PageCache& pages, const TableDef& table,
                                  const IndexSeek& seek);

}  // namespace jet

#endif  // DB_JET_READ_INDEX_SEEK_H_
