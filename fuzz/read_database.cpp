// The file reader over any bytes: a damaged file must end in jet::Error,
// never in a crash, a hang, a huge allocation or another exception.
#include <string>
#include <vector>

#include "db/jet/write/checker.h"
#include "db/jet/read/database.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/value_compare.h"

namespace fuzz {
namespace {

// A small cache, so that a scan reads its pages through the cache's
// eviction as large files do.
constexpr size_t kCachePages = 16;

// Reads every value of `row` by each path the reader offers and checks that
// they agree.
void ReadRowValues(const jet::Row& row) {
  const jet::TableDef& table = row.table();
  for (size_t c = 0; c < table.columns.size(); ++c) {
    jet::Value value = row.Get(c);
    if (row.IsNull(c) != jet::IsNull(value)) Fail("IsNull disagrees with Get");
    row.RawBytes(c);
    FormatValue(value);
    const jet::ColumnKind kind = table.columns[c].kind;
    if (kind == jet::ColumnKind::kText || kind == jet::ColumnKind::kMemo) {
      std::u16string text;
      if (row.GetText(c, text) != !jet::IsNull(value)) Fail("GetText disagrees on null");
      if (!jet::IsNull(value) && jet::Value{text} != value) Fail("GetText disagrees with Get");
    } else if (kind == jet::ColumnKind::kBinary || kind == jet::ColumnKind::kOle ||
               kind == jet::ColumnKind::kUnknown) {
      jet::Bytes bytes;
      if (row.GetBytes(c, bytes) != !jet::IsNull(value)) Fail("GetBytes disagrees on null");
      if (!jet::IsNull(value) && jet::Value{bytes} != value) Fail("GetBytes disagrees with Get");
    }
  }
}

void ReadEverything(jet::Database& db) {
  std::vector<std::u16string> names = db.TableNames();
  for (const auto& name : db.SystemTableNames()) names.push_back(name);
  for (const auto& name : names) {
    std::shared_ptr<const jet::TableDef> table;
    try {
      table = db.FindTable(name, true);
    } catch (const jet::Error&) {
      continue;  // one damaged definition; the other tables are still read
    }
    if (!table) continue;
    try {
      jet::RowCursor cursor = db.Scan(table);
      while (cursor.Next()) {
        const jet::Row& row = cursor.row();
        ReadRowValues(row);
        std::optional<jet::Row> again = db.ReadRow(table, row.location());
        if (!again) Fail("a scanned row is not found by its location");
        for (size_t c = 0; c < table->columns.size(); ++c) {
          if (!SameValue(again->Get(c), row.Get(c))) Fail("ReadRow disagrees with the scan");
        }
      }
    } catch (const jet::Error&) {
    }
  }
}

}  // namespace

void ReadDatabaseFile(const uint8_t* data, size_t size) {
  // A file of whole pages past the first: a ragged end is refused at once
  // (the first page alone still tries that refusal), and the mutations
  // that change the length should reach the pages instead.
  if (size > jet::format::kPageSize) size -= size % jet::format::kPageSize;
  std::unique_ptr<jet::Database> db;
  try {
    db = std::make_unique<jet::Database>(
        std::make_unique<jet::MemoryPageFile>(std::vector<uint8_t>(data, data + size), false,
                                              "fuzzed.mdb"),
        kCachePages);
  } catch (const jet::Error&) {
    return;
  }
  try {
    ReadEverything(*db);
  } catch (const jet::Error&) {
  }
  try {
    jet::CheckDatabase(*db);
  } catch (const jet::Error&) {
  }
}

}  // namespace fuzz
