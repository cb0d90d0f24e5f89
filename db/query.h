// ADOQuery1: the one query cursor every command drives. Close, replace the
// statement text, Open, count and walk the rows, read and change columns.
#ifndef DB_QUERY_H_
#define DB_QUERY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace db {

class TADOQuery;

// The statement text: a list of GBK lines. Every change notifies the cursor.
class TStrings {
 public:
  explicit TStrings(TADOQuery& owner) : owner_(owner) {}
  // Empties the list (no change when already empty).
  void Clear();
  // Appends one line.
  void Add(std::string_view line);
  // All lines, each followed by CR LF.
  std::string Text() const;
  size_t Count() const { return lines_.size(); }

 private:
  TADOQuery& owner_;
  std::vector<std::string> lines_;
};

class QueryResult;  // the open result behind the cursor

class TADOQuery {
 public:
  TADOQuery(TADOConnection& connection, std::string name = "ADOQuery1");
  ~TADOQuery();
  TADOQuery(const TADOQuery&) = delete;
  TADOQuery& operator=(const TADOQuery&) = delete;

  const std::string& Name() const { return name_; }
  TStrings& SQL() { return sql_; }

  // Discards the result (and any unposted change); never raises.
  void Close();
  // Runs the statement text. Raises EDatabaseError (prefixed) for an empty
  // text or a statement without a result set, EOleException for the
  // engine's errors; the cursor then stays closed.
  void Open();
  bool Active() const;

  // Raise EDatabaseError "ADOQuery1: Cannot perform this operation on a
  // closed dataset" while closed (RowCount, Next, Edit).
  int RowCount() const;
  bool AtEnd() const;
  void Next();

  // Column values of the current row; see the contract in query.cpp.
  std::string FieldText(std::string_view column) const;
  int32_t FieldInteger(std::string_view column) const;

  void Edit();
  void SetFieldText(std::string_view column, std::string_view value);
  void Post();

  // Called by TStrings on every change of the statement text.
  void StatementChanged();

 private:
  TADOConnection& connection_;
  std::string name_;
  TStrings sql_;
  std::unique_ptr<QueryResult> result_;
};

}  // namespace db

#endif  // DB_QUERY_H_
