// Row-offset tables of data pages (jet4-format.md sections 2.1, 6 and 11).
#include "db/jet/read/data_page.h"

#include <string>

#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

// Hops allowed from a home slot to its data; one is all a sound file needs.
constexpr int kMaxOverflowHops = 4;

}  // namespace

uint16_t SlotCount(const Page& page) {
  if (page.type() != format::kPageData) {
    RaiseCorrupt(page.number, "expected a data page, found type " +
                                  std::to_string(page.type()));
  }
  uint16_t count = LoadU16(&page.bytes[format::kDataRowCountOffset]);
  if (format::kDataRowTableOffset + 2 * size_t{count} > format::kPageSize) {
    RaiseCorrupt(page.number, "row count " + std::to_string(count) +
                                  " does not fit the page");
  }
  return count;
}

Slot ReadSlot(const Page& page, uint16_t slot) {
  const uint8_t* table = &page.bytes[format::kDataRowTableOffset];
  uint16_t raw = LoadU16(table + 2 * size_t{slot});
  Slot result;
  if ((raw & format::kRowFlagDeleted) == format::kRowFlagDeleted) {
    result.kind = SlotKind::kDeleted;
    return result;
  }
  result.kind = (raw & format::kRowFlagOverflow) ? SlotKind::kOverflow
                : (raw & format::kRowFlagTarget) ? SlotKind::kTarget
                                                 : SlotKind::kHome;
  size_t start = raw & format::kRowOffsetMask;
  size_t end = slot == 0 ? format::kPageSize
                         : LoadU16(table + 2 * (size_t{slot} - 1)) &
                               format::kRowOffsetMask;
  size_t table_end =
      format::kDataRowTableOffset +
      2 * size_t{LoadU16(&page.bytes[format::kDataRowCountOffset])};
  if (start < table_end || start > end || end > format::kPageSize) {
    RaiseCorrupt(page.number, "row " + std::to_string(slot) + " spans bytes " +
                                  std::to_string(start) + ".." +
                                  std::to_string(end) +
                                  ", outside the page's row area");
  }
  result.bytes = std::span<const uint8_t>(page.bytes.data() + start, end - start);
  return result;
}

std::span<const uint8_t> ReadRowAt(PageCache& pages, RowPointer pointer,
                                   uint32_t referrer_page, PageRef& page_out) {
  if (pointer.page() >= pages.PageCount() || pointer.page() == 0) {
    RaiseCorrupt(referrer_page, "row pointer to page " +
                                    std::to_string(pointer.page()) +
                                    ", which does not exist");
  }
  PageRef page = pages.Get(pointer.page());
  if (page->type() != format::kPageData) {
    RaiseCorrupt(referrer_page, "row pointer to page " +
                                    std::to_string(pointer.page()) +
                                    ", which is not a data page");
  }
  uint16_t count = SlotCount(*page);
  if (pointer.row() >= count) {
    RaiseCorrupt(referrer_page, "row pointer to row " +
                                    std::to_string(pointer.row()) + " of page " +
                                    std::to_string(pointer.page()) +
                                    ", which has " + std::to_string(count));
  }
  Slot slot = ReadSlot(*page, pointer.row());
  if (slot.kind == SlotKind::kDeleted) {
    RaiseCorrupt(referrer_page, "row pointer to a deleted row (page " +
                                    std::to_string(pointer.page()) + " row " +
                                    std::to_string(pointer.row()) + ")");
  }
  page_out = std::move(page);
  return slot.bytes;
}

std::optional<HomeRow> ReadHomeRow(PageCache& pages, const Page& page, uint16_t slot) {
  Slot home = ReadSlot(page, slot);
  if (home.kind == SlotKind::kHome) {
    return HomeRow{home.bytes, RowLocation{page.number, slot}, nullptr};
  }
  if (home.kind != SlotKind::kOverflow) return std::nullopt;
  // Section 11: the home slot of a moved row holds a row pointer to its data.
  uint32_t referrer = page.number;
  std::span<const uint8_t> pointer = home.bytes;
  for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
    if (pointer.size() < 4) {
      RaiseCorrupt(referrer, "moved row's pointer slot is shorter than 4 bytes");
    }
    RowPointer target{LoadU32(pointer.data())};
    PageRef target_page;
    std::span<const uint8_t> bytes = ReadRowAt(pages, target, referrer, target_page);
    uint16_t raw = LoadU16(&target_page->bytes[format::kDataRowTableOffset +
                                               2 * size_t{target.row()}]);
    if (!(raw & format::kRowFlagOverflow) || (raw & format::kRowFlagTarget)) {
      return HomeRow{bytes, target.Location(), std::move(target_page)};
    }
    referrer = target.page();
    pointer = bytes;
  }
  RaiseCorrupt(page.number, "row " + std::to_string(slot) +
                                " is moved through too many pointers (a loop?)");
}

std::optional<HomeRow> FindHomeRow(PageCache& pages, uint32_t tdef_page, RowLocation home,
                                   PageRef& home_page) {
  if (home.page == 0 || home.page >= pages.PageCount()) return std::nullopt;
  PageRef page = pages.Get(home.page);
  if (page->type() != format::kPageData ||
      LoadU32(&page->bytes[format::kDataOwnerOffset]) != tdef_page ||
      home.slot >= SlotCount(*page)) {
    return std::nullopt;
  }
  std::optional<HomeRow> row = ReadHomeRow(pages, *page, home.slot);
  home_page = std::move(page);
  return row;
}

}  // namespace jet
