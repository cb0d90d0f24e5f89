// Usage-map updates (jet4-format.md sections 5.1, 5.2, 5.5 and 12.4).
#include "db/jet/write/usage_map_writer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/usage_map.h"

namespace jet {
namespace {

// A copy of the page holding a map row, and where the row lies in it.
struct MapRow {
  Page page;
  size_t start = 0;
  size_t length = 0;
  uint8_t* bytes() { return page.bytes.data() + start; }
};

MapRow LoadMapRow(PageCache& pages, RowPointer map, uint32_t referrer) {
  PageRef holder;
  std::span<const uint8_t> row = ReadRowAt(pages, map, referrer, holder);
  MapRow result;
  result.page = *holder;
  result.start = static_cast<size_t>(row.data() - holder->bytes.data());
  result.length = row.size();
  if (result.length < format::kMapInlineBitmapOffset) {
    RaiseCorrupt(map.page(), "usage map row is too short");
  }
  return result;
}

void SetBit(uint8_t* bitmap, uint64_t bit, bool value) {
  uint8_t m = static_cast<uint8_t>(1u << (bit % 8));
  if (value) bitmap[bit / 8] |= m; else bitmap[bit / 8] &= static_cast<uint8_t>(~m);
}

}  // namespace

bool SetUsageBit(PageCache& pages, RowPointer map, uint32_t referrer_page,
                 uint32_t page, bool value) {
  MapRow row = LoadMapRow(pages, map, referrer_page);
  uint8_t* r = row.bytes();
  if (r[format::kMapTypeOffset] == format::kMapInline) {
    uint32_t start = LoadU32(r + format::kMapStartPageOffset);
    uint64_t bits = (row.length - format::kMapInlineBitmapOffset) * 8;
    if (page < start || page - start >= bits) return false;
    SetBit(r + format::kMapInlineBitmapOffset, page - start, value);
    pages.Write(row.page);
    return true;
  }
  if (r[format::kMapTypeOffset] != format::kMapReference) {
    RaiseCorrupt(map.page(), "usage map of unknown type " +
                                 std::to_string(r[format::kMapTypeOffset]));
  }
  size_t slot = page / format::kPagesPerMapPage;
  size_t slots = (row.length - format::kMapReferenceSlotsOffset) / 4;
  if (slot >= slots) return false;
  uint32_t bitmap_page = LoadU32(r + format::kMapReferenceSlotsOffset + 4 * slot);
  if (bitmap_page == 0) return false;
  if (bitmap_page >= pages.PageCount()) {
    RaiseCorrupt(map.page(), "usage map refers to page " +
                                 std::to_string(bitmap_page) +
                                 ", beyond the end of the file");
  }
  Page bitmap = *pages.GetTyped(bitmap_page, format::kPageUsageMap, "a usage-map page");
  SetBit(bitmap.bytes.data() + format::kMapPageBitmapOffset,
         page - slot * format::kPagesPerMapPage, value);
  pages.Write(bitmap);
  return true;
}

namespace {

// Turns the inline global map, which cannot cover `page`, into a reference
// map without bitmap pages: every page counts as in use from then on, as in
// the files Access itself lets outgrow the window. Moving the window
// instead would leave pages behind it, or newly covered, counted free while
// in use, and another writer could hand them out again; the cost here is
// only that pages the window listed as free are not reused.
void OutgrowGlobalWindow(PageCache& pages) {
  RowPointer map{(format::kGlobalMapPage << format::kRowPointerPageShift) |
                 format::kGlobalMapRow};
  MapRow row = LoadMapRow(pages, map, format::kGlobalMapPage);
  uint8_t* r = row.bytes();
  r[format::kMapTypeOffset] = format::kMapReference;
  std::fill(r + format::kMapReferenceSlotsOffset, r + row.length, 0);
  pages.Write(row.page);
}

RowPointer GlobalMap() {
  return RowPointer{(format::kGlobalMapPage << format::kRowPointerPageShift) |
                    format::kGlobalMapRow};
}

}  // namespace

void ReusePage(PageCache& pages, Page& page, uint32_t number) {
  page.number = number;
  pages.Write(page);
  if (SetUsageBit(pages, GlobalMap(), format::kGlobalMapPage, number, false)) return;
  // Not covered: in use already under a reference map; an inline map
  // becomes one.
  MapRow row = LoadMapRow(pages, GlobalMap(), format::kGlobalMapPage);
  if (row.bytes()[format::kMapTypeOffset] == format::kMapInline) OutgrowGlobalWindow(pages);
}

uint32_t AppendPage(PageCache& pages, Page& page) {
  uint32_t number = pages.PageCount();
  ReusePage(pages, page, number);
  return number;
}

void FreePage(PageCache& pages, uint32_t page) {
  // A page the map does not cover stays counted in use: a leak, never a
  // page handed out twice.
  SetUsageBit(pages, GlobalMap(), format::kGlobalMapPage, page, true);
}

void AddToUsageMap(PageCache& pages, RowPointer map, uint32_t referrer_page,
                   uint32_t page) {
  if (SetUsageBit(pages, map, referrer_page, page, true)) return;
  MapRow row = LoadMapRow(pages, map, referrer_page);
  uint8_t* r = row.bytes();
  if (r[format::kMapTypeOffset] == format::kMapInline) {
    std::vector<uint32_t> listed = ReadUsageMap(pages, map, referrer_page);
    listed.push_back(page);
    uint32_t low = *std::min_element(listed.begin(), listed.end()) & ~7u;
    uint32_t high = *std::max_element(listed.begin(), listed.end());
    size_t bytes = row.length - format::kMapInlineBitmapOffset;
    if (high - low < bytes * 8) {
      // Slide the window (section 5.5).
      StoreU32(r + format::kMapStartPageOffset, low);
      uint8_t* bitmap = r + format::kMapInlineBitmapOffset;
      std::fill(bitmap, bitmap + bytes, 0);
      for (uint32_t p : listed) SetBit(bitmap, p - low, true);
      pages.Write(row.page);
      return;
    }
    // Too wide for a window: the row becomes a reference map.
    r[format::kMapTypeOffset] = format::kMapReference;
    std::fill(r + format::kMapReferenceSlotsOffset, r + row.length, 0);
    pages.Write(row.page);
    for (uint32_t p : listed) AddToUsageMap(pages, map, referrer_page, p);
    return;
  }
  size_t slot = page / format::kPagesPerMapPage;
  if (slot >= (row.length - format::kMapReferenceSlotsOffset) / 4) {
    RaiseInvalidArgument("usage map on page " + std::to_string(map.page()) +
                         " cannot list page " + std::to_string(page));
  }
  Page bitmap;
  bitmap.bytes[format::kPageTypeOffset] = format::kPageUsageMap;
  bitmap.bytes[format::kPageTypeOffset + 1] = format::kPageMarker;
  uint32_t number = AppendPage(pages, bitmap);
  row = LoadMapRow(pages, map, referrer_page);
  StoreU32(row.bytes() + format::kMapReferenceSlotsOffset + 4 * slot, number);
  pages.Write(row.page);
  if (!SetUsageBit(pages, map, referrer_page, page, true)) {
    RaiseInvalidArgument("usage map on page " + std::to_string(map.page()) +
                         " cannot list page " + std::to_string(page));
  }
}

}  // namespace jet
