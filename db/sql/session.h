// Runs SELECT statements over an open database and keeps, per table and
// column, the equality indexes that spare later statements a full scan.
#ifndef DB_SQL_SESSION_H_
#define DB_SQL_SESSION_H_

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/jet/read/database.h"
#include "db/sql/equality_index.h"
#include "db/sql/row_list.h"

namespace sql {

struct ResultColumn {
  std::u16string name;  // as written in the column list, or the table's
  size_t column = 0;    // position in the table's columns
};

// The rows of a statement, in table order, each as the row stood when read.
struct ResultSet {
  std::shared_ptr<const jet::TableDef> table;
  std::vector<ResultColumn> columns;
  RowList rows;
};

class Session {
 public:
  // REQUIRES: `database` outlives the session.
  explicit Session(jet::Database& database);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  jet::Database& database() { return database_; }

  // Runs one statement under the file's shared lock (jet::ReadLock), so
  // that it reads one committed state, waiting for a writer's commit in
  // progress. First notices whether another process changed the file, and
  // if so forgets the indexes. A condition "column = constant" is answered
  // from the column's index, built by one scan on first use. Raises
  // sql::Error for statements that cannot run (syntax, a missing table or
  // column, a type mismatch, a "?" marker), jet::Error when the file cannot
  // be read (kBusy when a writer holds the lock past the busy timeout).
  ResultSet Execute(std::u16string_view statement);

  // Forgets the indexes of `table`, after this process changed its rows.
  void TableChanged(std::u16string_view table);

  // Number of indexes held, for tests.
  size_t IndexCount() const { return indexes_.size(); }

  // How the last statement found its rows: "index seek <index> on
  // <table>.<column>", "equality hash on <table>.<column>" or "scan of
  // <table>" (names in UTF-8).
  const std::string& LastPlan() const { return last_plan_; }
  // Whether statements may seek through the file's own indexes (on by
  // default); off, they take the equality hash or a scan.
  void SetIndexSeeks(bool enabled) { index_seeks_ = enabled; }

 private:
  const EqualityIndex& IndexFor(const std::shared_ptr<const jet::TableDef>& table,
                                size_t column);

  // The rows of `table` that a lookup may match, in table order, through a
  // file index where one answers it exactly, else the equality hash.
  std::vector<jet::RowLocation> Candidates(
      const std::shared_ptr<const jet::TableDef>& table, size_t column,
      uint64_t key, const std::u16string& text, double number);

  jet::Database& database_;
  bool index_seeks_ = true;
  std::string last_plan_;
  // Keyed by the case-folded table name, a NUL and the column position.
  std::unordered_map<std::u16string, std::unique_ptr<EqualityIndex>> indexes_;
};

}  // namespace sql

#endif  // DB_SQL_SESSION_H_
