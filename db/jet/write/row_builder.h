// Building the stored bytes of a row from an existing row and new values
// for some of its columns (jet4-format.md sections 7.3, 8 and 10).
#ifndef DB_JET_WRITE_ROW_BUILDER_H_
#define DB_JET_WRITE_ROW_BUILDER_H_

#include <cstdint>
#include <vector>

#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"
#include "db/jet/write/writer.h"

namespace jet {

// Checks that `value` may be stored in column `column` of `table`. Raises
// kInvalidArgument with the messages listed at Writer::UpdateRow. When
// `inserting`, MEMO (UTF-16 text) and OLE (bytes) values are accepted too.
void CheckColumnValue(const TableDef& table, size_t column, const Value& value,
                      bool inserting = false);

// Stored bytes of some columns given as such (column position, bytes): the
// long-value headers the writer placed.
using RawColumns = std::vector<std::pair<size_t, std::vector<uint8_t>>>;

// The row `old` with `changes` applied, laid out as new rows are: the
// table's current column and variable-column counts, unchanged columns
// copied byte for byte. REQUIRES: every change passed CheckColumnValue.
std::vector<uint8_t> BuildRow(const TableDef& table, const Row& old,
                              const ColumnChanges& changes, const RawColumns& raw = {});

// The bytes a MEMO (UTF-16LE text) or OLE value is stored as.
std::vector<uint8_t> LongValueBytes(const Value& value);

// The stored form of text for `column`: compressed (FF FE, one byte per
// character) when the column allows it and every character fits one byte,
// else UTF-16LE.
std::vector<uint8_t> EncodeText(const Column& column, const std::u16string& text);

}  // namespace jet

#endif  // DB_JET_WRITE_ROW_BUILDER_H_
