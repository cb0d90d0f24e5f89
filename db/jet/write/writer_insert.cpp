// Row insertion in batches (jet4-format.md sections 4.2, 12.3 and 13.6).
#include <algorithm>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/write/row_builder.h"
#include "db/jet/write/usage_map_writer.h"
#include "db/jet/write/writer.h"
#include "db/jet/write/writer_batch.h"

namespace jet {

RowLocation Writer::InsertRow(const std::shared_ptr<const TableDef>& table,
                              const ColumnChanges& values) {
  if (in_batch_) return InsertInBatch(table, values);
  Begin();
  try {
    RowLocation home = InsertInBatch(table, values);
    Commit();
    return home;
  } catch (...) {
    Rollback();
    throw;
  }
}

void Writer::InsertRows(const std::shared_ptr<const TableDef>& table, size_t count,
                        const std::function<void(size_t, ColumnChanges&)>& fill) {
  if (!in_batch_) {
    Begin();
    try {
      InsertRows(table, count, fill);
      Commit();
    } catch (...) {
      Rollback();
      throw;
    }
    return;
  }
  ColumnChanges values;
  const bool plain = table->indexes.empty() &&
                     std::none_of(table->columns.begin(), table->columns.end(),
                                  [](const Column& c) { return c.auto_number || c.IsLongValue(); });
  if (!plain) {
    for (size_t i = 0; i < count; ++i) {
      fill(i, values);
      InsertInBatch(table, values);
    }
    return;
  }
  // As InsertInBatch does row by row, but the row count is written at the
  // end, and the page rows are appended to is held here until it is full.
  PageCache& pages = db_.pages();
  if (pages.Get(table->tdef_page)->type() != format::kPageTdef) {
    RaiseCorrupt(table->tdef_page, "not a table definition page");
  }
  uint32_t row_count = LoadU32(&pages.Get(table->tdef_page)->bytes[format::kTdefRowCountOffset]);
  Page page;  // number 0: none held
  bool held = false;
  auto put_back = [&] {
    if (held) pages.Write(page);
    held = false;
    Page tdef = *pages.Get(table->tdef_page);
    StoreU32(&tdef.bytes[format::kTdefRowCountOffset], row_count);
    pages.Write(tdef);
  };
  definitions_changed_ = true;
  ColumnChanges full(table->columns.size());
  for (size_t c = 0; c < full.size(); ++c) full[c].first = c;
  for (size_t i = 0; i < count; ++i) {
    try {
      fill(i, values);
      for (const auto& [column, value] : values) CheckColumnValue(*table, column, value, true);
    } catch (...) {
      put_back();
      throw;
    }
    for (size_t c = 0; c < full.size(); ++c) {
      full[c].second = table->columns[c].kind == ColumnKind::kBoolean ? Value(false) : Value();
    }
    for (auto& [column, value] : values) full[column].second = value;
    try {
      std::vector<uint8_t> row = BuildRow(*table, Row(), full);
      auto appending = append_pages_.find(table->tdef_page);
      auto roomy = roomy_pages_.find(table->tdef_page);
      if (!held || appending == append_pages_.end() || appending->second != page.number ||
          (roomy != roomy_pages_.end() && !roomy->second.empty()) ||
          !RoomFor(page, row.size())) {
        if (held) pages.Write(page);
        page = *pages.Get(TargetPage(*table, row.size(), 0, 0));
        CheckPacked(page);
        held = true;
      }
      if (!AppendRow(page, row, 0)) {
        RaiseInvalidArgument("row of " + std::to_string(row.size()) +
                             " bytes does not fit an empty page");
      }
      ++row_count;
    } catch (...) {
      Rollback();
      throw;
    }
  }
  put_back();
}

IndexEditor& Writer::EditorFor(const std::shared_ptr<const TableDef>& table,
                               const Index& index) {
  auto [it, fresh] = batch_->indexes.try_emplace({table->tdef_page, index.real_index});
  Batch::PendingIndex& pending = it->second;
  if (fresh) {
    pending.table = table;
    pending.editor = std::make_unique<IndexEditor>(db_.pages(), *table, index);
  }
  return *pending.editor;
}

RowLocation Writer::InsertInBatch(const std::shared_ptr<const TableDef>& table,
                                  const ColumnChanges& values) {
  for (const auto& [column, value] : values) CheckColumnValue(*table, column, value, true);
  definitions_changed_ = true;
  PageCache& pages = db_.pages();
  // Section 4.2: the live-row count and last autonumber are kept on the first
  // TDEF page; the page in the batch holds the numbers so far.
  Page tdef = *pages.Get(table->tdef_page);
  if (tdef.type() != format::kPageTdef) {
    RaiseCorrupt(table->tdef_page, "not a table definition page");
  }
  uint32_t row_count = LoadU32(&tdef.bytes[format::kTdefRowCountOffset]);
  uint32_t autonumber = LoadU32(&tdef.bytes[format::kTdefAutonumberOffset]);

  // Every column gets a value: the one given, else null (false, or the next
  // autonumber).
  ColumnChanges full;
  std::vector<Value> by_position(table->columns.size());
  for (size_t i = 0; i < table->columns.size(); ++i) {
    const Column& c = table->columns[i];
    Value value;
    if (c.kind == ColumnKind::kBoolean) value = false;
    if (c.auto_number) {
      if (c.kind != ColumnKind::kLong) {
        RaiseInvalidArgument("cannot insert into " + NameForMessage(table->name) +
                             ": GUID autonumber");
      }
      value = static_cast<int32_t>(++autonumber);
    }
    for (const auto& [column, given] : values) {
      if (column == i) value = given;
    }
    by_position[i] = value;
    full.emplace_back(i, std::move(value));
  }

  // Section 13.4: each index's key, refused before any page changes.
  std::vector<std::pair<IndexEditor*, std::vector<uint8_t>>> entries;
  for (const Index& index : table->indexes) {
    bool all_null = true;
    std::vector<Value> key_values = IndexColumnValues(
        *table, index, [&](size_t c) { return by_position[c]; }, all_null);
    if (index.ignore_nulls && all_null) continue;  // section 13.5
    // Logical indexes sharing one real index share its entries.
    if (std::any_of(table->indexes.begin(), table->indexes.begin() + (&index - table->indexes.data()),
                    [&](const Index& earlier) { return earlier.real_index == index.real_index; })) {
      continue;
    }
    std::vector<uint8_t> key = IndexKey(*table, index, key_values);
    IndexEditor& editor = EditorFor(table, index);
    if (index.unique && !IsNullKey(key, index.columns.size()) &&
        editor.KeyHeldByOther(key, RowLocation{})) {
      RefuseIndexUpdate(*table, index, "the new value is there already and the index is unique");
    }
    entries.emplace_back(&editor, std::move(key));
  }

  // From here on pages change: a failure drops the whole batch.
  try {
    RawColumns long_values;
    for (size_t i = 0; i < table->columns.size(); ++i) {
      const Column& c = table->columns[i];
      if (c.IsLongValue() && !IsNull(by_position[i])) {
        long_values.emplace_back(i, StoreLongValue(*table, c, LongValueBytes(by_position[i])));
      }
    }
    std::vector<uint8_t> row = BuildRow(*table, Row(), full, long_values);
    uint32_t number = TargetPage(*table, row.size(), 0, 0);
    Page page = *pages.Get(number);
    CheckPacked(page);
    std::optional<uint16_t> slot = AppendRow(page, row, 0);
    if (!slot) {
      RaiseInvalidArgument("row of " + std::to_string(row.size()) +
                           " bytes does not fit an empty page");
    }
    pages.Write(page);
    RowLocation home{number, *slot};
    for (auto& [editor, key] : entries) editor->Insert(IndexEntry{std::move(key), home});
    tdef = *pages.Get(table->tdef_page);
    StoreU32(&tdef.bytes[format::kTdefRowCountOffset], row_count + 1);
    StoreU32(&tdef.bytes[format::kTdefAutonumberOffset], autonumber);
    pages.Write(tdef);
    return home;
  } catch (...) {
    Rollback();
    throw;
  }
}

std::vector<uint8_t> Writer::StoreLongValue(const TableDef& table, const Column& column,
                                            const std::vector<uint8_t>& data) {
  // Jackcess's limits: Access's own are not known.
  constexpr size_t kInlineMost = 64;
  constexpr size_t kSingleRowMost = 4076;
  constexpr size_t kPieceMost = 4072;
  std::vector<uint8_t> header(format::kLongValueHeaderSize, 0);
  const auto length = static_cast<uint32_t>(data.size());
  auto pointer = [](RowLocation at) {
    return (at.page << format::kRowPointerPageShift) | at.slot;
  };
  if (data.size() <= kInlineMost) {
    StoreU32(header.data(), length | format::kLongValueInline);
    header.insert(header.end(), data.begin(), data.end());
    return header;
  }
  if (data.size() <= kSingleRowMost) {
    RowLocation at = PlaceLongValueRow(table, column, data);
    StoreU32(header.data(), length | format::kLongValueSingle);
    StoreU32(&header[format::kLongValuePointerOffset], pointer(at));
    return header;
  }
  // A chain, placed from its last piece so that each piece knows the next.
  size_t pieces = (data.size() + kPieceMost - 1) / kPieceMost;
  uint32_t next = 0;
  for (size_t k = pieces; k-- > 0;) {
    size_t begin = k * kPieceMost;
    size_t end = std::min(data.size(), begin + kPieceMost);
    std::vector<uint8_t> piece(format::kLongValueChainLinkSize);
    StoreU32(piece.data(), next);
    piece.insert(piece.end(), data.begin() + static_cast<ptrdiff_t>(begin),
                 data.begin() + static_cast<ptrdiff_t>(end));
    next = pointer(PlaceLongValueRow(table, column, piece));
  }
  StoreU32(header.data(), length | format::kLongValueChain);
  StoreU32(&header[format::kLongValuePointerOffset], next);
  return header;
}

RowLocation Writer::PlaceLongValueRow(const TableDef& table, const Column& column,
                                      const std::vector<uint8_t>& bytes) {
  PageCache& pages = db_.pages();
  uint32_t& current = lval_pages_[{table.tdef_page, column.number}];
  if (current != 0 && current < pages.PageCount()) {
    Page page = *pages.Get(current);
    if (page.type() == format::kPageData &&
        LoadU32(&page.bytes[format::kDataOwnerOffset]) == format::kLvalOwnerTag &&
        RoomFor(page, bytes.size())) {
      CheckPacked(page);
      std::optional<uint16_t> slot = AppendRow(page, bytes, 0);
      if (slot) {
        pages.Write(page);
        return RowLocation{current, *slot};
      }
    }
  }
  auto maps = std::find_if(table.long_value_maps.begin(), table.long_value_maps.end(),
                           [&](const LongValueMaps& m) { return m.column_number == column.number; });
  if (maps == table.long_value_maps.end()) {
    RaiseCorrupt(table.tdef_page, "no page map for the long values of column " +
                                      NameForMessage(column.name));
  }
  Page fresh;
  FormatDataPage(fresh, 0);
  StoreU32(&fresh.bytes[format::kDataOwnerOffset], format::kLvalOwnerTag);
  std::optional<uint16_t> slot = AppendRow(fresh, bytes, 0);
  if (!slot) {
    RaiseInvalidArgument("long value row of " + std::to_string(bytes.size()) +
                         " bytes does not fit an empty page");
  }
  uint32_t number = AppendPage(pages, fresh);
  AddToUsageMap(pages, maps->owned, table.tdef_page, number);
  current = number;
  return RowLocation{number, *slot};
}

}  // namespace jet
