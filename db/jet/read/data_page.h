// A data page's row-offset table: where each slot's bytes lie and what its
// flags say, with every offset checked against the page.
#ifndef DB_JET_READ_DATA_PAGE_H_
#define DB_JET_READ_DATA_PAGE_H_

#include <cstdint>
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

// Follows the row pointer in an overflow slot (at most a few hops) to the
// moved row's bytes. `page_out` receives the page holding them. Raises
// kCorrupt naming `from` when a pointer leads nowhere or loops.
std::span<const uint8_t> FollowOverflow(PageCache& pages, RowLocation from,
                                        std::span<const uint8_t> pointer,
                                        PageRef& page_out);

// The bytes of the row that `pointer` names on a data page (any flags).
// Raises kCorrupt naming `referrer_page` when the page or slot is not there.
std::span<const uint8_t> ReadRowAt(PageCache& pages, RowPointer pointer,
                                   uint32_t referrer_page, PageRef& page_out);

}  // namespace jet

#endif  // DB_JET_READ_DATA_PAGE_H_
