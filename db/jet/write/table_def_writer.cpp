// TDEF encoding (jet4-format.md sections 2.2 and 4).
#include "db/jet/write/table_def_writer.h"

#include <algorithm>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {
namespace {

uint8_t TypeCode(const Column& c) {
  switch (c.kind) {
    case ColumnKind::kBoolean: return format::kTypeBoolean;
    case ColumnKind::kByte: return format::kTypeByte;
    case ColumnKind::kInteger: return format::kTypeInteger;
    case ColumnKind::kLong: return format::kTypeLong;
    case ColumnKind::kCurrency: return format::kTypeCurrency;
    case ColumnKind::kSingle: return format::kTypeSingle;
    case ColumnKind::kDouble: return format::kTypeDouble;
    case ColumnKind::kDateTime: return format::kTypeDateTime;
    case ColumnKind::kBinary: return format::kTypeBinary;
    case ColumnKind::kText: return format::kTypeText;
    case ColumnKind::kOle: return format::kTypeOle;
    case ColumnKind::kMemo: return format::kTypeMemo;
    case ColumnKind::kGuid: return format::kTypeGuid;
    case ColumnKind::kNumeric: return format::kTypeNumeric;
    default: return c.type_code;
  }
}

// Appends `n` zero bytes and returns a pointer to them.
uint8_t* Grow(std::vector<uint8_t>& out, size_t n) {
  out.resize(out.size() + n, 0);
  return out.data() + out.size() - n;
}

void AppendName(std::vector<uint8_t>& out, const std::u16string& name) {
  uint8_t* p = Grow(out, 2 + 2 * name.size());
  StoreU16(p, static_cast<uint16_t>(2 * name.size()));
  for (size_t i = 0; i < name.size(); ++i) StoreU16(p + 2 + 2 * i, name[i]);
}

// Section 4.4.
void AppendColumn(std::vector<uint8_t>& out, const Column& c) {
  uint8_t* d = Grow(out, format::kColumnSize);
  d[format::kColumnTypeOffset] = TypeCode(c);
  StoreU32(d + format::kColumnMagicOffset, format::kTdefMagic);
  StoreU16(d + format::kColumnNumberOffset, c.number);
  StoreU16(d + format::kColumnVarIndexOffset, c.var_index);
  StoreU16(d + format::kColumnNumberCopyOffset, c.number);
  if (c.kind == ColumnKind::kNumeric) {
    d[format::kColumnPrecisionOffset] = c.precision;
    d[format::kColumnScaleOffset] = c.scale;
  } else {
    StoreU16(d + format::kColumnSortOrderOffset, c.sort_order);
  }
  d[format::kColumnFlagsOffset] = c.flags;
  if (c.compressed) d[format::kColumnExtraFlagsOffset] = format::kColumnExtraCompressed;
  if (c.fixed) StoreU16(d + format::kColumnFixedOffsetOffset, c.fixed_offset);
  StoreU16(d + format::kColumnLengthOffset, c.length);
}

// Section 4.5.
void AppendRealIndex(std::vector<uint8_t>& out, const Index& index) {
  uint8_t* r = Grow(out, format::kRealIndexSize);
  StoreU32(r, format::kRealIndexMagic);
  for (size_t k = 0; k < format::kRealIndexMaxColumns; ++k) {
    uint8_t* at = r + format::kRealIndexColumnsOffset + k * format::kRealIndexColumnEntrySize;
    if (k < index.columns.size()) {
      StoreU16(at, index.columns[k].column_number);
      at[2] = index.columns[k].ascending ? format::kRealIndexAscending : 0;
    } else {
      StoreU16(at, format::kRealIndexUnusedColumn);
    }
  }
  StoreU32(r + format::kRealIndexMapOffset, index.page_map.raw);
  StoreU32(r + format::kRealIndexRootOffset, index.root_page);
  uint8_t flags = format::kIndexFlagAccess2000;
  if (index.unique) flags |= format::kIndexFlagUnique;
  if (index.ignore_nulls) flags |= format::kIndexFlagIgnoreNulls;
  if (index.required) flags |= format::kIndexFlagRequired;
  r[format::kRealIndexFlagsOffset] = flags;
}

// Section 4.6.
void AppendLogicalIndex(std::vector<uint8_t>& out, const Index& index) {
  uint8_t* l = Grow(out, format::kLogicalIndexSize);
  StoreU32(l, format::kTdefMagic);
  StoreU32(l + format::kLogicalIndexNumberOffset, index.number);
  StoreU32(l + format::kLogicalIndexRealOffset, index.real_index);
  StoreU32(l + format::kLogicalIndexRelatedOffset, 0xFFFFFFFFu);
  l[format::kLogicalIndexTypeOffset] =
      index.primary_key ? format::kIndexTypePrimaryKey
                        : index.foreign_key ? format::kIndexTypeForeignKey : 0;
}

}  // namespace

