// Row insertion against the fixtures: thousands of rows filling pages and
// growing the usage maps, indexes and row counts kept, autonumbers handed
// out, refusals before anything is written; our reader, the checker and
// mdb-export agreeing afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/utf.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/file/journal.h"
#include "db/jet/file/page_file.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"

namespace jet {
namespace {

using nlohmann::json;
using testing::ExpectSound;
using testing::Source;

// Each case on a database of our own and on a shared fixture.
class WriterInsertTest : public ::testing::TestWithParam<Source> {};

json NewHeadRow(size_t i) {
  json card = i % 3 == 0 ? json(nullptr) : json("card" + std::to_string(i % 7));
  return json::array({"19" + std::to_string(100000 + i), static_cast<int>(i % 400), card});
}

// 6000 rows in batches of 1000 and 20 single-row changes: the last page's
// room is used, new pages are listed, both indexes hold every row.
TEST_P(WriterInsertTest, ThousandsOfRowsReadBackInOrder) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads());
  const std::filesystem::path& path = file.path;
  json expected;
  size_t pages_before;
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    pages_before = db->pages().PageCount();
    expected = testing::ReadNumindex(*db);
    Writer writer(*db, WriterOptions{.sync = false});
    auto table = db->GetTable(u"numindex");
    size_t head = table->ColumnIndex(u"numhead");
    size_t index = table->ColumnIndex(u"index");
    size_t card = table->ColumnIndex(u"cardtype");
    for (size_t i = 0; i < 6020; ++i) {
      if (i < 6000 && i % 1000 == 0) {
        if (writer.InBatch()) writer.Commit();
        writer.Begin();
      }
      if (i == 6000) writer.Commit();  // the rest: one batch per row
      json row = NewHeadRow(i);
      ColumnChanges values = {
          {head, base::Utf8ToUtf16(row[0].get<std::string>())},
          {index, int32_t{row[1].get<int>()}}};
      // A null card type is left out.
      if (!row[2].is_null()) {
        values.emplace_back(card, base::Utf8ToUtf16(row[2].get<std::string>()));
      }
      writer.InsertRow(table, values);
      expected.push_back(row);
    }
    EXPECT_FALSE(writer.InBatch());
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_GT(db->pages().PageCount(), pages_before + 20);
  json actual = testing::ReadNumindex(*db);
  ASSERT_EQ(actual.size(), expected.size());
  // Rows fill the old last page before new pages: new rows keep their
  // order among themselves, old rows theirs.
  json old_rows(expected.begin(), expected.end() - 6020);
  json actual_old, actual_new;
  for (const json& row : actual) {
    bool is_new = row[0].is_string() && row[0].get<std::string>().size() == 8 &&
                  row[0].get<std::string>().rfind("191", 0) == 0;
    (is_new ? actual_new : actual_old).push_back(row);
  }
  EXPECT_EQ(actual_old, old_rows);
  EXPECT_EQ(actual_new, json(expected.end() - 6020, expected.end()));
  EXPECT_EQ(db->GetTable(u"numindex")->row_count, expected.size());
  ExpectSound(*db);
  if (auto lines = testing::MdbExportLineCount(path, "numindex")) {
    EXPECT_EQ(*lines, expected.size());
  }
  if (auto lines = testing::MdbExportNumindex(path)) {
    std::vector<std::string> sorted = *lines;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, testing::ExportLines(expected));
  }
}

// The autonumber goes on from the TDEF's last number; unnamed columns are
// null, Booleans false. On a table with a column of every kind.
TEST_P(WriterInsertTest, AutonumberAndUnnamedColumns) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-types", {});
  const std::filesystem::path& path = file.path;
  if (GetParam() == Source::kOurs) testing_support::AddKindsTable(path);
  const std::string table_name = GetParam() == Source::kOurs ? "kinds" : "alltypes";
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  auto table = db->GetTable(base::Utf8ToUtf16(table_name));
  size_t id = table->ColumnIndex(u"id");
  uint32_t last = table->last_autonumber;
  uint32_t count = table->row_count;
  auto lines_before = testing::MdbExportLineCount(path, table_name);
  EXPECT_JET_ERROR(writer.InsertRow(table, {{id, int32_t{5}}}), kInvalidArgument,
                   "column " + table_name + ".id cannot be changed");
  writer.Begin();
  RowLocation first = writer.InsertRow(table, {});
  RowLocation second = writer.InsertRow(table, {});
  writer.Commit();
  auto reopened = Database::Open(path, OpenMode::kReadOnly);
  auto fresh = reopened->GetTable(base::Utf8ToUtf16(table_name));
  EXPECT_EQ(fresh->last_autonumber, last + 2);
  EXPECT_EQ(fresh->row_count, count + 2);
  size_t seen = 0;
  RowCursor cursor = reopened->Scan(fresh);
  while (cursor.Next()) {
    const Row& row = cursor.row();
    if (row.location() != first && row.location() != second) continue;
    ++seen;
    int64_t number = 0;
    ASSERT_TRUE(row.GetInteger(id, number));
    EXPECT_EQ(number, row.location() == first ? last + 1 : last + 2);
    for (size_t c = 0; c < fresh->columns.size(); ++c) {
      if (c == id) continue;
      if (fresh->columns[c].kind == ColumnKind::kBoolean) {
        EXPECT_EQ(row.Get(c), Value{false});
      } else {
        EXPECT_TRUE(row.IsNull(c)) << base::Utf16ToUtf8(fresh->columns[c].name);
      }
    }
  }
  EXPECT_EQ(seen, 2u);
  ExpectSound(*reopened);
  if (auto lines = testing::MdbExportLineCount(path, table_name)) {
    EXPECT_EQ(*lines, *lines_before + 2);  // memo line breaks add lines
  }
}

