// Values the import and the merge write into the attribution tables, whose
// columns may have been declared text or number by whoever made the file.
#ifndef ATTRIBUTION_TABLE_VALUES_H_
#define ATTRIBUTION_TABLE_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace attribution {

// Position of column `name` in `table`. Raises jet::Error kInvalidArgument
// "table <table> has no column <name>".
size_t ColumnOf(const jet::TableDef& table, std::u16string_view name);

// `text` as a value of column `c` of `table`: itself in a text column, a
// whole number in a number column (null for empty text). Raises jet::Error
// kInvalidArgument "<table>.<column> (<KIND>) cannot hold '<text>'" for
// text that is no whole number, or one out of the column's range, in a
// number column, and for a column of another kind.
jet::Value ValueFor(const jet::TableDef& table, size_t c, std::u16string_view text);

// `n` as a value of column `c`: itself in a LONG column, else as its
// decimal text would be (ValueFor above).
jet::Value ValueFor(const jet::TableDef& table, size_t c, int32_t n);

}  // namespace attribution

#endif  // ATTRIBUTION_TABLE_VALUES_H_
