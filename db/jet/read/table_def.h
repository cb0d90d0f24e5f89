// A table's definition as read from its TDEF pages: the columns in column
// order, the indexes, and where its pages are listed.
#ifndef DB_JET_READ_TABLE_DEF_H_
#define DB_JET_READ_TABLE_DEF_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/jet/format/row_location.h"

namespace jet {

class PageCache;

// The kind of a column, from its type code.
enum class ColumnKind : uint8_t {
  kBoolean, kByte, kInteger, kLong, kCurrency, kSingle, kDouble, kDateTime,
  kBinary, kText, kOle, kMemo, kGuid, kNumeric,
  kUnknown,  // a type this engine does not interpret; read as bytes
};

// "BOOLEAN", "BYTE", "INT", "LONG", "MONEY", "FLOAT", "DOUBLE",
// "SHORT_DATE_TIME", "BINARY", "TEXT", "OLE", "MEMO", "GUID", "NUMERIC",
// "UNKNOWN".
const char* ColumnKindName(ColumnKind kind);

struct Column {
  std::u16string name;
  ColumnKind kind = ColumnKind::kUnknown;
  uint8_t type_code = 0;      // the stored data type
  uint16_t number = 0;        // column number: the null-mask bit
  uint16_t var_index = 0;     // slot in the var-offset table (variable only)
  uint16_t fixed_offset = 0;  // offset in the fixed area (fixed only)
  uint16_t length = 0;        // declared length in bytes (text: 2 x chars)
  uint8_t flags = 0;          // stored column flags
  uint8_t precision = 0;      // numeric only
  uint8_t scale = 0;          // numeric only
  uint16_t sort_order = 0;    // text and memo: collation LCID
  bool fixed = false;         // stored in the fixed area
  bool nullable = true;       // may hold null
  bool compressed = false;    // compressed unicode allowed
  bool auto_number = false;   // long or GUID autonumber

  // Declared size as shown to users: characters for text, bytes otherwise.
  uint32_t Size() const;
  bool IsLongValue() const {
    return kind == ColumnKind::kMemo || kind == ColumnKind::kOle;
  }
};

struct IndexColumn {
  uint16_t column_number = 0;
  bool ascending = true;
};

// A logical index and what its real index (the B-tree) says.
struct Index {
  std::u16string name;
  uint32_t number = 0;       // logical index number
  uint32_t real_index = 0;   // number of the B-tree behind it
  std::vector<IndexColumn> columns;
  uint32_t root_page = 0;
  RowPointer page_map;       // usage map of the index's pages
  bool primary_key = false;
  bool foreign_key = false;
  bool unique = false;
  bool ignore_nulls = false;
  bool required = false;
};

// Where a MEMO/OLE column's LVAL pages are listed.
struct LongValueMaps {
  uint16_t column_number = 0;
  RowPointer owned;
  RowPointer free;
};

struct TableDef {
  std::u16string name;
  uint32_t tdef_page = 0;
  uint32_t tdef_page_count = 0;   // length of the TDEF chain
  bool system = false;
  uint32_t row_count = 0;         // live rows as the TDEF counts them
  uint32_t last_autonumber = 0;
  uint16_t max_columns = 0;       // column numbers ever handed out
  uint16_t max_var_columns = 0;   // var slots ever handed out
  std::vector<Column> columns;    // sorted by column number
  std::vector<Index> indexes;     // by logical index number
  std::vector<LongValueMaps> long_value_maps;
  RowPointer owned_pages;         // usage map of the table's data pages
  RowPointer free_pages;          // usage map of pages with room

  // Position in `columns` of the column named `name` (compared without
  // regard to case), or nothing.
  std::optional<size_t> FindColumn(std::u16string_view name) const;
  // Like FindColumn; raises kNoSuchColumn when absent.
  size_t ColumnIndex(std::u16string_view name) const;
};

// Reads the definition whose first TDEF page is `tdef_page` and names it
// `name`. Raises kCorrupt for any inconsistency, naming the page.
TableDef ReadTableDef(PageCache& pages, uint32_t tdef_page,
                      std::u16string name);

// Compares two names the way Jet does for object names: without regard to
// case (ASCII and the Latin-1 letters).
bool NamesEqual(std::u16string_view a, std::u16string_view b);

}  // namespace jet

#endif  // DB_JET_READ_TABLE_DEF_H_
