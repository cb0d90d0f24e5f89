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
struct CursorColumn;

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
  // Runs the statement text, opening the connection first if needed; the
  // first row becomes current. Does nothing while open. Raises
  // EOleException when the connection cannot open or the engine rejects the
  // statement, EDatabaseError "ADOQuery1: Missing SQL property" for an empty
  // text; the cursor then stays closed.
  void Open();
  // True while a result is open.
  bool Active() const;

  // The number of rows of the open result, fixed while it is walked. Raises
  // EDatabaseError "ADOQuery1: Cannot perform this operation on a closed
  // dataset" while closed.
  int RowCount() const;
  // True while closed, for an empty result, and after Next went past the
  // last row.
  bool AtEnd() const;
  // Posts a pending change (see Post), then makes the following row current;
  // past the last row the last stays current and AtEnd becomes true. Raises
  // the closed-dataset failure while closed.
  void Next();

  // The column's value on the current row as GBK text; empty for null or
  // an empty result (formats in db/field_format.h). Raises EDatabaseError
  // "ADOQuery1: Field '<column>' not found" when no column has that name
  // (without regard to case) and always while closed.
  std::string FieldText(std::string_view column) const;
  // The column's value as an integer: whole numbers as they are, text by
  // TextToInteger (EConvertError, also for null or no row), floating and
  // fixed point rounded halves to even (0 for null or no row). Other kinds
  // raise EDatabaseError "Cannot access field '<name>' as type Integer".
  int32_t FieldInteger(std::string_view column) const;

  // Begins editing the current row. Raises the closed-dataset failure and
  // "ADOQuery1: Cannot modify a read-only dataset"; does nothing while
  // editing.
  void Edit();
  // Records a new value (text cut to the column's declared size). Raises
  // "ADOQuery1: Dataset not in edit or insert mode" outside editing and
  // "Field '<name>' cannot be modified" for an autonumber column.
  void SetFieldText(std::string_view column, std::string_view value);
  // Writes the changed columns of the current row and returns to browsing;
  // does nothing outside editing. On failure stays editing and raises
  // EDatabaseError with the failure's message, unprefixed.
  void Post();

  // Groups the rows posted from now on into larger changes of the file:
  // each Post still writes its row through the engine at once (and later
  // statements see it), but the file receives the rows together, as one
  // journaled change, at FlushBatch or EndBatch. A crash meanwhile leaves
  // the rows of the unwritten group as they were. Does nothing while a
  // group is open or the connection is closed or read-only.
  void BeginBatch();
  // Writes the rows posted since the group began (or was last flushed) to
  // the file. Raises EDatabaseError with the engine's message when writing
  // fails; those rows then keep their old values.
  void FlushBatch();
  // FlushBatch, then posts singly again. Never raises when `quiet`; the
  // group is then dropped if it cannot be written.
  void EndBatch(bool quiet = false);

  // Called by TStrings on every change of the statement text.
  void StatementChanged();

  // The declared size of a text column of the open result, in characters;
  // 0 for other kinds. Raises as FieldText does for an unknown column.
  int FieldSize(std::string_view column) const;

  // Whether a change of the statement text is scanned for parameter
  // markers (on by default). The window's cursor runs statements that take
  // no parameters and turns it off, so that quoted values are sent as they
  // are. Takes effect at the next change of the text.
  void SetParamCheck(bool check) { param_check_ = check; }
  bool ParamCheck() const { return param_check_; }

  // The names of the open result's columns, in order; empty while closed.
  std::vector<std::string> FieldNames() const;

  // While the window description is being read, a change of the statement
  // text does not open the connection.
  void SetLoading(bool loading) { loading_ = loading; }
  // The text handed to the engine at Open, and the marker names found in
  // the statement text.
  const std::string& CommandText() const { return command_text_; }
  const std::vector<std::string>& Parameters() const { return parameters_; }

 private:
  // Opens the connection if needed and binds the cursor to it. Raises the
  // connection's failure.
  void BindConnection();
  // Raises "<name>: <message>" as EDatabaseError.
  [[noreturn]] void Fail(std::string_view message) const;
  // The open result or the closed-dataset failure.
  QueryResult& OpenResult() const;
  // The column `name` of the open result or the not-found failure.
  const CursorColumn& Column(std::string_view name) const;
  // Writes the pending change of the current row; the hook for the writer.
  void WriteChanges();

  TADOConnection& connection_;
  std::string name_;
  TStrings sql_;
  std::unique_ptr<QueryResult> result_;
  bool loading_ = false;
  bool bound_ = false;
  bool param_check_ = true;
  bool batch_ = false;
  std::string statement_text_;
  std::string command_text_;
  std::vector<std::string> parameters_;
};

}  // namespace db

#endif  // DB_QUERY_H_
