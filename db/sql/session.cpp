// Statement execution: parse, bind, pick the index or a scan, collect rows.
#include "db/sql/session.h"

#include <cmath>
#include <unordered_set>

#include "base/utf.h"
#include "db/jet/read/index_seek.h"

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

// `number` as a value of a column of `kind` whose index key matches every
// stored value equal to it, or nothing where that is not certain.
std::optional<jet::Value> ExactColumnValue(jet::ColumnKind kind, double number) {
  const bool integral = std::trunc(number) == number;
  switch (kind) {
    case jet::ColumnKind::kByte:
      if (integral && number >= 0 && number <= 255) {
        return jet::Value(static_cast<uint8_t>(number));
      }
      break;
    case jet::ColumnKind::kInteger:
      if (integral && number >= -32768 && number <= 32767) {
        return jet::Value(static_cast<int16_t>(number));
      }
      break;
    case jet::ColumnKind::kLong:
      if (integral && number >= -2147483648.0 && number <= 2147483647.0) {
        return jet::Value(static_cast<int32_t>(number));
      }
      break;
    case jet::ColumnKind::kDouble:
      // Zero has two keys (+0 and -0), both equal to it.
      if (number != 0) return jet::Value(number);
      break;
    default:
      break;
  }
  return std::nullopt;
}

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
  result.rows = RowList(result.table, &database_.pages());
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
    const std::vector<jet::RowLocation> candidates = Candidates(
        result.table, lookup.column, lookup.key, lookup.text, lookup.number);
    for (const jet::RowLocation& location : candidates) {
      std::optional<jet::Row> row = database_.ReadRow(result.table, location);
      if (row) keep(*row);
    }
    return result;
  }
  last_plan_ = "scan of " + base::Utf16ToUtf8(table.name);
  jet::RowCursor cursor = database_.Scan(result.table);
  while (cursor.Next()) keep(cursor.row());
  return result;
}

std::vector<jet::RowLocation> Session::Candidates(
    const std::shared_ptr<const jet::TableDef>& table, size_t column,
    uint64_t key, const std::u16string& text, double number) {
  const jet::Column& c = table->columns[column];
  const std::string where =
      base::Utf16ToUtf8(table->name) + "." + base::Utf16ToUtf8(c.name);
  std::vector<jet::RowLocation> rows;
  // A hash built already answers from memory; otherwise the file's own
  // index spares the scan that would build one.
  if (index_seeks_ && !indexes_.contains(IndexName(table->name, column))) {
    std::optional<jet::Value> value;
    if (ClassOf(c.kind) == ValueClass::kText) {
      value = jet::Value(text);
    } else {
      value = ExactColumnValue(c.kind, number);
    }
    if (value) {
      if (auto seek = jet::PlanIndexSeek(*table, column, *value)) {
        last_plan_ = "index seek " + base::Utf16ToUtf8(seek->index->name) + " on " + where;
        return jet::SeekRows(database_.pages(), *table, *seek);
      }
    }
  }
  last_plan_ = "equality hash on " + where;
  IndexFor(table, column).Candidates(key, rows);
  return rows;
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
