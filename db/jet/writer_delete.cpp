// Emptying a table in a batch (jet4-format.md sections 5, 6.3, 12.5, 13).
#include <algorithm>
#include <set>

#include "db/jet/byte_reader.h"
#include "db/jet/data_page_writer.h"
#include "db/jet/error.h"
#include "db/jet/format.h"
#include "db/jet/index_writer.h"
#include "db/jet/usage_map.h"
#include "db/jet/usage_map_writer.h"
#include "db/jet/writer.h"
#include "db/jet/writer_batch.h"

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
    spare_pages_[tdef_page].assign(released.rbegin(), released.rend());
  } catch (...) {
    Rollback();
    throw;
  }
}

}  // namespace jet