std::vector<uint8_t> EncodeTableDef(const TableDef& table) {
  std::vector<const Index*> real;  // by real index number
  for (const Index& index : table.indexes) {
    if (index.real_index >= real.size()) real.resize(index.real_index + 1, nullptr);
    if (!real[index.real_index]) real[index.real_index] = &index;
  }
  std::vector<uint8_t> out(format::kTdefHeaderSize, 0);
  StoreU32(&out[format::kTdefMagicOffset], format::kTdefMagic);
  StoreU32(&out[format::kTdefRowCountOffset], table.row_count);
  StoreU32(&out[format::kTdefAutonumberOffset], table.last_autonumber);
  out[format::kTdefAutonumberOnOffset] = 1;
  out[format::kTdefTableTypeOffset] =
      table.system ? format::kTableTypeSystem : format::kTableTypeUser;
  StoreU16(&out[format::kTdefMaxColumnsOffset], table.max_columns);
  StoreU16(&out[format::kTdefMaxVarColumnsOffset], table.max_var_columns);
  StoreU16(&out[format::kTdefColumnCountOffset],
           static_cast<uint16_t>(table.columns.size()));
  StoreU32(&out[format::kTdefLogicalIndexCountOffset],
           static_cast<uint32_t>(table.indexes.size()));
  StoreU32(&out[format::kTdefRealIndexCountOffset], static_cast<uint32_t>(real.size()));
  StoreU32(&out[format::kTdefOwnedMapOffset], table.owned_pages.raw);
  StoreU32(&out[format::kTdefFreeMapOffset], table.free_pages.raw);

  Grow(out, real.size() * format::kRealIndexCounterSize);
  for (const Column& c : table.columns) AppendColumn(out, c);
  for (const Column& c : table.columns) AppendName(out, c.name);
  for (const Index* index : real) AppendRealIndex(out, index ? *index : Index{});
  for (const Index& index : table.indexes) AppendLogicalIndex(out, index);
  for (const Index& index : table.indexes) AppendName(out, index.name);
  for (const LongValueMaps& maps : table.long_value_maps) {
    uint8_t* m = Grow(out, format::kColumnMapEntrySize);
    StoreU16(m, maps.column_number);
    StoreU32(m + 2, maps.owned.raw);
    StoreU32(m + 6, maps.free.raw);
  }
  StoreU16(Grow(out, 2), format::kColumnMapEnd);
  StoreU32(&out[format::kTdefLengthOffset], static_cast<uint32_t>(out.size()));
  return out;
}

Page TableDefPage(const TableDef& table, uint32_t number) {
  std::vector<uint8_t> buffer = EncodeTableDef(table);
  // Section 4.1: the free-space field leaves 8 bytes besides the TDEF.
  if (buffer.size() + format::kTdefContinuationData > format::kPageSize) {
    RaiseInvalidArgument("table definition of " + NameForMessage(table.name) +
                         " does not fit one page");
  }
  Page page;
  page.number = number;
  std::copy(buffer.begin(), buffer.end(), page.bytes.begin());
  page.bytes[format::kPageTypeOffset] = format::kPageTdef;
  page.bytes[format::kPageTypeOffset + 1] = format::kPageMarker;
  StoreU16(&page.bytes[format::kDataFreeSpaceOffset],
           static_cast<uint16_t>(format::kPageSize - buffer.size() -
                                 format::kTdefContinuationData));
  return page;
}

size_t TableDefPageCount(const TableDef& table) {
  size_t length = EncodeTableDef(table).size();
  if (length + format::kTdefContinuationData <= format::kPageSize) return 1;
  size_t per_page = format::kPageSize - format::kTdefContinuationData;
  return 1 + (length - format::kPageSize + per_page - 1) / per_page;
}

std::vector<Page> TableDefPages(const TableDef& table, const std::vector<uint32_t>& numbers) {
  if (numbers.size() == 1) return {TableDefPage(table, numbers[0])};
  std::vector<uint8_t> buffer = EncodeTableDef(table);
  std::vector<Page> pages(numbers.size());
  size_t taken = 0;
  for (size_t k = 0; k < numbers.size(); ++k) {
    Page& page = pages[k];
    page.number = numbers[k];
    // Section 4.1: the first page is the buffer's start, header and all;
    // each further page carries on after its own 8-byte header.
    size_t start = k == 0 ? 0 : format::kTdefContinuationData;
    size_t n = std::min(buffer.size() - taken, format::kPageSize - start);
    std::copy_n(buffer.begin() + static_cast<ptrdiff_t>(taken), n, page.bytes.begin() + static_cast<ptrdiff_t>(start));
    taken += n;
    page.bytes[format::kPageTypeOffset] = format::kPageTdef;
    page.bytes[format::kPageTypeOffset + 1] = format::kPageMarker;
    size_t used = start + n + format::kTdefContinuationData;
    StoreU16(&page.bytes[format::kDataFreeSpaceOffset],
             static_cast<uint16_t>(used >= format::kPageSize ? 0 : format::kPageSize - used));
    StoreU32(&page.bytes[format::kTdefNextPageOffset], k + 1 < numbers.size() ? numbers[k + 1] : 0);
  }
  if (taken != buffer.size()) {
    RaiseInvalidArgument("table definition of " + NameForMessage(table.name) + " needs " +
                         std::to_string(TableDefPageCount(table)) + " pages");
  }
  return pages;
}

}  // namespace jet
