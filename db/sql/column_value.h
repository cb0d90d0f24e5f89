// How statements see a column's values: as text, as a number, or as neither;
// and the keys that equality lookups and DISTINCT compare.
#ifndef DB_SQL_COLUMN_VALUE_H_
#define DB_SQL_COLUMN_VALUE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace sql {

// The class of a column's kind in comparisons.
enum class ValueClass {
  kText,    // text and memo: compared without regard to case
  kNumber,  // yes/no (-1, 0), whole numbers, floating and fixed point, dates
  kOther,   // binary, OLE, GUID: not comparable
};

ValueClass ClassOf(jet::ColumnKind kind);

// The number a non-null value of class kNumber stands for.
double NumberOf(const jet::Value& value);

// Reads the column's value as a number. False when it is null.
// REQUIRES: the column's class is kNumber.
bool ReadNumber(const jet::Row& row, size_t column, double& out);

// Appends the comparison key of the number `value`: equal numbers give
// equal keys (0 and -0 alike).
void AppendNumberKey(double value, std::u16string& key);

// Appends the comparison key of the row's column: the case-folded text, the
// number key, or the raw bytes, after a unit telling which (or null). Keys of
// values that compare equal are equal.
void AppendValueKey(const jet::Row& row, size_t column, ValueClass value_class,
                    std::u16string& key);

// A hash of a key's units.
uint64_t KeyHash(std::u16string_view key);

}  // namespace sql

#endif  // DB_SQL_COLUMN_VALUE_H_
