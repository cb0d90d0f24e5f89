// Reading usage maps, inline and by reference (jet4-format.md section 5).
#include "db/jet/read/usage_map.h"

#include <bit>
#include <string>

#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

// Appends, for each set bit k of `bitmap`, page first + k (below `limit`).
void CollectBits(std::span<const uint8_t> bitmap, uint64_t first,
                 uint32_t limit, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    uint8_t byte = bitmap[i];
    while (byte != 0) {
      int bit = std::countr_zero(byte);
      byte = static_cast<uint8_t>(byte & (byte - 1));
      uint64_t page = first + i * 8 + static_cast<uint64_t>(bit);
      if (page >= limit) return;
      out.push_back(static_cast<uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<uint32_t> ReadUsageMap(PageCache& pages, RowPointer map,
                                   uint32_t referrer_page) {
  PageRef holder;
  std::span<const uint8_t> row = ReadRowAt(pages, map, referrer_page, holder);
  if (row.empty()) RaiseCorrupt(map.page(), "usage map row is empty");
  std::vector<uint32_t> result;
  uint32_t limit = pages.PageCount();
  if (row[format::kMapTypeOffset] == format::kMapInline) {
    if (row.size() < format::kMapInlineBitmapOffset) {
      RaiseCorrupt(map.page(), "inline usage map row is too short");
    }
    uint32_t start = LoadU32(row.data() + format::kMapStartPageOffset);
    CollectBits(row.subspan(format::kMapInlineBitmapOffset), start, limit,
                result);
    return result;
  }
  if (row[format::kMapTypeOffset] != format::kMapReference) {
    RaiseCorrupt(map.page(), "usage map of unknown type " +
                                 std::to_string(row[format::kMapTypeOffset]));
  }
  size_t slots = (row.size() - format::kMapReferenceSlotsOffset) / 4;
  for (size_t i = 0; i < slots; ++i) {
    uint32_t bitmap_page =
        LoadU32(row.data() + format::kMapReferenceSlotsOffset + 4 * i);
    if (bitmap_page == 0) continue;
    uint64_t first = uint64_t{format::kPagesPerMapPage} * i;
    if (first >= limit) break;
    if (bitmap_page >= limit) {
      RaiseCorrupt(map.page(), "usage map refers to page " +
                                   std::to_string(bitmap_page) +
                                   ", beyond the end of the file");
    }
    PageRef page =
        pages.GetTyped(bitmap_page, format::kPageUsageMap, "a usage-map page");
    CollectBits(std::span<const uint8_t>(page->bytes).subspan(
                    format::kMapPageBitmapOffset),
                first, limit, result);
  }
  return result;
}

}  // namespace jet
