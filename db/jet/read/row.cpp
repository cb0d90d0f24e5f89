// Decoding one row's columns (jet4-format.md sections 7 and 10).
#include "db/jet/read/row.h"

#include <string>

#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/long_value.h"
#include "db/jet/format/text.h"

namespace jet {
namespace {

// Bytes a fixed-size kind needs; 0 for kinds of any length.
size_t NeededSize(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kByte: return 1;
    case ColumnKind::kInteger: return 2;
    case ColumnKind::kLong: return 4;
    case ColumnKind::kSingle: return 4;
    case ColumnKind::kCurrency:
    case ColumnKind::kDouble:
    case ColumnKind::kDateTime: return 8;
    case ColumnKind::kGuid: return format::kGuidSize;
    case ColumnKind::kNumeric: return format::kNumericSize;
    default: return 0;
  }
}

bool IsInteger(ColumnKind kind) {
  return kind == ColumnKind::kBoolean || kind == ColumnKind::kByte ||
         kind == ColumnKind::kInteger || kind == ColumnKind::kLong;
}

}  // namespace

Row Row::Decode(std::shared_ptr<const TableDef> table, PageCache* pages,
                PageRef page, std::span<const uint8_t> bytes,
                RowLocation location) {
  Row row;
  row.Load(table, pages, page, bytes, location);
  return row;
}

void Row::Load(const std::shared_ptr<const TableDef>& table, PageCache* pages,
               const PageRef& page, std::span<const uint8_t> bytes,
               RowLocation location) {
  if (table_ != table) table_ = table;
  if (page_ != page) page_ = page;
  pages_ = pages;
  bytes_ = bytes;
  location_ = location;
  size_t size = bytes.size();
  if (size < format::kRowColumnCountSize) Fail("row is too short");
  column_count_ = LoadU16(bytes.data());
  size_t mask_length = (size_t{column_count_} + 7) / 8;
  if (mask_length + format::kRowColumnCountSize > size) {
    Fail("row's null mask does not fit the row");
  }
  mask_offset_ = size - mask_length;
  fixed_end_ = mask_offset_;
  var_table_end_ = mask_offset_;
  var_count_ = 0;
  if (table_->max_var_columns > 0) {
    if (mask_offset_ < format::kRowColumnCountSize + 2) {
      Fail("row has no room for its variable-column count");
    }
    var_count_ = LoadU16(bytes.data() + mask_offset_ - 2);
    var_table_end_ = mask_offset_ - 2;
    size_t table_size = 2 * (size_t{var_count_} + 1);
    if (table_size + format::kRowColumnCountSize > var_table_end_) {
      Fail("row's variable-column table does not fit the row");
    }
    fixed_end_ = var_table_end_ - table_size;
  }
}

void Row::Fail(const char* what) const {
  RaiseCorrupt(location_.page, "row " + std::to_string(location_.slot) + ": " +
                                   what);
}

bool Row::MaskBit(const Column& c) const {
  if (c.number >= column_count_) return false;
  return (bytes_[mask_offset_ + c.number / 8] >> (c.number % 8)) & 1;
}

std::span<const uint8_t> Row::FixedSlot(const Column& c) const {
  size_t start = format::kRowColumnCountSize + size_t{c.fixed_offset};
  if (start > fixed_end_ || c.length > fixed_end_ - start) {
    Fail("a fixed column lies outside the row's fixed area");
  }
  return bytes_.subspan(start, c.length);
}

std::optional<std::span<const uint8_t>> Row::VarSlot(const Column& c) const {
  if (c.var_index >= var_count_) return std::nullopt;
  const uint8_t* entry = bytes_.data() + var_table_end_ - 2 - 2 * size_t{c.var_index};
  size_t start = LoadU16(entry);
  size_t end = LoadU16(entry - 2);
  if (start > end || end > fixed_end_ || start < format::kRowColumnCountSize) {
    Fail("a variable column's offsets lie outside the row");
  }
  return bytes_.subspan(start, end - start);
}

bool Row::IsNull(size_t column) const {
  const Column& c = table_->columns[column];
  if (c.kind == ColumnKind::kBoolean) return false;
  if (!MaskBit(c)) return true;
  return !c.fixed && !VarSlot(c).has_value();
}

