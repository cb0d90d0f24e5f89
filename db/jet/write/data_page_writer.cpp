// Row placement on data pages (jet4-format.md sections 6.1, 6.3 and 12.1).
#include "db/jet/write/data_page_writer.h"

#include <cstring>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

uint16_t RowCount(const Page& page) {
  return LoadU16(&page.bytes[format::kDataRowCountOffset]);
}
uint16_t RawOffset(const Page& page, uint16_t slot) {
  return LoadU16(&page.bytes[format::kDataRowTableOffset + 2 * size_t{slot}]);
}
void SetRawOffset(Page& page, uint16_t slot, uint16_t value) {
  StoreU16(&page.bytes[format::kDataRowTableOffset + 2 * size_t{slot}], value);
}
size_t Start(const Page& page, uint16_t slot) {
  return RawOffset(page, slot) & format::kRowOffsetMask;
}
size_t End(const Page& page, uint16_t slot) {
  return slot == 0 ? format::kPageSize : Start(page, slot - 1);
}
// Start of the lowest row: where the next row ends.
size_t Low(const Page& page) {
  uint16_t n = RowCount(page);
  return n == 0 ? format::kPageSize : Start(page, n - 1);
}
void SetFree(Page& page, size_t free) {
  StoreU16(&page.bytes[format::kDataFreeSpaceOffset], static_cast<uint16_t>(free));
}

}  // namespace

uint16_t FreeSpace(const Page& page) {
  return LoadU16(&page.bytes[format::kDataFreeSpaceOffset]);
}

void CheckPacked(const Page& page) {
  uint16_t n = SlotCount(page);
  size_t previous = format::kPageSize;
  for (uint16_t i = 0; i < n; ++i) {
    size_t start = Start(page, i);
    if (start > previous) {
      RaiseCorrupt(page.number, "row " + std::to_string(i) +
                                    " lies above the row before it");
    }
    previous = start;
  }
  size_t table_end = format::kDataRowTableOffset + 2 * size_t{n};
  if (previous < table_end || previous - table_end != FreeSpace(page)) {
    RaiseCorrupt(page.number, "free space " + std::to_string(FreeSpace(page)) +
                                  " disagrees with the rows");
  }
}

bool ReplaceSlot(Page& page, uint16_t slot, std::span<const uint8_t> bytes,
                 uint16_t flags) {
  uint16_t n = RowCount(page);
  size_t start = Start(page, slot);
  size_t end = End(page, slot);
  size_t low = Low(page);
  long delta = static_cast<long>(bytes.size()) - static_cast<long>(end - start);
  if (delta > static_cast<long>(FreeSpace(page))) return false;
  uint8_t* b = page.bytes.data();
  // Rows slot+1..n-1 lie in [low, start): shift them by -delta.
  std::memmove(b + low - delta, b + low, start - low);
  size_t new_start = static_cast<size_t>(static_cast<long>(start) - delta);
  if (!bytes.empty()) std::memcpy(b + new_start, bytes.data(), bytes.size());
  if (delta < 0) std::memset(b + low, 0, static_cast<size_t>(-delta));
  for (uint16_t j = slot + 1; j < n; ++j) {
    uint16_t raw = RawOffset(page, j);
    size_t moved = static_cast<size_t>(static_cast<long>(raw & format::kRowOffsetMask) - delta);
    SetRawOffset(page, j, static_cast<uint16_t>(moved | (raw & ~format::kRowOffsetMask)));
  }
  SetRawOffset(page, slot, static_cast<uint16_t>(new_start | flags));
  SetFree(page, static_cast<size_t>(static_cast<long>(FreeSpace(page)) - delta));
  return true;
}

bool RoomFor(const Page& page, size_t length) {
  return RowCount(page) < format::kMaxRowsPerPage &&
         length + 2 <= FreeSpace(page);
}

std::optional<uint16_t> AppendRow(Page& page, std::span<const uint8_t> bytes,
                                  uint16_t flags) {
  if (!RoomFor(page, bytes.size())) return std::nullopt;
  uint16_t n = RowCount(page);
  size_t start = Low(page) - bytes.size();
  if (!bytes.empty()) std::memcpy(page.bytes.data() + start, bytes.data(), bytes.size());
  SetRawOffset(page, n, static_cast<uint16_t>(start | flags));
  StoreU16(&page.bytes[format::kDataRowCountOffset], static_cast<uint16_t>(n + 1));
  SetFree(page, FreeSpace(page) - bytes.size() - 2);
  return n;
}

void FormatDataPage(Page& page, uint32_t tdef_page) {
  page.bytes.fill(0);
  page.bytes[format::kPageTypeOffset] = format::kPageData;
  page.bytes[format::kPageTypeOffset + 1] = format::kPageMarker;
  SetFree(page, format::kPageSize - format::kDataRowTableOffset);
  StoreU32(&page.bytes[format::kDataOwnerOffset], tdef_page);
}

}  // namespace jet
