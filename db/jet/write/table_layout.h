// Laying out the columns of a new table: column numbers, the fixed area and
// the variable slots, as Access lays out a table it creates
// (jet4-format.md sections 4.4 and 14.3).
#ifndef DB_JET_WRITE_TABLE_LAYOUT_H_
#define DB_JET_WRITE_TABLE_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "db/jet/read/table_def.h"

namespace jet {

// A column of a table to be created.
struct ColumnSpec {
  std::u16string name;
  ColumnKind kind = ColumnKind::kText;
  uint16_t size = 0;         // TEXT: characters; BINARY: bytes; else unused
  bool compressed = true;    // TEXT and MEMO: compressed unicode allowed
  bool auto_number = false;  // LONG only
  uint8_t precision = 18;    // NUMERIC only
  uint8_t scale = 0;         // NUMERIC only
};

// A definition of table `name` holding `columns` in the order given and no
// indexes, its maps not yet placed: column numbers from 0; fixed columns
// packed in column order (Booleans at offset 0, in the null mask only);
// ordinary variable columns (TEXT, BINARY) take the first variable slots,
// MEMO and OLE the slots after them; text in the General order (1033).
// Raises kInvalidArgument "cannot create <table>: <why>" for no columns, a
// repeated or empty column name, a TEXT size outside 1..255, a BINARY size
// outside 1..510, an autonumber that is not LONG, or a kind this engine
// cannot write (kUnknown).
TableDef LayOutTable(const std::u16string& name, const std::vector<ColumnSpec>& columns);

}  // namespace jet

#endif  // DB_JET_WRITE_TABLE_LAYOUT_H_
