// Emptying a table: the pages stay the table's and are filled again before
// the file grows; its indexes start afresh.
#include <gtest/gtest.h>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

void Fill(Writer& writer, const std::shared_ptr<const TableDef>& table, int first, int count) {
  writer.Begin();
  for (int k = first; k < first + count; ++k) {
    writer.InsertRow(table, {{0, int32_t{k}}, {1, u"head " + std::u16string(k % 30, u'7')}});
  }
  writer.Commit();
}

std::vector<int64_t> Keys(Database& db, const std::u16string& name) {
  std::vector<int64_t> keys;
  RowCursor cursor = db.Scan(db.GetTable(name));
  while (cursor.Next()) {
    int64_t key = 0;
    cursor.row().GetInteger(0, key);
    keys.push_back(key);
  }
  return keys;
}

// A new database at `path` holding the empty table heads(id, text) with a
// primary key, open read-write.
std::unique_ptr<Database> HeadsDatabase(const std::filesystem::path& path) {
  CreateDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  CreateTable(*db, writer, u"heads",
              {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 50}},
              {{u"PrimaryKey", {u"id"}, true}});
  writer.Commit();
  return db;
}

TEST(WriterDelete, EmptiedTableIsRefilledInPlaceWithItsUniqueKeysFreeAgain) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  CreateDatabase(path);
  uint64_t size_full = 0;
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    CreateTable(*db, writer, u"heads",
                {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 50},
                 {u"note", ColumnKind::kMemo}},
                {{u"PrimaryKey", {u"id"}, true}, {u"text", {u"text"}}});
    writer.Commit();
    Fill(writer, db->GetTable(u"heads"), 0, 3000);
    size_full = std::filesystem::file_size(path);

    writer.DeleteAllRows(db->GetTable(u"heads"));
    EXPECT_EQ(db->GetTable(u"heads")->row_count, 0u);
    EXPECT_TRUE(Keys(*db, u"heads").empty());
    for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;

    // The same keys again: the unique index no longer holds them.
    Fill(writer, db->GetTable(u"heads"), 0, 2000);
  }
  // The data pages were taken again; only the text index grew anew.
  EXPECT_LE(std::filesystem::file_size(path), size_full + 12 * 4096);
  auto db = Database::Open(path, OpenMode::kReadOnly);
  std::vector<int64_t> keys = Keys(*db, u"heads");
  ASSERT_EQ(keys.size(), 2000u);
  for (size_t k = 0; k < keys.size(); ++k) ASSERT_EQ(keys[k], static_cast<int64_t>(k));
  EXPECT_EQ(db->GetTable(u"heads")->row_count, 2000u);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  EXPECT_EQ(testing::MdbExportLineCount(path, "heads").value_or(2000), 2000u);
}

TEST(WriterDelete, RolledBackDeletionLeavesEveryRow) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  auto db = HeadsDatabase(path);
  Writer writer(*db, WriterOptions{.sync = false});
  Fill(writer, db->GetTable(u"heads"), 0, 500);
  writer.Begin();
  writer.DeleteAllRows(db->GetTable(u"heads"));
  writer.Rollback();
  EXPECT_EQ(Keys(*db, u"heads").size(), 500u);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
}

// A file grown beyond the 512 pages the global map's first window covers:
// the map then counts every page in use (Access's reference form), so no
// page of another table is ever counted free, before or after emptying.
TEST(WriterDelete, FileOutgrowingTheGlobalWindowKeepsEveryPageInUse) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  auto db = HeadsDatabase(path);
  Writer writer(*db, WriterOptions{.sync = false});
  // Rows of 50 characters: about 60 to a page.
  const int rows = 40000;
  for (int k = 0; k < rows; k += 5000) {
    writer.Begin();
    auto table = db->GetTable(u"heads");
    for (int32_t id = k; id < k + 5000; ++id) {
      writer.InsertRow(table, {{0, id}, {1, std::u16string(50, static_cast<char16_t>(u'a' + id % 26))}});
    }
    writer.Commit();
  }
  ASSERT_GT(db->pages().PageCount(), 512u);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  uint64_t size = std::filesystem::file_size(path);
  writer.DeleteAllRows(db->GetTable(u"heads"));
  Fill(writer, db->GetTable(u"heads"), 0, 5000);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  EXPECT_LE(std::filesystem::file_size(path), size + 40 * 4096);
}

}  // namespace
}  // namespace jet
