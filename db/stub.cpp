// Placeholder bodies of the connection and the query cursor until the
// statement layer lands: every database use fails with a clear error.
#include "base/exceptions.h"
#include "db/connection.h"
#include "db/query.h"

namespace db {

class ConnectionState {};
class QueryResult {};

TADOConnection::TADOConnection(std::string name) : name_(std::move(name)) {}
TADOConnection::~TADOConnection() = default;
void TADOConnection::Open() { base::RaiseOleError("Database engine not built yet"); }
bool TADOConnection::Connected() const { return false; }
void TADOConnection::Close() {}

void TStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  owner_.StatementChanged();
}
void TStrings::Add(std::string_view line) {
  lines_.emplace_back(line);
  owner_.StatementChanged();
}
std::string TStrings::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

TADOQuery::TADOQuery(TADOConnection& connection, std::string name)
    : connection_(connection), name_(std::move(name)), sql_(*this) {}
TADOQuery::~TADOQuery() = default;
void TADOQuery::Close() {}
void TADOQuery::Open() { connection_.Open(); }
bool TADOQuery::Active() const { return false; }
int TADOQuery::RowCount() const {
  base::RaiseComponentError(name_, "Cannot perform this operation on a closed dataset");
}
bool TADOQuery::AtEnd() const { return true; }
void TADOQuery::Next() {
  base::RaiseComponentError(name_, "Cannot perform this operation on a closed dataset");
}
std::string TADOQuery::FieldText(std::string_view column) const {
  base::RaiseComponentError(name_, "Field '" + std::string(column) + "' not found");
}
int32_t TADOQuery::FieldInteger(std::string_view column) const {
  base::RaiseComponentError(name_, "Field '" + std::string(column) + "' not found");
}
void TADOQuery::Edit() {
  base::RaiseComponentError(name_, "Cannot perform this operation on a closed dataset");
}
void TADOQuery::SetFieldText(std::string_view, std::string_view) {
  base::RaiseComponentError(name_, "Dataset not in edit or insert mode");
}
void TADOQuery::Post() {}
void TADOQuery::StatementChanged() {}

}  // namespace db