// A key a unique index holds already, from the file or from the same batch,
// is refused before the row is written.
TEST_P(WriterInsertTest, UniqueIndexRefusesARepeatedKey) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads());
  const std::filesystem::path& path = file.path;
  auto before = testing::ReadFileBytes(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  auto table = db->GetTable(u"city");
  size_t index = table->ColumnIndex(u"index");
  RowCursor cursor = db->Scan(table);
  ASSERT_TRUE(cursor.Next());
  int64_t taken = 0;
  ASSERT_TRUE(cursor.row().GetInteger(index, taken));
  const std::string refusal =
      "cannot update index PrimaryKey of city: the new value is there already "
      "and the index is unique";
  EXPECT_JET_ERROR(writer.InsertRow(table, {{index, static_cast<int32_t>(taken)}}),
                   kInvalidArgument, refusal);
  EXPECT_FALSE(writer.InBatch());
  EXPECT_EQ(testing::ReadFileBytes(path), before);
  writer.Begin();
  writer.InsertRow(table, {{index, int32_t{90001}}});
  EXPECT_JET_ERROR(writer.InsertRow(table, {{index, int32_t{90001}}}),
                   kInvalidArgument, refusal);
  writer.Commit();
  auto reopened = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(reopened->GetTable(u"city")->row_count, table->row_count + 1);
  ExpectSound(*reopened);
}

INSTANTIATE_TEST_SUITE_P(Databases, WriterInsertTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);


// InsertRows against InsertRow row by row, on copies of one database: the
// files must come out byte for byte the same, on a plain table (rows kept on
// a page of their own until it is full), on one whose deleted rows left
// room, on one with an index (row by row), and when a row is refused part
// way (the rows before it stay in the batch).
struct InsertRowsCase {
  const char* name;
  bool indexed;
  bool deleted_some;
  size_t refused_at;  // SIZE_MAX: none
};

class InsertRowsTest : public ::testing::TestWithParam<InsertRowsCase> {};

std::unique_ptr<Database> MemoryCopy(const std::vector<uint8_t>& bytes) {
  return std::make_unique<Database>(std::make_unique<JournaledFile>(
      std::make_unique<MemoryPageFile>(bytes, true, "copy"), std::filesystem::path{},
      std::filesystem::path{}));
}

TEST_P(InsertRowsTest, LeavesTheFileAsInsertRowDoes) {
  const InsertRowsCase& c = GetParam();
  std::vector<uint8_t> start;
  {
    auto db = NewMemoryDatabase({.created = 45000});
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    std::vector<IndexSpec> indexes;
    if (c.indexed) indexes.push_back({u"head", {u"head"}});
    CreateTable(*db, writer, u"heads",
                {{u"head", ColumnKind::kText, 10}, {u"city", ColumnKind::kLong},
                 {u"flag", ColumnKind::kBoolean}},
                indexes);
    writer.Commit();
    if (c.deleted_some) {
      auto table = db->GetTable(u"heads");
      writer.Begin();
      for (int i = 0; i < 900; ++i) {
        writer.InsertRow(table, {{0, u"x" + std::u16string(9, u'0' + i % 10)}});
      }
      writer.Commit();
      std::vector<RowLocation> rows;
      RowCursor cursor = db->Scan(db->GetTable(u"heads"));
      while (cursor.Next()) rows.push_back(cursor.row().location());
      writer.Begin();
      for (size_t i = 0; i < rows.size(); i += 7) writer.DeleteRow(db->GetTable(u"heads"), rows[i]);
      writer.Commit();
    }
    start = DatabaseBytes(*db);
  }
  constexpr size_t kRows = 3000;
  const auto fill = [&](size_t i, ColumnChanges& values) {
    std::u16string head = base::Utf8ToUtf16(std::to_string(1900000 + (i * 7919) % kRows));
    if (i == c.refused_at) head = u"far too long for the column";
    values = {{0, head}, {1, static_cast<int32_t>(i % 340)}};
    if (i % 3 == 0) values.emplace_back(2, true);
  };
  std::vector<std::vector<uint8_t>> results;
  for (bool bulk : {true, false}) {
    auto db = MemoryCopy(start);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = db->GetTable(u"heads");
    const size_t rows = c.refused_at == SIZE_MAX ? kRows : c.refused_at + 1;
    try {
      if (bulk) {
        writer.InsertRows(table, rows, fill);
      } else {
        ColumnChanges values;
        for (size_t i = 0; i < rows; ++i) {
          fill(i, values);
          writer.InsertRow(table, values);
        }
      }
      EXPECT_EQ(c.refused_at, SIZE_MAX);
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kInvalidArgument) << e.what();
      EXPECT_NE(c.refused_at, SIZE_MAX) << e.what();
      EXPECT_TRUE(writer.InBatch());
    }
    writer.Commit();
    ExpectSound(*db);
    EXPECT_EQ(db->GetTable(u"heads")->row_count,
              (c.deleted_some ? 900 - 129 : 0) + std::min(kRows, c.refused_at));
    results.push_back(DatabaseBytes(*db));
  }
  EXPECT_TRUE(results[0] == results[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, InsertRowsTest,
    ::testing::Values(InsertRowsCase{"Plain", false, false, SIZE_MAX},
                      InsertRowsCase{"AfterDeletions", false, true, SIZE_MAX},
                      InsertRowsCase{"Indexed", true, false, SIZE_MAX},
                      InsertRowsCase{"RefusedPartWay", false, false, 2500}),
    [](const ::testing::TestParamInfo<InsertRowsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace jet