std::span<const uint8_t> Row::RawBytes(size_t column) const {
  const Column& c = table_->columns[column];
  if (c.kind == ColumnKind::kBoolean || !MaskBit(c)) return {};
  if (c.fixed) return FixedSlot(c);
  return VarSlot(c).value_or(std::span<const uint8_t>());
}

Value Row::Get(size_t column) const {
  const Column& c = table_->columns[column];
  if (c.kind == ColumnKind::kBoolean) return MaskBit(c);
  if (!MaskBit(c)) return std::monostate{};
  std::span<const uint8_t> s;
  if (c.fixed) {
    s = FixedSlot(c);
  } else {
    auto slot = VarSlot(c);
    if (!slot) return std::monostate{};
    s = *slot;
  }
  if (s.size() < NeededSize(c.kind)) Fail("a column's value is too short");
  const uint8_t* p = s.data();
  switch (c.kind) {
    case ColumnKind::kByte: return p[0];
    case ColumnKind::kInteger: return static_cast<int16_t>(LoadU16(p));
    case ColumnKind::kLong: return static_cast<int32_t>(LoadU32(p));
    case ColumnKind::kCurrency:
      return Currency{static_cast<int64_t>(LoadU64(p))};
    case ColumnKind::kSingle: return LoadF32(p);
    case ColumnKind::kDouble: return LoadF64(p);
    case ColumnKind::kDateTime: return DateTime{LoadF64(p)};
    case ColumnKind::kGuid: {
      Guid g;
      std::copy(p, p + format::kGuidSize, g.bytes.begin());
      return g;
    }
    case ColumnKind::kNumeric: {
      Decimal d;
      d.negative = p[0] != 0;
      d.precision = c.precision;
      d.scale = c.scale;
      d.high = (uint64_t{LoadU32(p + 1)} << 32) | LoadU32(p + 5);
      d.low = (uint64_t{LoadU32(p + 9)} << 32) | LoadU32(p + 13);
      return d;
    }
    case ColumnKind::kText: {
      std::u16string text;
      DecodeText(s, text);
      return text;
    }
    case ColumnKind::kMemo: {
      Bytes stored;
      ReadLongValue(*pages_, s, location_.page, stored);
      std::u16string text;
      DecodeText(stored, text);
      return text;
    }
    case ColumnKind::kOle: {
      Bytes stored;
      ReadLongValue(*pages_, s, location_.page, stored);
      return stored;
    }
    default: return Bytes(s.begin(), s.end());
  }
}

bool Row::GetText(size_t column, std::u16string& out) const {
  const Column& c = table_->columns[column];
  if (c.kind != ColumnKind::kText && c.kind != ColumnKind::kMemo) {
    RaiseInvalidArgument("column is not text");
  }
  if (!MaskBit(c)) return false;
  std::span<const uint8_t> s;
  if (c.fixed) {
    s = FixedSlot(c);
  } else {
    auto slot = VarSlot(c);
    if (!slot) return false;
    s = *slot;
  }
  if (c.kind == ColumnKind::kText) {
    DecodeText(s, out);
  } else {
    Bytes stored;
    ReadLongValue(*pages_, s, location_.page, stored);
    DecodeText(stored, out);
  }
  return true;
}

bool Row::GetInteger(size_t column, int64_t& out) const {
  const Column& c = table_->columns[column];
  if (!IsInteger(c.kind)) RaiseInvalidArgument("column is not an integer");
  if (c.kind == ColumnKind::kBoolean) {
    out = MaskBit(c) ? 1 : 0;
    return true;
  }
  Value v = Get(column);
  if (auto* b = std::get_if<uint8_t>(&v)) { out = *b; return true; }
  if (auto* i = std::get_if<int16_t>(&v)) { out = *i; return true; }
  if (auto* l = std::get_if<int32_t>(&v)) { out = *l; return true; }
  return false;
}

bool Row::GetBytes(size_t column, Bytes& out) const {
  const Column& c = table_->columns[column];
  if (c.kind != ColumnKind::kBinary && c.kind != ColumnKind::kOle &&
      c.kind != ColumnKind::kUnknown) {
    RaiseInvalidArgument("column is not binary");
  }
  Value v = Get(column);
  if (auto* b = std::get_if<Bytes>(&v)) {
    out = std::move(*b);
    return true;
  }
  return false;
}

}  // namespace jet
