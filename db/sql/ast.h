// The parsed form of a SELECT statement: the column list, the table and the
// condition as a tree.
#ifndef DB_SQL_AST_H_
#define DB_SQL_AST_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace sql {

enum class ExprKind {
  kColumn,     // a column of the table: `name`, `qualifier`
  kText,       // a text literal: `text`
  kNumber,     // a numeric literal: `number`
  kNull,       // NULL
  kParameter,  // a "?" marker
  kNegate,     // unary minus of `left`
  kCompare,    // `left` `op` `right`
  kAnd,        // `left` AND `right`
  kOr,         // `left` OR `right`
  kNot,        // NOT `left`
  kIsNull,     // `left` IS NULL (IS NOT NULL when `negated`)
  kLike,       // `left` LIKE `right` (NOT LIKE when `negated`)
};

enum class CompareOp { kEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual };

struct Expr {
  ExprKind kind = ExprKind::kNull;
  CompareOp op = CompareOp::kEqual;
  bool negated = false;
  std::u16string name;       // kColumn
  std::u16string qualifier;  // kColumn: the table name before ".", if any
  size_t column = 0;         // kColumn: position in the table, once bound
  std::u16string text;       // kText
  double number = 0;         // kNumber
  size_t depth = 1;          // levels of the tree below and including this node
  std::unique_ptr<Expr> left;
  std::unique_ptr<Expr> right;
};

// One item of the column list.
struct SelectItem {
  std::u16string name;
  std::u16string qualifier;
  std::u16string alias;  // empty when none was given
};

struct SelectStatement {
  bool distinct = false;
  bool all_columns = false;       // "*"
  std::vector<SelectItem> items;  // when not all_columns
  std::u16string table;
  std::unique_ptr<Expr> where;    // null when there is no condition
  std::u16string where_text;      // the condition as written
  size_t parameter_count = 0;     // "?" markers in the statement
};

}  // namespace sql

#endif  // DB_SQL_AST_H_
