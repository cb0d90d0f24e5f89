// Row updates in batches (jet4-format.md sections 11 and 12).
#include "db/jet/write/writer.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/row_builder.h"
#include "db/jet/read/usage_map.h"
#include "db/jet/write/usage_map_writer.h"
#include "db/jet/write/writer_batch.h"

namespace jet {

std::vector<Value> IndexColumnValues(const TableDef& table, const Index& index,
                                     const std::function<Value(size_t)>& value_of,
                                     bool& all_null) {
  std::vector<Value> values;
  all_null = true;
  for (const IndexColumn& ic : index.columns) {
    values.push_back(value_of(IndexColumnPosition(table, index, ic)));
    all_null = all_null && IsNull(values.back());
  }
  return values;
}

namespace {

JournaledFile& JournaledOf(Database& db) {
  auto* file = dynamic_cast<JournaledFile*>(&db.file());
  if (!file || !file->Writable()) RaiseReadOnly(db.Name());
  return *file;
}

[[noreturn]] void NoSuchRow(const TableDef& table, RowLocation home) {
  RaiseInvalidArgument("no such row: page " + std::to_string(home.page) +
                       " row " + std::to_string(home.slot) + " of " +
                       NameForMessage(table.name));
}

std::vector<uint8_t> PointerBytes(RowLocation target) {
  std::vector<uint8_t> bytes(4);
  StoreU32(bytes.data(), (target.page << format::kRowPointerPageShift) | target.slot);
  return bytes;
}

}  // namespace

bool ColumnWritable(const Column& column) {
  return !column.auto_number && !column.IsLongValue() &&
         column.kind != ColumnKind::kUnknown &&
         !(column.kind == ColumnKind::kText && column.fixed);
}

Writer::Writer(Database& db, WriterOptions options)
    : db_(db), file_(JournaledOf(db)), options_(options) {}

Writer::~Writer() { Rollback(); }

bool Writer::Begin() {
  bool rolled_back = file_.BeginBatch();
  in_batch_ = true;
  batch_ = std::make_unique<Batch>();
  bool changed;
  try {
    changed = db_.RefreshIfChanged();
  } catch (...) {
    Rollback();
    throw;
  }
  if (rolled_back && !changed) db_.pages().Reset();
  if (changed || rolled_back) {
    append_pages_.clear();
    spare_pages_.clear();
    roomy_pages_.clear();
    lval_pages_.clear();
  }
  return changed || rolled_back;
}

void Writer::Commit() {
  if (!in_batch_) RaiseInvalidArgument("no batch of changes is open");
  try {
    for (auto& [key, pending] : batch_->indexes) {
      pending.editor->Write(db_.pages());
    }
  } catch (...) {
    Rollback();
    throw;
  }
  in_batch_ = false;
  batch_.reset();
  FileStamp stamp;
  try {
    stamp = file_.CommitBatch(options_.sync);
  } catch (...) {
    db_.pages().Reset();
    db_.DropDefinitions();
    append_pages_.clear();
    spare_pages_.clear();
    roomy_pages_.clear();
    lval_pages_.clear();
    throw;
  }
  db_.NoteOwnWrite(stamp);
  if (definitions_changed_) db_.DropDefinitions();
  definitions_changed_ = false;
}

void Writer::Rollback() {
  if (!in_batch_) return;
  in_batch_ = false;
  definitions_changed_ = false;
  batch_.reset();
  file_.AbortBatch();
  db_.pages().Reset();
  db_.DropDefinitions();  // a batch may have changed a definition (AddIndex)
  append_pages_.clear();
  spare_pages_.clear();
  roomy_pages_.clear();
  lval_pages_.clear();
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

void Writer::QueueIndexChanges(const std::shared_ptr<const TableDef>& table,
                               const Row& old, const ColumnChanges& changes) {
  struct Move {
    Batch::PendingIndex* pending;
    IndexEntry old_entry, new_entry;
  };
  std::vector<Move> moves;
  for (size_t i = 0; i < table->indexes.size(); ++i) {
    const Index& index = table->indexes[i];
    bool touched = false;
    std::vector<Value> old_values, new_values;
    for (const IndexColumn& ic : index.columns) {
      size_t pos = IndexColumnPosition(*table, index, ic);
      Value old_value = old.Get(pos);
      Value new_value = old_value;
      for (const auto& [column, value] : changes) {
        if (column == pos) {
          new_value = value;
          touched = true;
        }
      }
      old_values.push_back(std::move(old_value));
      new_values.push_back(std::move(new_value));
    }
    if (!touched) continue;
    // Section 13.5: with "ignore nulls", a row whose key columns are all
    // null has no entry (an empty key stands for none).
    auto key_of = [&](const std::vector<Value>& values) {
      bool all_null = std::all_of(values.begin(), values.end(),
                                  [](const Value& v) { return IsNull(v); });
      return index.ignore_nulls && all_null ? std::vector<uint8_t>()
                                            : IndexKey(*table, index, values);
    };
    std::vector<uint8_t> old_key = key_of(old_values);
    std::vector<uint8_t> new_key = key_of(new_values);
    if (old_key == new_key) continue;
    auto [it, fresh] = batch_->indexes.try_emplace({table->tdef_page, index.real_index});
    Batch::PendingIndex& pending = it->second;
    if (fresh) {
      pending.table = table;
      pending.editor = std::make_unique<IndexEditor>(db_.pages(), *table, index);
    }
    IndexEntry old_entry{old_key, old.location()};
    IndexEntry new_entry{new_key, old.location()};
    if (!old_key.empty() && !pending.editor->Contains(old_entry)) {
      RaiseCorrupt(index.root_page, "index " + NameForMessage(index.name) +
                                        " has no entry for page " +
                                        std::to_string(old.location().page) + " row " +
                                        std::to_string(old.location().slot));
    }
    if (index.unique && !new_key.empty() && !IsNullKey(new_key, index.columns.size())) {
      if (pending.editor->KeyHeldByOther(new_key, old.location())) {
        RefuseIndexUpdate(*table, index, "the new value is there already and the index is unique");
      }
    }
    moves.push_back({&pending, std::move(old_entry), std::move(new_entry)});
  }
  // Every index agreed: now move the entries.
  for (auto& [pending, old_entry, new_entry] : moves) {
    if (!old_entry.key.empty()) pending->editor->Remove(old_entry);
    if (!new_entry.key.empty()) pending->editor->Insert(std::move(new_entry));
  }
}

uint32_t Writer::TargetPage(const TableDef& table, size_t length,
                            uint32_t exclude1, uint32_t exclude2) {
  PageCache& pages = db_.pages();
  auto usable = [&](uint32_t number) {
    if (number == exclude1 || number == exclude2 || number >= pages.PageCount()) {
      return false;
    }
    PageRef page = pages.Get(number);
    return page->type() == format::kPageData &&
           LoadU32(&page->bytes[format::kDataOwnerOffset]) == table.tdef_page &&
           RoomFor(*page, length);
  };
  auto it = append_pages_.find(table.tdef_page);
  if (it == append_pages_.end()) {
    // First placement for this table: the last page the free-space map
    // offers is the one rows are appended to; the other pages it lists (room
    // that deletions gave, perhaps in an earlier run) are tried before it,
    // lowest first.
    uint32_t found = 0;
    std::vector<uint32_t> free_pages =
        ReadUsageMap(pages, table.free_pages, table.tdef_page);
    size_t k = free_pages.size();
    while (k-- > 0 && found == 0) {
      if (usable(free_pages[k])) found = free_pages[k];
    }
    it = append_pages_.emplace(table.tdef_page, found).first;
    if (found != 0) {
      std::vector<uint32_t>& roomy = roomy_pages_[table.tdef_page];
      auto earlier = free_pages.begin() + static_cast<long>(k + 1);
      roomy.insert(roomy.begin(), std::make_reverse_iterator(earlier), free_pages.rend());
    }
  }
  // Pages a deletion gave room; one too full for this row is dropped.
  auto roomy = roomy_pages_.find(table.tdef_page);
  if (roomy != roomy_pages_.end()) {
    while (!roomy->second.empty()) {
      uint32_t number = roomy->second.back();
      if (usable(number)) return number;
      if (number != exclude1 && number != exclude2) roomy->second.pop_back();
      else break;
    }
  }
  if (it->second != 0 && usable(it->second)) return it->second;
  if (it->second != 0 && it->second < pages.PageCount()) {
    // Full: no longer a page with room (section 12.6).
    SetUsageBit(pages, table.free_pages, table.tdef_page, it->second, false);
  }
  Page fresh;
  FormatDataPage(fresh, table.tdef_page);
  uint32_t number = 0;
  // Pages DeleteAllRows gave up are taken again, in page order, before the
  // file grows.
  auto spare = spare_pages_.find(table.tdef_page);
  if (spare != spare_pages_.end() && !spare->second.empty()) {
    number = spare->second.back();
    spare->second.pop_back();
    ReusePage(pages, fresh, number);
  } else {
    number = AppendPage(pages, fresh);
  }
  AddToUsageMap(pages, table.owned_pages, table.tdef_page, number);
  SetUsageBit(pages, table.free_pages, table.tdef_page, number, true);
  it->second = number;
  return number;
}

RowLocation Writer::PlaceRow(const TableDef& table, std::span<const uint8_t> row,
                             uint32_t exclude1, uint32_t exclude2) {
  uint32_t number = TargetPage(table, row.size(), exclude1, exclude2);
  Page page = *db_.pages().Get(number);
  CheckPacked(page);
  std::optional<uint16_t> slot = AppendRow(page, row, format::kRowFlagTarget);
  if (!slot) RaiseInvalidArgument("row of " + std::to_string(row.size()) +
                                  " bytes does not fit an empty page");
  db_.pages().Write(page);
  return RowLocation{number, *slot};
}

void Writer::UpdateInBatch(const std::shared_ptr<const TableDef>& table,
                           RowLocation home, const ColumnChanges& changes) {
  for (const auto& [column, value] : changes) CheckColumnValue(*table, column, value);
  PageCache& pages = db_.pages();
  PageRef home_ref;
  std::optional<HomeRow> found = FindHomeRow(pages, table->tdef_page, home, home_ref);
  if (!found) NoSuchRow(*table, home);
  const bool moved = found->moved();
  const RowLocation old_target = found->at;
  Row old = Row::Decode(table, &pages, moved ? std::move(found->moved_page) : home_ref,
                        found->bytes, home);
  found.reset();
  std::vector<uint8_t> row = BuildRow(*table, old, changes);
  CheckPacked(*home_ref);
  QueueIndexChanges(table, old, changes);
  // The cache's copies of the pages, held by no one, then take the new
  // bytes in place.
  old = Row();
  home_ref.reset();
  // From here on pages change: a failure leaves the batch half done, so
  // the whole batch is dropped.
  try {
    StoreRow(*table, home, moved, old_target, row);
  } catch (...) {
    Rollback();
    throw;
  }
}

void Writer::StoreRow(const TableDef& table, RowLocation home, bool moved,
                      RowLocation old_target, std::span<const uint8_t> row) {
  PageCache& pages = db_.pages();
  auto point_home_at = [&](RowLocation target) {
    Page home_page = *pages.Get(home.page);
    if (!ReplaceSlot(home_page, home.slot, PointerBytes(target),
                     format::kRowFlagOverflow)) {
      RaiseInvalidArgument("no room on page " + std::to_string(home.page) +
                           " for the pointer to a moved row");
    }
    pages.Write(home_page);
  };
  if (!moved) {
    // Section 12.1: in place when the page has room, else section 12.2.
    Page home_page = *pages.Get(home.page);
    if (ReplaceSlot(home_page, home.slot, row, 0)) {
      pages.Write(home_page);
      return;
    }
    point_home_at(PlaceRow(table, row, home.page, 0));
    return;
  }
  // Section 12.2 step 4: the row lives elsewhere already. Pages are read
  // afresh after each write: the old target may share the home page.
  Page target_page = *pages.Get(old_target.page);
  CheckPacked(target_page);
  if (ReplaceSlot(target_page, old_target.slot, row, format::kRowFlagTarget)) {
    pages.Write(target_page);
    return;
  }
  Page home_page = *pages.Get(home.page);
  if (ReplaceSlot(home_page, home.slot, row, 0)) {
    pages.Write(home_page);  // back home
  } else {
    point_home_at(PlaceRow(table, row, home.page, old_target.page));
  }
  target_page = *pages.Get(old_target.page);
  ReplaceSlot(target_page, old_target.slot, {}, format::kRowFlagDeleted);
  pages.Write(target_page);
}

}  // namespace jet
