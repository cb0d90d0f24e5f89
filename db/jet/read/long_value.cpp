// Reading MEMO and OLE values (jet4-format.md section 9).
#include "db/jet/read/long_value.h"

#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/format/row_location.h"

namespace jet {
namespace {

// The 12-byte header a MEMO or OLE column holds in its row, before any
// inline data: the length and the storage kind in one word, then the row
// pointer to the LVAL row or to the chain's first piece.
struct LongValueHeader {
  size_t length = 0;
  uint32_t kind = 0;
  RowPointer pointer;
};

// Raises kCorrupt naming `row_page` when `stored` is too short for it.
LongValueHeader ReadHeader(std::span<const uint8_t> stored, uint32_t row_page) {
  if (stored.size() < format::kLongValueHeaderSize) {
    RaiseCorrupt(row_page, "long value header is shorter than 12 bytes");
  }
  uint32_t word = LoadU32(stored.data());
  return {word & format::kLongValueLengthMask, word & format::kLongValueKindMask,
          RowPointer{LoadU32(stored.data() + format::kLongValuePointerOffset)}};
}

}  // namespace

void ReadLongValue(PageCache& pages, std::span<const uint8_t> stored,
                   uint32_t row_page, Bytes& out) {
  out.clear();
  auto [length, kind, pointer] = ReadHeader(stored, row_page);
  if (kind == format::kLongValueInline) {
    if (length > stored.size() - format::kLongValueHeaderSize) {
      RaiseCorrupt(row_page, "inline long value is longer than its row slot");
    }
    const uint8_t* data = stored.data() + format::kLongValueHeaderSize;
    out.assign(data, data + length);
    return;
  }
  if (length > uint64_t{pages.PageCount()} * format::kPageSize) {
    RaiseCorrupt(row_page, "long value of " + std::to_string(length) +
                               " bytes is larger than the file");
  }
  PageRef page;
  if (kind == format::kLongValueSingle) {
    std::span<const uint8_t> data = ReadRowAt(pages, pointer, row_page, page);
    if (data.size() < length) {
      RaiseCorrupt(pointer.page(), "long value row is shorter than its length");
    }
    out.assign(data.begin(), data.begin() + length);
    return;
  }
  if (kind != format::kLongValueChain) {
    RaiseCorrupt(row_page, "long value of unknown storage kind");
  }
  out.reserve(length);
  uint32_t referrer = row_page;
  // Every piece must carry data, so a chain (even one that loops) ends
  // after at most `length` pieces.
  while (out.size() < length) {
    if (pointer.IsNull()) {
      RaiseCorrupt(referrer, "long value chain ends before its length");
    }
    std::span<const uint8_t> row = ReadRowAt(pages, pointer, referrer, page);
    if (row.size() < format::kLongValueChainLinkSize) {
      RaiseCorrupt(pointer.page(), "long value piece is shorter than its link");
    }
    referrer = pointer.page();
    pointer = RowPointer{LoadU32(row.data())};
    size_t take = std::min(row.size() - format::kLongValueChainLinkSize,
                           length - out.size());
    if (take == 0) RaiseCorrupt(referrer, "long value piece holds no data");
    const uint8_t* data = row.data() + format::kLongValueChainLinkSize;
    out.insert(out.end(), data, data + take);
  }
}

std::vector<RowLocation> LongValueRows(PageCache& pages, std::span<const uint8_t> stored,
                                       uint32_t row_page) {
  std::vector<RowLocation> rows;
  auto [length, kind, pointer] = ReadHeader(stored, row_page);
  if (kind == format::kLongValueInline) return rows;
  PageRef page;
  if (kind == format::kLongValueSingle) {
    ReadRowAt(pages, pointer, row_page, page);
    rows.push_back(pointer.Location());
    return rows;
  }
  if (kind != format::kLongValueChain) {
    RaiseCorrupt(row_page, "long value of unknown storage kind");
  }
  size_t seen = 0;
  uint32_t referrer = row_page;
  while (seen < length) {
    if (pointer.IsNull()) RaiseCorrupt(referrer, "long value chain ends before its length");
    std::span<const uint8_t> row = ReadRowAt(pages, pointer, referrer, page);
    if (row.size() <= format::kLongValueChainLinkSize) {
      RaiseCorrupt(pointer.page(), "long value piece holds no data");
    }
    rows.push_back(pointer.Location());
    seen += row.size() - format::kLongValueChainLinkSize;
    referrer = pointer.page();
    pointer = RowPointer{LoadU32(row.data())};
  }
  return rows;
}

}  // namespace jet
