// The structural checker.
#include "db/jet/write/checker.h"

#include <algorithm>
#include <map>
#include <set>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/read/usage_map.h"

namespace jet {
namespace {

void CheckIndexes(Database& db, const std::shared_ptr<const TableDef>& t,
                  std::vector<std::string>& problems) {
  std::set<uint32_t> done;
  for (const Index& index : t->indexes) {
    if (!done.insert(index.real_index).second) continue;
    const std::string named =
        NameForMessage(t->name) + ": index " + NameForMessage(index.name);
    // The index's page map must be readable and list its root and leaves.
    std::set<uint32_t> mapped;
    try {
      for (uint32_t p : ReadUsageMap(db.pages(), index.page_map, t->tdef_page)) {
        mapped.insert(p);
      }
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::kCorrupt) throw;
      problems.push_back(named + ": page map: " + e.what());
      continue;
    }
    std::vector<uint32_t> listed = {index.root_page};
    for (const IndexLeaf& leaf : ReadIndexLeaves(db.pages(), *t, index, true)) {
      listed.push_back(leaf.page);
    }
    for (uint32_t p : listed) {
      if (!mapped.count(p)) {
        problems.push_back(named + ": page " + std::to_string(p) + " is not in its page map");
        break;
      }
    }
    std::vector<IndexEntry> expected;
    try {
      RowCursor cursor = db.Scan(t);
      while (cursor.Next()) {
        std::vector<Value> values;
        for (const IndexColumn& ic : index.columns) {
          for (size_t c = 0; c < t->columns.size(); ++c) {
            if (t->columns[c].number == ic.column_number) {
              values.push_back(cursor.row().Get(c));
            }
          }
        }
        if (index.ignore_nulls &&
            std::all_of(values.begin(), values.end(),
                        [](const Value& v) { return IsNull(v); })) {
          continue;
        }
        expected.push_back({IndexKey(*t, index, values), cursor.row().location()});
      }
    } catch (const Error& e) {
      if (e.kind() == ErrorKind::kInvalidArgument) continue;  // keys unknown
      throw;
    }
    std::sort(expected.begin(), expected.end());
    std::vector<IndexEntry> actual = ReadIndexEntries(db.pages(), *t, index);
    if (!std::is_sorted(actual.begin(), actual.end())) {
      problems.push_back(NameForMessage(t->name) + ": index " + NameForMessage(index.name) +
                         " is out of order");
      continue;
    }
    // The nodes must lead to every entry (a sample of large indexes).
    size_t step = actual.size() / 200 + 1;
    for (size_t i = 0; i < actual.size(); i += step) {
      if (!IndexFinds(db.pages(), *t, index, actual[i])) {
        problems.push_back(NameForMessage(t->name) + ": index " + NameForMessage(index.name) +
                           " does not lead to its entry for page " +
                           std::to_string(actual[i].row.page) + " row " +
                           std::to_string(actual[i].row.slot));
        break;
      }
    }
    std::sort(actual.begin(), actual.end());
    if (actual != expected) {
      problems.push_back(NameForMessage(t->name) + ": index " + NameForMessage(index.name) +
                         " disagrees with the rows (" + std::to_string(actual.size()) +
                         " entries, " + std::to_string(expected.size()) + " rows)");
    }
  }
}

}  // namespace

std::vector<std::string> CheckDatabase(Database& db) {
  std::vector<std::string> problems;
  PageCache& pages = db.pages();
  std::vector<uint32_t> free_global = ReadUsageMap(
      pages, RowPointer{(format::kGlobalMapPage << format::kRowPointerPageShift) |
                        format::kGlobalMapRow}, format::kGlobalMapPage);
  std::set<uint32_t> free_set(free_global.begin(), free_global.end());
  std::vector<std::u16string> names = db.SystemTableNames();
  for (const std::u16string& name : db.TableNames()) names.push_back(name);
  for (const std::u16string& name : names) {
    auto t = db.GetTable(name, true);
    std::string tn = NameForMessage(name);
    std::vector<uint32_t> owned = ReadUsageMap(pages, t->owned_pages, t->tdef_page);
    std::set<uint32_t> owned_set(owned.begin(), owned.end());
    for (uint32_t p : ReadUsageMap(pages, t->free_pages, t->tdef_page)) {
      if (!owned_set.count(p)) {
        problems.push_back(tn + ": free-space map lists page " + std::to_string(p) +
                           ", not one of its pages");
      }
    }
    std::map<RowLocation, int> targets;  // moved-data slot -> pointers to it
    uint32_t live = 0;
    for (uint32_t p : owned) {
      PageRef page = pages.Get(p);
      if (page->type() != format::kPageData ||
          LoadU32(&page->bytes[format::kDataOwnerOffset]) != t->tdef_page) {
        continue;
      }
      if (free_set.count(p)) {
        problems.push_back(tn + ": page " + std::to_string(p) +
                           " is in use but marked free in the global map");
      }
      try {
        CheckPacked(*page);
      } catch (const Error& e) {
        problems.push_back(tn + ": " + e.what());
      }
      uint16_t n = SlotCount(*page);
      for (uint16_t s = 0; s < n; ++s) {
        Slot slot = ReadSlot(*page, s);
        if (slot.kind == SlotKind::kHome) ++live;
        if (slot.kind == SlotKind::kTarget) targets[{p, s}] += 0;
        if (slot.kind != SlotKind::kOverflow) continue;
        ++live;
        if (slot.bytes.size() < 4) {
          problems.push_back(tn + ": moved row at page " + std::to_string(p) +
                             " row " + std::to_string(s) + " has no pointer");
          continue;
        }
        RowLocation to = RowPointer{LoadU32(slot.bytes.data())}.Location();
        if (!owned_set.count(to.page)) {
          problems.push_back(tn + ": moved row at page " + std::to_string(p) +
                             " points outside the table");
          continue;
        }
        targets[to] += 1;
      }
    }
    for (const auto& [at, count] : targets) {
      PageRef page = pages.Get(at.page);
      bool is_target = page->type() == format::kPageData && at.slot < SlotCount(*page) &&
                       ReadSlot(*page, at.slot).kind == SlotKind::kTarget;
      if (count != 1 || !is_target) {
        problems.push_back(tn + ": moved data at page " + std::to_string(at.page) +
                           " row " + std::to_string(at.slot) + " is reached " +
                           std::to_string(count) + " times" +
                           (is_target ? "" : " and is not moved data"));
      }
    }
    // Access does not keep the counts of its system tables exact.
    if (live != t->row_count && !t->system) {
      problems.push_back(tn + ": row count " + std::to_string(t->row_count) +
                         ", live rows " + std::to_string(live));
    }
    CheckIndexes(db, t, problems);
  }
  return problems;
}

}  // namespace jet
