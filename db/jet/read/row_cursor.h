// A forward scan over a table's live rows in stored order: page by page
// through the owned-pages map, slot by slot, following moved rows so that
// each keeps its home slot's place.
#ifndef DB_JET_READ_ROW_CURSOR_H_
#define DB_JET_READ_ROW_CURSOR_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"

namespace jet {

class RowCursor {
 public:
  // Lists the table's data pages. Raises kCorrupt when its usage map is
  // damaged. REQUIRES: `pages` outlives the cursor.
  RowCursor(PageCache& pages, std::shared_ptr<const TableDef> table);

  // Moves to the next live row; false when there is none. Deleted slots and
  // moved-data slots are skipped. Raises kCorrupt for damaged pages or rows.
  bool Next();
  // The current row. REQUIRES: the last Next() returned true. Valid until
  // the next call of Next() (copy it to keep it).
  const Row& row() const { return row_; }

 private:
  bool LoadPage();

  PageCache& pages_;
  std::shared_ptr<const TableDef> table_;
  std::vector<uint32_t> data_pages_;
  size_t page_index_ = 0;
  PageRef page_;
  uint16_t slot_ = 0;
  uint16_t slot_count_ = 0;
  Row row_;
};

}  // namespace jet

#endif  // DB_JET_READ_ROW_CURSOR_H_
