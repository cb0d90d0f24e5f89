// A data page's row-offset table: where each slot's bytes lie and what its
// flags say, with every offset checked against the page.
#ifndef DB_JET_READ_DATA_PAGE_H_
#define DB_JET_READ_DATA_PAGE_H_

#include <cstdint>
#include <optional>
#include <span>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"

namespace jet {

enum class SlotKind {
  kHome,      // an ordinary row
  kOverflow,  // holds a row pointer to the row's moved data
  kTarget,    // moved data, reached only through its pointer
  kDeleted,
};

struct Slot {
  SlotKind kind = SlotKind::kDeleted;
  std::span<const uint8_t> bytes;  // the slot's extent
};

// Number of slots in data page `page`. Raises kCorrupt when the page is not
// a data page or its offset table does not fit the page.
uint16_t SlotCount(const Page& page);

// Slot `slot` of data page `page`. Raises kCorrupt when the slot's extent
// lies outside the page or overlaps the offset table.
// REQUIRES: slot < SlotCount(page).
Slot ReadSlot(const Page& page, uint16_t slot);

// A row's stored bytes, reached from its home slot.
struct HomeRow {
  std::span<const uint8_t> bytes;  // the row as stored
  RowLocation at;                  // where `bytes` lie: the home slot unless moved
  PageRef moved_page;              // the page holding `bytes` when the row has moved
  bool moved() const { return moved_page != nullptr; }
};

// The row whose home is slot `slot` of data page `page`; for a moved row,
// the data its row pointer leads to (at most a few hops). Nothing when the
// slot is deleted or holds the moved data of another slot. Raises kCorrupt
// naming the home page when a pointer leads nowhere or loops.
// REQUIRES: slot < SlotCount(page).
std::optional<HomeRow> ReadHomeRow(PageCache& pages, const Page& page, uint16_t slot);

// The same for the row whose home is `home` in the table whose first TDEF
// page is `tdef_page`, with `home_page` set to the home slot's page; nothing
// also when `home` is not a slot of one of that table's data pages.
std::optional<HomeRow> FindHomeRow(PageCache& pages, uint32_t tdef_page, RowLocation home,
                                   PageRef& home_page);

// The bytes of the row that `pointer` names on a data page (any flags).
// Raises kCorrupt naming `referrer_page` when the page or slot is not there.
std::span<const uint8_t> ReadRowAt(PageCache& pages, RowPointer pointer,
                                   uint32_t referrer_page, PageRef& page_out);

}  // namespace jet

#endif  // DB_JET_READ_DATA_PAGE_H_
