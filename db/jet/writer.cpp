// Row updates in batches (jet4-format.md sections 11 and 12).
#include "db/jet/writer.h"

#include "db/jet/error.h"
#include "db/jet/journal.h"

namespace jet {
namespace {

JournaledFile& JournaledOf(Database& db) {
  auto* file = dynamic_cast<JournaledFile*>(&db.file());
  if (!file || !file->Writable()) RaiseReadOnly(db.Name());
  return *file;
}

}  // namespace

class Writer::Batch {};

bool ColumnWritable(const Column& column) {
  return !column.auto_number && !column.IsLongValue() &&
         column.kind != ColumnKind::kUnknown;
}

Writer::Writer(Database& db, WriterOptions options)
    : db_(db), file_(JournaledOf(db)), options_(options) {}

Writer::~Writer() { Rollback(); }

bool Writer::Begin() {
  bool rolled_back = file_.BeginBatch();
  in_batch_ = true;
  batch_ = std::make_unique<Batch>();
  bool changed = db_.RefreshIfChanged();
  if (rolled_back && !changed) db_.pages().Reset();
  return changed || rolled_back;
}

void Writer::Commit() {
  if (!in_batch_) RaiseInvalidArgument("no batch of changes is open");
  in_batch_ = false;
  batch_.reset();
  file_.CommitBatch(options_.sync);
}

void Writer::Rollback() {
  if (!in_batch_) return;
  in_batch_ = false;
  batch_.reset();
  file_.AbortBatch();
  db_.pages().Reset();
}

void Writer::UpdateRow(const std::shared_ptr<const TableDef>& table,
                       RowLocation home, const ColumnChanges& changes) {
  if (in_batch_) {
    UpdateInBatch(table, home, changes);
    return;
  }
  Begin();
  try {
    UpdateInBatch(table, home, changes);
    Commit();
  } catch (...) {
    Rollback();
    throw;
  }
}

void Writer::UpdateInBatch(const std::shared_ptr<const TableDef>&, RowLocation,
                           const ColumnChanges&) {
  RaiseInvalidArgument("row updates are not written yet");
}

}  // namespace jet
