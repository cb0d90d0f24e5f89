// The open result behind ADOQuery1: its columns with their cursor names and
// kinds, its rows, the current row and the end flag, and the change being
// edited.
#ifndef DB_QUERY_RESULT_H_
#define DB_QUERY_RESULT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_format.h"
#include "db/sql/session.h"

namespace db {

struct CursorColumn {
  std::string name;          // GBK, unique within the result
  FieldKind kind = FieldKind::kOther;
  size_t table_column = 0;   // position in the table's columns
  uint32_t size = 0;         // declared size: characters for text
  bool read_only = false;    // an autonumber column
};

// Names the result's columns: a column without a name becomes "COLUMN1",
// "COLUMN2", ... (the first that is free), and a name already taken gets
// "_1", "_2", ... appended. Names are compared as SameFieldName does.
std::vector<std::string> NameColumns(const std::vector<std::string>& names);

class QueryResult {
 public:
  explicit QueryResult(sql::ResultSet rows);

  const std::vector<CursorColumn>& columns() const { return columns_; }
  const sql::ResultSet& rows() const { return rows_; }
  size_t RowCount() const { return rows_.rows.size(); }

  // The first column named `name` (SameFieldName), or null.
  const CursorColumn* Find(std::string_view name) const;
  // The value of `column` on the current row; null when there is none.
  jet::Value Value(const CursorColumn& column) const;

  bool at_end() const { return at_end_; }
  // Moves to the next row, or sets the end flag on the last. The walk goes
  // forward only: the rows passed are forgotten, and with them the pages
  // that no row still ahead lies on.
  void Next();
  // The current row, if the result has one.
  const jet::Row* CurrentRow() const;
  size_t current() const { return current_; }
  // Puts `row` in place of the current row (after it was written), until
  // the walk moves on.
  void ReplaceCurrentRow(jet::Row row);

  // Editing: the new values of the columns changed since Edit, by column.
  bool editing = false;
  std::vector<std::optional<std::u16string>> changes;

 private:
  sql::ResultSet rows_;
  std::vector<CursorColumn> columns_;
  size_t current_ = 0;
  // Row current_, made from the list; the only row object the cursor keeps,
  // so that a row written and read back holds the new page only while it
  // is current.
  jet::Row row_;
  bool at_end_ = false;
};

}  // namespace db

#endif  // DB_QUERY_RESULT_H_
