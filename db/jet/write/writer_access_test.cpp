// The writer over our own files, files made by Access and every column
// kind: each text column of each table rewritten longer (rows moved where
// they no longer fit), every other value kept, indexes kept or the change
// refused before anything is written.
#include <gtest/gtest.h>

#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/format/error.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"

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

// The files and how many of their tables at least take the longer text,
// and how many refuse it (an index whose keys are not known exactly).
struct Files {
  testing::Source source;
  int rewrites, refusals;
};

class WriterAccessTest : public ::testing::TestWithParam<Files> {};

// Our own database (the three tables under indexes and the table of every
// kind), or the shared one of every kind and every file Access made.
TEST_P(WriterAccessTest, EveryTextColumnRewrittenLonger) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(types, GetParam().source, dir.path(), "attrdata-types",
                     testing_support::IndexedHeads());
  std::vector<fs::path> files{types.path};
  if (GetParam().source == testing::Source::kOurs) {
    testing_support::AddKindsTable(types.path);
  } else {
    for (const auto& entry :
         fs::directory_iterator(*testing_support::FixturePath("access"))) {
      if (entry.path().extension() == ".mdb") files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  int rewrites = 0, refusals = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    RewriteEveryTextColumn(file, rewrites, refusals);
  }
  EXPECT_GE(rewrites, GetParam().rewrites);
  EXPECT_GE(refusals, GetParam().refusals);
}

INSTANTIATE_TEST_SUITE_P(Databases, WriterAccessTest,
                         ::testing::Values(Files{testing::Source::kOurs, 4, 0},
                                           Files{testing::Source::kSharedFixture, 21, 3}),
                         [](const auto& info) {
                           return testing::SourceName({info.param.source, info.index});
                         });

}  // namespace
}  // namespace jet
