// ADOQuery1: statement text, opening, walking and reading the result, and
// the editing states.
#include "db/query.h"

#include "base/exceptions.h"
#include "base/gbk.h"
#include "base/text_to_integer.h"
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

namespace {

// The new value of `column` from the text set into it.
jet::Value ValueFromText(const jet::Column& column, std::u16string text,
                         std::string_view name) {
  switch (column.kind) {
    case jet::ColumnKind::kText:
    case jet::ColumnKind::kMemo:
      return text;
    case jet::ColumnKind::kByte:
    case jet::ColumnKind::kInteger:
    case jet::ColumnKind::kLong: {
      if (text.empty()) return std::monostate{};
      int32_t v = base::TextToInteger(base::Utf16ToGbk(text));
      if (column.kind == jet::ColumnKind::kLong) return v;
      if (column.kind == jet::ColumnKind::kInteger && v >= INT16_MIN && v <= INT16_MAX) {
        return static_cast<int16_t>(v);
      }
      if (column.kind == jet::ColumnKind::kByte && v >= 0 && v <= 255) {
        return static_cast<uint8_t>(v);
      }
      base::RaiseDatabaseError("'" + base::Utf16ToGbk(text) +
                               "' is not a valid value for field '" + std::string(name) + "'");
    }
    default:
      base::RaiseDatabaseError("Field '" + std::string(name) + "' cannot be modified");
  }
}

}  // namespace

void TADOQuery::WriteChanges() {
  ConnectionState* state = connection_.State();
  if (!state || state->read_only()) Fail("Cannot modify a read-only dataset");
  const jet::Row* row = result_->CurrentRow();
  if (!row) Fail("Cannot perform this operation on a closed dataset");
  const auto& table = result_->rows().table;
  jet::ColumnChanges changes;
  for (size_t i = 0; i < result_->changes.size(); ++i) {
    if (!result_->changes[i]) continue;
    const CursorColumn& column = result_->columns()[i];
    changes.emplace_back(column.table_column,
                         ValueFromText(table->columns[column.table_column],
                                       *result_->changes[i], column.name));
  }
  try {
    jet::Writer& writer = state->writer();
    writer.UpdateRow(table, row->location(), changes);
    state->session().TableChanged(table->name);
    jet::ReadLock lock(state->database());
    std::optional<jet::Row> written = state->database().ReadRow(table, row->location());
    if (written) result_->ReplaceCurrentRow(std::move(*written));
  } catch (const jet::Error& e) {
    // A failed post is a database error carrying the engine's message.
    try {
      RaiseEngineError(e, state->path());
    } catch (const base::Exception& provider) {
      base::RaiseDatabaseError(provider.Message());
    }
  }
}

void TADOQuery::BeginBatch() {
  ConnectionState* state = connection_.State();
  if (batch_ || !state || state->read_only()) return;
  try {
    state->writer().Begin();
  } catch (const jet::Error& e) {
    try {
      RaiseEngineError(e, state->path());
    } catch (const base::Exception& provider) {
      base::RaiseDatabaseError(provider.Message());
    }
  }
  batch_ = true;
}

void TADOQuery::FlushBatch() {
  if (!batch_) return;
  ConnectionState* state = connection_.State();
  jet::Writer& writer = state->writer();
  try {
    writer.Commit();
    writer.Begin();
  } catch (const jet::Error& e) {
    batch_ = false;
    writer.Rollback();
    try {
      RaiseEngineError(e, state->path());
    } catch (const base::Exception& provider) {
      base::RaiseDatabaseError(provider.Message());
    }
  }
}

void TADOQuery::EndBatch(bool quiet) {
  if (!batch_) return;
  ConnectionState* state = connection_.State();
  jet::Writer& writer = state->writer();
  batch_ = false;
  try {
    writer.Commit();
  } catch (const jet::Error& e) {
    writer.Rollback();
    if (quiet) return;
    try {
      RaiseEngineError(e, state->path());
    } catch (const base::Exception& provider) {
      base::RaiseDatabaseError(provider.Message());
    }
  }
}

}  // namespace db
