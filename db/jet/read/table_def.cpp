// Reading a table definition from its TDEF pages (jet4-format.md section 4).
#include "db/jet/read/table_def.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/file/page_cache.h"

namespace jet {
namespace {

// The logical TDEF buffer: the first page whole, then each continuation page
// from its data offset on.
std::vector<uint8_t> AssembleTdef(PageCache& pages, uint32_t tdef_page,
                                  uint32_t& page_count) {
  std::vector<uint8_t> buffer;
  std::unordered_set<uint32_t> seen;
  uint32_t number = tdef_page;
  page_count = 0;
  while (true) {
    if (!seen.insert(number).second) {
      RaiseCorrupt(tdef_page, "table definition pages form a loop at page " +
                                  std::to_string(number));
    }
    if (seen.size() > format::kMaxTdefPages) {
      RaiseCorrupt(tdef_page, "table definition spans too many pages");
    }
    PageRef page = pages.GetTyped(number, format::kPageTdef,
                                  "a table definition page");
    size_t from = buffer.empty() ? 0 : format::kTdefContinuationData;
    buffer.insert(buffer.end(), page->bytes.begin() + from, page->bytes.end());
    ++page_count;
    number = LoadU32(&page->bytes[format::kTdefNextPageOffset]);
    if (number == 0) break;
  }
  return buffer;
}

ColumnKind KindOf(uint8_t type) {
  switch (type) {
    case format::kTypeBoolean: return ColumnKind::kBoolean;
    case format::kTypeByte: return ColumnKind::kByte;
    case format::kTypeInteger: return ColumnKind::kInteger;
    case format::kTypeLong: return ColumnKind::kLong;
    case format::kTypeCurrency: return ColumnKind::kCurrency;
    case format::kTypeSingle: return ColumnKind::kSingle;
    case format::kTypeDouble: return ColumnKind::kDouble;
    case format::kTypeDateTime: return ColumnKind::kDateTime;
    case format::kTypeBinary: return ColumnKind::kBinary;
    case format::kTypeText: return ColumnKind::kText;
    case format::kTypeOle: return ColumnKind::kOle;
    case format::kTypeMemo: return ColumnKind::kMemo;
    case format::kTypeGuid: return ColumnKind::kGuid;
    case format::kTypeNumeric: return ColumnKind::kNumeric;
    default: return ColumnKind::kUnknown;
  }
}

Column ReadColumn(const ByteReader& d) {
  Column c;
  c.type_code = d.U8(format::kColumnTypeOffset);
  c.kind = KindOf(c.type_code);
  c.number = d.U16(format::kColumnNumberOffset);
  c.var_index = d.U16(format::kColumnVarIndexOffset);
  c.flags = d.U8(format::kColumnFlagsOffset);
  c.fixed = (c.flags & format::kColumnFlagFixed) != 0;
  c.fixed_offset = c.fixed ? d.U16(format::kColumnFixedOffsetOffset) : 0;
  c.length = d.U16(format::kColumnLengthOffset);
  c.nullable = (c.flags & format::kColumnFlagNullable) != 0;
  c.auto_number = (c.flags & (format::kColumnFlagAutoLong |
                              format::kColumnFlagAutoGuid)) != 0;
  c.compressed =
      (d.U8(format::kColumnExtraFlagsOffset) & format::kColumnExtraCompressed) != 0;
  if (c.kind == ColumnKind::kNumeric) {
    c.precision = d.U8(format::kColumnPrecisionOffset);
    c.scale = d.U8(format::kColumnScaleOffset);
  } else if (c.kind == ColumnKind::kText || c.kind == ColumnKind::kMemo) {
    c.sort_order = d.U16(format::kColumnSortOrderOffset);
  }
  return c;
}

// A u16-length-prefixed UCS-2 name at `offset`, which moves past it.
std::u16string ReadName(const ByteReader& r, size_t& offset) {
  uint16_t length = r.U16(offset);
  std::span<const uint8_t> bytes = r.Bytes(offset + 2, length);
  offset += 2 + size_t{length};
  std::u16string name(length / 2, u'\0');
  for (size_t i = 0; i < name.size(); ++i) {
    name[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return name;
}

// Checks that `count` items of `size` bytes can fit the rest of the buffer,
// so that no count from the file makes an oversized allocation.
void CheckCount(const ByteReader& r, size_t offset, uint64_t count, size_t size,
                const char* what) {
  if (offset > r.size() || count * size > r.size() - offset) {
    r.Fail((std::string("impossible number of ") + what + ": " +
            std::to_string(count)).c_str());
  }
}

}  // namespace

TableDef ReadTableDef(PageCache& pages, uint32_t tdef_page, std::u16string name) {
  TableDef t;
  t.name = std::move(name);
  t.tdef_page = tdef_page;
  std::vector<uint8_t> buffer = AssembleTdef(pages, tdef_page, t.tdef_page_count);
  ByteReader r(buffer, tdef_page, "table definition");
  uint32_t length = r.U32(format::kTdefLengthOffset);
  if (length < format::kTdefHeaderSize || length > buffer.size()) {
    r.Fail(("table definition length " + std::to_string(length) +
            " does not fit its pages").c_str());
  }
  r = ByteReader(std::span<const uint8_t>(buffer.data(), length), tdef_page,
                 "table definition");
  t.row_count = r.U32(format::kTdefRowCountOffset);
  t.last_autonumber = r.U32(format::kTdefAutonumberOffset);
  t.system = r.U8(format::kTdefTableTypeOffset) == format::kTableTypeSystem;
  t.max_columns = r.U16(format::kTdefMaxColumnsOffset);
  t.max_var_columns = r.U16(format::kTdefMaxVarColumnsOffset);
  uint16_t column_count = r.U16(format::kTdefColumnCountOffset);
  uint32_t logical_count = r.U32(format::kTdefLogicalIndexCountOffset);
  uint32_t real_count = r.U32(format::kTdefRealIndexCountOffset);
  t.owned_pages = RowPointer{r.U32(format::kTdefOwnedMapOffset)};
  t.free_pages = RowPointer{r.U32(format::kTdefFreeMapOffset)};

  size_t offset = format::kTdefHeaderSize;
  CheckCount(r, offset, real_count, format::kRealIndexCounterSize, "indexes");
  offset += real_count * format::kRealIndexCounterSize;
  CheckCount(r, offset, column_count, format::kColumnSize, "columns");
  t.columns.reserve(column_count);
  for (uint16_t i = 0; i < column_count; ++i) {
    t.columns.push_back(
        ReadColumn(r.Sub(offset, format::kColumnSize, "column descriptor")));
    offset += format::kColumnSize;
  }
  for (Column& c : t.columns) c.name = ReadName(r, offset);

  CheckCount(r, offset, real_count, format::kRealIndexSize, "indexes");
  size_t real_offset = offset;
  offset += real_count * format::kRealIndexSize;
  CheckCount(r, offset, logical_count, format::kLogicalIndexSize, "indexes");
  t.indexes.reserve(logical_count);
  for (uint32_t i = 0; i < logical_count; ++i) {
    ByteReader li = r.Sub(offset, format::kLogicalIndexSize, "index block");
    offset += format::kLogicalIndexSize;
    Index index;
    index.number = li.U32(format::kLogicalIndexNumberOffset);
    index.real_index = li.U32(format::kLogicalIndexRealOffset);
    uint8_t type = li.U8(format::kLogicalIndexTypeOffset);
    index.primary_key = type == format::kIndexTypePrimaryKey;
    index.foreign_key = type == format::kIndexTypeForeignKey;
    if (index.real_index >= real_count) {
      r.Fail(("index refers to missing B-tree " +
              std::to_string(index.real_index)).c_str());
    }
    ByteReader ri = r.Sub(real_offset + index.real_index * format::kRealIndexSize,
                          format::kRealIndexSize, "index block");
    for (size_t k = 0; k < format::kRealIndexMaxColumns; ++k) {
      size_t at = format::kRealIndexColumnsOffset +
                  k * format::kRealIndexColumnEntrySize;
      uint16_t number = ri.U16(at);
      if (number == format::kRealIndexUnusedColumn) continue;
      index.columns.push_back(
          {number, (ri.U8(at + 2) & format::kRealIndexAscending) != 0});
    }
    index.page_map = RowPointer{ri.U32(format::kRealIndexMapOffset)};
    index.root_page = ri.U32(format::kRealIndexRootOffset);
    uint8_t flags = ri.U8(format::kRealIndexFlagsOffset);
    index.unique = (flags & format::kIndexFlagUnique) != 0;
    index.ignore_nulls = (flags & format::kIndexFlagIgnoreNulls) != 0;
    index.required = (flags & format::kIndexFlagRequired) != 0;
    t.indexes.push_back(std::move(index));
  }
  for (Index& index : t.indexes) index.name = ReadName(r, offset);

  // Long-value column maps run to an end marker or the end of the buffer.
  while (offset + 2 <= r.size()) {
    uint16_t number = r.U16(offset);
    if (number == format::kColumnMapEnd) break;
    ByteReader m = r.Sub(offset, format::kColumnMapEntrySize, "column map");
    t.long_value_maps.push_back(
        {number, RowPointer{m.U32(2)}, RowPointer{m.U32(6)}});
    offset += format::kColumnMapEntrySize;
  }

  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const Column& a, const Column& b) {
                     return a.number < b.number;
                   });
  // A column number is the column's identity (its null-mask bit, the
  // columns of an index): two columns with one number are a damaged TDEF.
  for (size_t i = 1; i < t.columns.size(); ++i) {
    if (t.columns[i].number == t.columns[i - 1].number) {
      r.Fail(("column number " + std::to_string(t.columns[i].number) + " used twice").c_str());
    }
  }
  std::stable_sort(t.indexes.begin(), t.indexes.end(),
                   [](const Index& a, const Index& b) {
                     return a.number < b.number;
                   });
  return t;
}

}  // namespace jet
