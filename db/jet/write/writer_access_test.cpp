// The writer over files made by Access and over every column kind: each
// text column of each table rewritten longer (rows moved where they no
// longer fit), every other value kept, indexes kept or the change refused
// before anything is written.
#include <gtest/gtest.h>

#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/format/error.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

struct TableRows {
  std::vector<RowLocation> homes;
  std::vector<std::vector<Value>> values;
};

TableRows ReadAll(Database& db, const std::shared_ptr<const TableDef>& t) {
  TableRows rows;
  RowCursor cursor = db.Scan(t);
  while (cursor.Next()) {
    rows.homes.push_back(cursor.row().location());
    std::vector<Value> values;
    for (size_t c = 0; c < t->columns.size(); ++c) values.push_back(cursor.row().Get(c));
    rows.values.push_back(std::move(values));
  }
  return rows;
}

// The text columns a row update may change.
std::vector<size_t> TextColumns(const TableDef& t) {
  std::vector<size_t> columns;
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (t.columns[c].kind == ColumnKind::kText && !t.columns[c].fixed &&
        ColumnWritable(t.columns[c]) && t.columns[c].Size() >= 4) {
      columns.push_back(c);
    }
  }
  return columns;
}

std::u16string Longer(const Value& old, size_t size) {
  std::u16string text = IsNull(old) ? u"" : std::get<std::u16string>(old);
  text += u"Grown1";
  if (text.size() > size) text.resize(size);
  return text;
}

void RewriteEveryTextColumn(const fs::path& source, int& rewrites, int& refusals) {
  testing_support::ScratchDir dir;
  fs::path path = dir.CopyIn(source, "db.mdb");
  auto db = Database::Open(path, OpenMode::kReadWrite);
  std::vector<std::string> baseline = CheckDatabase(*db);
  Writer writer(*db, WriterOptions{.sync = false});
  for (const std::u16string& name : db->TableNames()) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    auto t = db->GetTable(name);
    std::vector<size_t> columns = TextColumns(*t);
    if (columns.empty()) continue;
    TableRows before = ReadAll(*db, t);
    std::vector<std::vector<Value>> expected = before.values;
    bool refused = false;
    writer.Begin();
    try {
      for (size_t r = 0; r < before.homes.size(); ++r) {
        ColumnChanges changes;
        for (size_t c : columns) {
          std::u16string value = Longer(before.values[r][c], t->columns[c].Size());
          expected[r][c] = value;
          changes.emplace_back(c, value);
        }
        writer.UpdateRow(t, before.homes[r], changes);
      }
      writer.Commit();
    } catch (const Error& e) {
      // Only an index whose keys are not known exactly may refuse.
      ASSERT_NE(std::string(e.what()).find("cannot update index"), std::string::npos)
          << e.what();
      writer.Rollback();
      refused = true;
    }
    ++(refused ? refusals : rewrites);
    std::string narrow = base::Utf16ToUtf8(name);
    auto lines_before = testing::MdbExportLineCount(source, narrow);
    auto lines_after = testing::MdbExportLineCount(path, narrow);
    EXPECT_EQ(lines_before, lines_after);
    t = db->GetTable(name);
    TableRows after = ReadAll(*db, t);
    EXPECT_EQ(after.homes, before.homes);
    EXPECT_TRUE(after.values == (refused ? before.values : expected));
  }
  EXPECT_EQ(CheckDatabase(*db), baseline);
}

TEST(WriterAccess, EveryTextColumnRewrittenLonger) {
  ATTR_REQUIRE_FIXTURE(types, "attrdata-types.mdb");
  std::vector<fs::path> files{types};
  for (const auto& entry : fs::directory_iterator(types.parent_path() / "access")) {
    if (entry.path().extension() == ".mdb") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  int rewrites = 0, refusals = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    RewriteEveryTextColumn(file, rewrites, refusals);
  }
  // The fixtures hold tables of both kinds.
  EXPECT_GT(rewrites, 20);
  EXPECT_GT(refusals, 2);
}

}  // namespace
}  // namespace jet
