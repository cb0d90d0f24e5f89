// Building the stored bytes of a row from an existing row and new values
// for some of its columns (jet4-format.md sections 7.3, 8 and 10).
#ifndef DB_JET_ROW_BUILDER_H_
#define DB_JET_ROW_BUILDER_H_

#include <cstdint>
#include <vector>

#include "db/jet/row.h"
#include "db/jet/table_def.h"
#include "db/jet/writer.h"

namespace jet {

// Checks that `value` may be stored in column `column` of `table`. Raises
// kInvalidArgument with the messages listed at Writer::UpdateRow.
void CheckColumnValue(const TableDef& table, size_t column, const Value& value);

// The row `old` with `changes` applied, laid out as new rows are: the
// table's current column and variable-column counts, unchanged columns
// copied byte for byte. REQUIRES: every change passed CheckColumnValue.
std::vector<uint8_t> BuildRow(const TableDef& table, const Row& old,
                              const ColumnChanges& changes);

// The stored form of text for `column`: compressed (FF FE, one byte per
// character) when the column allows it and every character fits one byte,
// else UTF-16LE.
std::vector<uint8_t> EncodeText(const Column& column, const std::u16string& text);

}  // namespace jet

#endif  // DB_JET_ROW_BUILDER_H_
