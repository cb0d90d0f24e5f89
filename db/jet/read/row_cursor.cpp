// The table scan (jet4-format.md sections 5, 6 and 11).
#include "db/jet/read/row_cursor.h"

#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/usage_map.h"

namespace jet {

RowCursor::RowCursor(PageCache& pages, std::shared_ptr<const TableDef> table)
    : pages_(pages), table_(std::move(table)) {
  data_pages_ = ReadUsageMap(pages_, table_->owned_pages, table_->tdef_page);
}

bool RowCursor::LoadPage() {
  while (page_index_ < data_pages_.size()) {
    PageRef page = pages_.Get(data_pages_[page_index_++]);
    // A map bit for a page that is not a data page of this table is stale:
    // such a page holds none of the table's rows.
    if (page->type() != format::kPageData ||
        LoadU32(&page->bytes[format::kDataOwnerOffset]) != table_->tdef_page) {
      continue;
    }
    slot_count_ = SlotCount(*page);
    slot_ = 0;
    page_ = std::move(page);
    return true;
  }
  page_.reset();
  return false;
}

bool RowCursor::Next() {
  while (true) {
    if (!page_ || slot_ >= slot_count_) {
      if (!LoadPage()) return false;
      continue;
    }
    uint16_t slot = slot_++;
    std::optional<HomeRow> home = ReadHomeRow(pages_, *page_, slot);
    if (!home) continue;
    row_.Load(table_, &pages_, home->moved() ? home->moved_page : page_, home->bytes,
              RowLocation{page_->number, slot});
    return true;
  }
}

}  // namespace jet
