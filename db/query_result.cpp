// The cursor's view of a result set.
#include "db/query_result.h"

#include <utility>

#include "base/gbk.h"

namespace db {
namespace {

bool Taken(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& n : names) {
    if (SameFieldName(n, name)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> NameColumns(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& name : names) {
    std::string unique = name;
    for (int counter = 1; unique.empty() || Taken(out, unique); ++counter) {
      unique = name.empty() ? "COLUMN" + std::to_string(counter)
                            : name + "_" + std::to_string(counter);
    }
    out.push_back(std::move(unique));
  }
  return out;
}

QueryResult::QueryResult(sql::ResultSet rows) : rows_(std::move(rows)) {
  std::vector<std::string> names;
  for (const sql::ResultColumn& c : rows_.columns) names.push_back(base::Utf16ToGbk(c.name));
  names = NameColumns(names);
  for (size_t i = 0; i < names.size(); ++i) {
    const jet::Column& column = rows_.table->columns[rows_.columns[i].column];
    columns_.push_back({std::move(names[i]), FieldKindOf(column.kind),
                        rows_.columns[i].column, column.Size(), column.auto_number});
  }
  changes.resize(columns_.size());
  at_end_ = rows_.rows.empty();
  if (!at_end_) row_ = rows_.rows[0];
}

const CursorColumn* QueryResult::Find(std::string_view name) const {
  for (const CursorColumn& column : columns_) {
    if (SameFieldName(column.name, name)) return &column;
  }
  return nullptr;
}

jet::Value QueryResult::Value(const CursorColumn& column) const {
  const jet::Row* row = CurrentRow();
  if (!row) return {};
  return row->Get(column.table_column);
}

void QueryResult::Next() {
  if (at_end_) return;
  if (current_ + 1 < rows_.rows.size()) {
    ++current_;
    row_ = rows_.rows[current_];
    rows_.rows.ForgetBefore(current_);
  } else {
    at_end_ = true;
  }
}

const jet::Row* QueryResult::CurrentRow() const {
  return rows_.rows.empty() ? nullptr : &row_;
}

void QueryResult::ReplaceCurrentRow(jet::Row row) { row_ = std::move(row); }

}  // namespace db
