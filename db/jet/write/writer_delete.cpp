// Deleting rows in a batch: one row, or all rows of a table
// (jet4-format.md sections 5, 6.3, 9, 11, 12.5, 13).
#include <algorithm>
#include <set>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/read/long_value.h"
#include "db/jet/read/row.h"
#include "db/jet/read/usage_map.h"
#include "db/jet/write/usage_map_writer.h"
#include "db/jet/write/writer.h"
#include "db/jet/write/writer_batch.h"

namespace jet {

void Writer::DeleteAllRows(const std::shared_ptr<const TableDef>& table) {
  if (!in_batch_) {
    Begin();
    try {
      DeleteAllRows(table);
      Commit();
    } catch (...) {
      Rollback();
      throw;
    }
    return;
  }
  try {
    definitions_changed_ = true;
    PageCache& pages = db_.pages();
    const uint32_t tdef_page = table->tdef_page;
    Page tdef = *pages.Get(tdef_page);
    if (tdef.type() != format::kPageTdef) RaiseCorrupt(tdef_page, "not a table definition page");

    // The data pages leave the table and the file's pages in use; the next
    // rows of the table take them again before the file grows.
    std::vector<uint32_t> owned = ReadUsageMap(pages, table->owned_pages, tdef_page);
    std::set<uint32_t> owned_set(owned.begin(), owned.end());
    std::vector<uint32_t> released;
    for (uint32_t number : owned) {
      SetUsageBit(pages, table->owned_pages, tdef_page, number, false);
      SetUsageBit(pages, table->free_pages, tdef_page, number, false);
      if (number >= pages.PageCount()) continue;
      Page page = *pages.Get(number);
      if (page.type() != format::kPageData ||
          LoadU32(&page.bytes[format::kDataOwnerOffset]) != tdef_page) {
        continue;
      }
      FormatDataPage(page, tdef_page);
      pages.Write(page);
      FreePage(pages, number);
      released.push_back(number);
    }
    std::sort(released.begin(), released.end());

    // Long values go with their rows.
    for (const LongValueMaps& maps : table->long_value_maps) {
      for (RowPointer map : {maps.owned, maps.free}) {
        for (uint32_t number : ReadUsageMap(pages, map, tdef_page)) {
          SetUsageBit(pages, map, tdef_page, number, false);
          if (!owned_set.count(number)) FreePage(pages, number);
        }
      }
    }

    // Each real index shrinks to an empty root leaf.
    std::set<uint32_t> done;
    for (const Index& index : table->indexes) {
      if (!done.insert(index.real_index).second) continue;
      batch_->indexes.erase({tdef_page, index.real_index});
      for (uint32_t number : ReadUsageMap(pages, index.page_map, tdef_page)) {
        if (number == index.root_page) continue;
        SetUsageBit(pages, index.page_map, tdef_page, number, false);
        FreePage(pages, number);
      }
      if (index.root_page == 0 || index.root_page >= pages.PageCount()) {
        RaiseCorrupt(tdef_page, "index root page " + std::to_string(index.root_page) +
                                    " is beyond the file");
      }
      Page root;
      root.number = index.root_page;
      FormatEmptyLeaf(root, tdef_page);
      pages.Write(root);
    }

    tdef = *pages.Get(tdef_page);
    StoreU32(&tdef.bytes[format::kTdefRowCountOffset], 0);
    pages.Write(tdef);

    append_pages_[tdef_page] = 0;
    roomy_pages_.erase(tdef_page);
    spare_pages_[tdef_page].assign(released.rbegin(), released.rend());
  } catch (...) {
    Rollback();
    throw;
  }
}

namespace {

// Makes slot `slot` of page `number` a deleted slot of length 0.
void DeleteSlot(PageCache& pages, uint32_t number, uint16_t slot) {
  Page page = *pages.Get(number);
  CheckPacked(page);
  ReplaceSlot(page, slot, {}, format::kRowFlagDeleted);
  pages.Write(page);
}

}  // namespace

void Writer::DeleteRow(const std::shared_ptr<const TableDef>& table, RowLocation home) {
  if (!in_batch_) {
    Begin();
    try {
      DeleteRow(table, home);
      Commit();
    } catch (...) {
      Rollback();
      throw;
    }
    return;
  }
  PageCache& pages = db_.pages();
  auto no_such_row = [&]() {
    RaiseInvalidArgument("no such row: page " + std::to_string(home.page) + " row " +
                         std::to_string(home.slot) + " of " + NameForMessage(table->name));
  };
  PageRef home_ref;
  std::optional<HomeRow> found = FindHomeRow(pages, table->tdef_page, home, home_ref);
  if (!found) no_such_row();
  const bool moved = found->moved();
  const RowLocation target = found->at;
  Row old = Row::Decode(table, &pages, moved ? std::move(found->moved_page) : home_ref,
                        found->bytes, home);
  found.reset();
  CheckPacked(*home_ref);
  if (moved) CheckPacked(*pages.Get(target.page));

  // Everything that goes with the row, found before any page changes.
  std::vector<RowLocation> long_rows;
  for (size_t i = 0; i < table->columns.size(); ++i) {
    if (!table->columns[i].IsLongValue() || old.IsNull(i)) continue;
    std::span<const uint8_t> stored = old.RawBytes(i);
    if (stored.empty()) continue;
    for (RowLocation at : LongValueRows(pages, stored, moved ? target.page : home.page)) {
      long_rows.push_back(at);
    }
  }
  std::vector<std::pair<IndexEditor*, IndexEntry>> entries;
  std::set<uint32_t> done;
  for (const Index& index : table->indexes) {
    if (!done.insert(index.real_index).second) continue;
    bool all_null = true;
    std::vector<Value> values = IndexColumnValues(
        *table, index, [&](size_t c) { return old.Get(c); }, all_null);
    if (index.ignore_nulls && all_null) continue;  // section 13.5: no entry
    IndexEntry entry{IndexKey(*table, index, values), home};
    IndexEditor& editor = EditorFor(table, index);
    if (!editor.Contains(entry)) {
      RaiseCorrupt(index.root_page, "index " + NameForMessage(index.name) +
                                        " has no entry for page " + std::to_string(home.page) +
                                        " row " + std::to_string(home.slot));
    }
    entries.emplace_back(&editor, std::move(entry));
  }

  // The cache's copies of the pages, held by no one, then take the new
  // bytes in place.
  old = Row();
  home_ref.reset();

  // From here on pages change: a failure drops the whole batch.
  try {
    definitions_changed_ = true;
    for (auto& [editor, entry] : entries) editor->Remove(entry);
    for (RowLocation at : long_rows) DeleteSlot(pages, at.page, at.slot);
    DeleteSlot(pages, home.page, home.slot);
    std::vector<uint32_t>& roomy = roomy_pages_[table->tdef_page];
    auto note_room = [&](uint32_t number) {
      SetUsageBit(pages, table->free_pages, table->tdef_page, number, true);
      if (roomy.empty() || roomy.back() != number) {
        roomy.push_back(number);
      }
    };
    note_room(home.page);
    if (moved) {
      DeleteSlot(pages, target.page, target.slot);
      if (target.page != home.page) note_room(target.page);
    }
    Page tdef = *pages.Get(table->tdef_page);
    if (tdef.type() != format::kPageTdef) {
      RaiseCorrupt(table->tdef_page, "not a table definition page");
    }
    uint32_t row_count = LoadU32(&tdef.bytes[format::kTdefRowCountOffset]);
    StoreU32(&tdef.bytes[format::kTdefRowCountOffset], row_count == 0 ? 0 : row_count - 1);
    pages.Write(tdef);
  } catch (...) {
    Rollback();
    throw;
  }
}

}  // namespace jet
