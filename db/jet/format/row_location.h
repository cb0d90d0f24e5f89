// Where a row lives: its home page and slot, the identity that indexes use
// and that stays the same when the row's data moves to another page.
#ifndef DB_JET_FORMAT_ROW_LOCATION_H_
#define DB_JET_FORMAT_ROW_LOCATION_H_

#include <cstdint>
#include <functional>

#include "db/jet/format/format.h"

namespace jet {

struct RowLocation {
  uint32_t page = 0;
  uint16_t slot = 0;
  bool operator==(const RowLocation&) const = default;
  auto operator<=>(const RowLocation&) const = default;
};

// A stored row pointer ([row u8][page u24] read as a u32): page << 8 | row.
struct RowPointer {
  uint32_t raw = 0;
  uint32_t page() const { return raw >> format::kRowPointerPageShift; }
  uint16_t row() const {
    return static_cast<uint16_t>(raw & format::kRowPointerRowMask);
  }
  bool IsNull() const { return raw == 0; }
  RowLocation Location() const { return {page(), row()}; }
  bool operator==(const RowPointer&) const = default;
};

}  // namespace jet

template <>
struct std::hash<jet::RowLocation> {
  size_t operator()(const jet::RowLocation& l) const noexcept {
    return std::hash<uint64_t>{}((uint64_t{l.page} << 16) | l.slot);
  }
};

#endif  // DB_JET_FORMAT_ROW_LOCATION_H_
