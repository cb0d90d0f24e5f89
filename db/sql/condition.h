// A WHERE condition bound to its table: column names resolved, kinds of the
// compared values checked, ready to be tested against rows.
#ifndef DB_SQL_CONDITION_H_
#define DB_SQL_CONDITION_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"
#include "db/sql/ast.h"

namespace sql {

class Condition {
 public:
  // Binds `expr` to `table`. Raises sql::Error kNoSuchColumn for a column
  // the table lacks (or a qualifier that is not the table's name), and
  // kTypeMismatch when text is compared with a number, a binary value is
  // compared at all, or text stands where a truth value is needed.
  Condition(std::unique_ptr<Expr> expr, const jet::TableDef& table);

  // True when the row satisfies the condition; a comparison with null is
  // neither true nor false, and only true rows match.
  bool Matches(const jet::Row& row) const;

  // A term "column = constant" that every matching row satisfies, for
  // looking the rows up in an equality index.
  struct Lookup {
    size_t column;  // position in the table
    uint64_t key;   // EqualityIndex key of the constant
    std::u16string text;  // the constant, when the column holds text
    double number = 0;    // the constant, when it holds numbers
  };
  const std::optional<Lookup>& IndexLookup() const { return lookup_; }

 private:
  std::unique_ptr<Expr> expr_;
  std::optional<Lookup> lookup_;
};

}  // namespace sql

#endif  // DB_SQL_CONDITION_H_
