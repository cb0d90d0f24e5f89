// ADOQuery1: statement text, opening, walking and reading the result, and
// the editing states.
#include "db/query.h"

#include "base/exceptions.h"
#include "base/gbk.h"
#include "db/connection_state.h"
#include "db/parameter_scan.h"
#include "db/provider_error.h"
#include "db/query_result.h"

namespace db {
namespace {

constexpr std::string_view kClosedDataset =
    "Cannot perform this operation on a closed dataset";

}  // namespace

TADOQuery::TADOQuery(TADOConnection& connection, std::string name)
    : connection_(connection), name_(std::move(name)), sql_(*this) {
  connection_.queries_.push_back(this);
}

TADOQuery::~TADOQuery() { std::erase(connection_.queries_, this); }

void TADOQuery::Fail(std::string_view message) const {
  base::RaiseComponentError(name_, message);
}

void TADOQuery::BindConnection() {
  if (bound_) return;
  if (!connection_.Connected()) connection_.Open();
  bound_ = true;
}

void TADOQuery::StatementChanged() {
  std::string text = sql_.Text();
  if (text == statement_text_) return;
  if (result_) Fail("Cannot perform this operation on an open dataset");
  statement_text_ = std::move(text);
  if (statement_text_.empty()) {
    command_text_.clear();
    parameters_.clear();
    return;
  }
  if (param_check_) {
    ScannedStatement scanned = ScanParameters(statement_text_);
    command_text_ = std::move(scanned.command_text);
    if (!scanned.parameters.empty()) parameters_ = std::move(scanned.parameters);
  } else {
    command_text_ = statement_text_;
    parameters_.clear();
  }
  if (loading_) return;
  // Preparing: any failure here shows again at Open.
  try {
    BindConnection();
  } catch (const base::Exception&) {
  }
}

void TADOQuery::Close() { result_.reset(); }

void TADOQuery::Open() {
  if (result_) return;
  BindConnection();
  if (statement_text_.empty()) Fail("Missing SQL property");
  if (!connection_.Connected()) connection_.Open();
  ConnectionState* state = connection_.State();
  try {
    sql::ResultSet rows = state->session().Execute(base::GbkToUtf16(command_text_));
    result_ = std::make_unique<QueryResult>(std::move(rows));
  } catch (const sql::Error& e) {
    RaiseStatementError(e);
  } catch (const jet::Error& e) {
    RaiseEngineError(e, state->path());
  }
}

bool TADOQuery::Active() const { return result_ != nullptr; }

QueryResult& TADOQuery::OpenResult() const {
  if (!result_) Fail(kClosedDataset);
  return *result_;
}

int TADOQuery::RowCount() const {
  return static_cast<int>(OpenResult().RowCount());
}

bool TADOQuery::AtEnd() const { return !result_ || result_->at_end(); }

void TADOQuery::Next() {
  QueryResult& result = OpenResult();
  if (result.editing) Post();
  result.Next();
}

std::vector<std::string> TADOQuery::FieldNames() const {
  std::vector<std::string> names;
  if (result_) {
    for (const CursorColumn& column : result_->columns()) names.push_back(column.name);
  }
  return names;
}

const CursorColumn& TADOQuery::Column(std::string_view name) const {
  const CursorColumn* column = result_ ? result_->Find(name) : nullptr;
  if (!column) Fail("Field '" + std::string(name) + "' not found");
  return *column;
}

int TADOQuery::FieldSize(std::string_view name) const {
  const CursorColumn& column = Column(name);
  return column.kind == FieldKind::kText ? static_cast<int>(column.size) : 0;
}

std::string TADOQuery::FieldText(std::string_view name) const {
  const CursorColumn& column = Column(name);
  try {
    return FieldTextOf(result_->Value(column));
  } catch (const jet::Error& e) {
    RaiseEngineError(e, connection_.State() ? connection_.State()->path() : "");
  }
}

int32_t TADOQuery::FieldInteger(std::string_view name) const {
  const CursorColumn& column = Column(name);
  if (column.kind == FieldKind::kOther) {
    base::RaiseDatabaseError("Cannot access field '" + column.name +
                             "' as type Integer");
  }
  try {
    return FieldIntegerOf(result_->Value(column), column.kind);
  } catch (const jet::Error& e) {
    RaiseEngineError(e, connection_.State() ? connection_.State()->path() : "");
  }
}

void TADOQuery::Edit() {
  QueryResult& result = OpenResult();
  if (result.editing) return;
  ConnectionState* state = connection_.State();
  if (!state || state->read_only()) Fail("Cannot modify a read-only dataset");
  result.editing = true;
  for (auto& change : result.changes) change.reset();
}

void TADOQuery::SetFieldText(std::string_view name, std::string_view value) {
  const CursorColumn& column = Column(name);
  if (!result_->editing) Fail("Dataset not in edit or insert mode");
  if (column.read_only) {
    base::RaiseDatabaseError("Field '" + column.name + "' cannot be modified");
  }
  std::u16string text = base::GbkToUtf16(value);
  if (column.kind == FieldKind::kText && text.size() > column.size) {
    text.resize(column.size);
  }
  result_->changes[&column - result_->columns().data()] = std::move(text);
}

void TADOQuery::Post() {
  if (!result_ || !result_->editing) return;
  bool changed = false;
  for (const auto& change : result_->changes) changed = changed || change.has_value();
  if (changed) WriteChanges();
  result_->editing = false;
  for (auto& change : result_->changes) change.reset();
}

void TADOQuery::WriteChanges() {
  // The engine cannot write rows yet. When it can, the changed columns go to
  // the row at result_->CurrentRow()->location(), the session forgets the
  // table's indexes, and the re-read row replaces the current one.
  base::RaiseDatabaseError("Writing rows is not supported yet");
}

}  // namespace db
