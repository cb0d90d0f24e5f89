// Statement execution: parse, bind, pick the index or a scan, collect rows.
#include "db/sql/session.h"

#include <unordered_set>

#include "db/sql/column_value.h"
#include "db/sql/condition.h"
#include "db/sql/error.h"
#include "db/sql/parser.h"
#include "db/sql/text_compare.h"

namespace sql {
namespace {

std::u16string IndexName(std::u16string_view table, size_t column) {
  std::u16string key;
  key.reserve(table.size() + 3);
  for (char16_t c : table) key += FoldCase(c);
  key += u'\0';
  key += static_cast<char16_t>(column);
  return key;
}

std::vector<ResultColumn> ResolveColumns(const SelectStatement& statement,
                                         const jet::TableDef& table) {
  std::vector<ResultColumn> columns;
  if (statement.all_columns) {
    for (size_t i = 0; i < table.columns.size(); ++i) {
      columns.push_back({table.columns[i].name, i});
    }
    return columns;
  }
  for (const SelectItem& item : statement.items) {
    if (!item.qualifier.empty() && !jet::NamesEqual(item.qualifier, table.name)) {
      RaiseNoSuchColumn(item.qualifier + u"." + item.name);
    }
    auto found = table.FindColumn(item.name);
    if (!found) RaiseNoSuchColumn(item.name);
    columns.push_back({item.alias.empty() ? item.name : item.alias, *found});
  }
  return columns;
}

// Keeps the first row of each distinct combination of the selected values.
class DistinctFilter {
 public:
  DistinctFilter(const std::vector<ResultColumn>& columns, const jet::TableDef& table) {
    for (const ResultColumn& c : columns) {
      columns_.push_back({c.column, ClassOf(table.columns[c.column].kind)});
    }
  }
  bool FirstOccurrence(const jet::Row& row) {
    std::u16string key;
    for (const auto& [column, value_class] : columns_) {
      AppendValueKey(row, column, value_class, key);
    }
    return seen_.insert(std::move(key)).second;
  }

 private:
  std::vector<std::pair<size_t, ValueClass>> columns_;
  std::unordered_set<std::u16string> seen_;
};

}  // namespace

Session::Session(jet::Database& database) : database_(database) {}
Session::~Session() = default;

ResultSet Session::Execute(std::u16string_view text) {
  // One committed state for the whole statement, indexes included.
  jet::ReadLock lock(database_);
  if (lock.changed()) indexes_.clear();
  SelectStatement statement = Parse(text);
  ResultSet result;
  result.table = database_.FindTable(statement.table);
  if (!result.table) RaiseNoSuchTable(statement.table);
  const jet::TableDef& table = *result.table;
  result.columns = ResolveColumns(statement, table);
  std::unique_ptr<Condition> condition;
  if (statement.where) {
    condition = std::make_unique<Condition>(std::move(statement.where), table);
  }
  if (statement.parameter_count > 0) RaiseMissingParameter();

  std::unique_ptr<DistinctFilter> distinct;
  if (statement.distinct) distinct = std::make_unique<DistinctFilter>(result.columns, table);
  auto keep = [&](const jet::Row& row) {
    if (condition && !condition->Matches(row)) return;
    if (distinct && !distinct->FirstOccurrence(row)) return;
    result.rows.push_back(row);
  };

  if (condition && condition->IndexLookup()) {
    const Condition::Lookup& lookup = *condition->IndexLookup();
    std::vector<jet::RowLocation> candidates;
    IndexFor(result.table, lookup.column).Candidates(lookup.key, candidates);
    for (const jet::RowLocation& location : candidates) {
      std::optional<jet::Row> row = database_.ReadRow(result.table, location);
      if (row) keep(*row);
    }
    return result;
  }
  jet::RowCursor cursor = database_.Scan(result.table);
  while (cursor.Next()) keep(cursor.row());
  return result;
}

void Session::TableChanged(std::u16string_view table) {
  std::u16string prefix = IndexName(table, 0);
  prefix.pop_back();
  std::erase_if(indexes_, [&](const auto& entry) {
    return entry.first.compare(0, prefix.size(), prefix) == 0;
  });
}

const EqualityIndex& Session::IndexFor(
    const std::shared_ptr<const jet::TableDef>& table, size_t column) {
  std::u16string name = IndexName(table->name, column);
  auto found = indexes_.find(name);
  if (found != indexes_.end()) return *found->second;
  auto index = EqualityIndex::Build(database_, table, column);
  return *indexes_.emplace(std::move(name), std::move(index)).first->second;
}

}  // namespace sql
