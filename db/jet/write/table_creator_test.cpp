// New tables in an empty database (ours, and one Access made): created with a column of
// every kind the writer stores and two indexes, filled, then read back by
// our reader, the checker and mdbtools.
#include "db/jet/write/table_creator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

using testing::RunCommand;

Decimal DecimalOf(size_t r) {
  Decimal d;
  d.precision = 18;
  d.low = r;
  return d;
}

// An empty database: one we created, or the one Access made, whose "Tables"
// container names four SIDs. `grantees`: the SIDs with rights on "Tables".
struct EmptyDatabase {
  bool ours;
  size_t grantees;
};

class TableCreatorTest : public ::testing::TestWithParam<EmptyDatabase> {};

// Creates a table of every kind in the empty database, fills it and reads
// it back.
TEST_P(TableCreatorTest, EveryKindRoundTripsInAnEmptyDatabase) {
  testing_support::ScratchDir dir;
  const auto path = dir.path() / "db.mdb";
  if (GetParam().ours) {
    CreateDatabase(path);
  } else {
    ATTR_REQUIRE_FIXTURE(source, "access/blank-template.mdb");
    dir.CopyIn(source, "db.mdb");
  }
  const size_t grantees = GetParam().grantees;
  std::vector<ColumnSpec> columns = {
      {u"id", ColumnKind::kLong}, {u"flag", ColumnKind::kBoolean},
      {u"b", ColumnKind::kByte},  {u"i", ColumnKind::kInteger},
      {u"m", ColumnKind::kCurrency}, {u"f", ColumnKind::kSingle},
      {u"d", ColumnKind::kDouble}, {u"t", ColumnKind::kDateTime},
      {u"bin", ColumnKind::kBinary, 20}, {u"name", ColumnKind::kText, 50},
      {u"memo", ColumnKind::kMemo}, {u"g", ColumnKind::kGuid},
      {u"n", ColumnKind::kNumeric}};
  columns[0].auto_number = true;
  const size_t kRows = 1500;
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"things", columns,
                             {{u"PrimaryKey", {u"id"}, true}, {u"name", {u"name"}}});
    EXPECT_JET_ERROR(CreateTable(*db, writer, u"THINGS", columns, {}), kInvalidArgument,
                     "cannot create THINGS: the name is taken");
    // A name the catalog's index cannot key drops the batch, and with it
    // the pages already added.
    EXPECT_THROW(CreateTable(*db, writer, u"\u8868", columns, {}), Error);
    EXPECT_FALSE(writer.InBatch());
    writer.Begin();
    table = CreateTable(*db, writer, u"things", columns,
                        {{u"PrimaryKey", {u"id"}, true}, {u"name", {u"name"}}});
    for (size_t r = 0; r < kRows; ++r) {
      writer.InsertRow(table, {{1, r % 2 == 0}, {2, uint8_t(r % 256)},
                               {3, int16_t(-static_cast<int>(r))},
                               {4, Currency{int64_t(r) * 10000}}, {5, float(r) / 4},
                               {6, double(r) / 8}, {7, DateTime{40000.5 + double(r)}},
                               {8, Bytes{1, 2, uint8_t(r)}},
                               {9, u"row " + std::u16string(r % 40, u'x')},
                               {12, DecimalOf(r)}});
    }
    writer.Commit();
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(db->TableNames(), std::vector<std::u16string>{u"things"});
  auto table = db->GetTable(u"things");
  EXPECT_EQ(table->row_count, kRows);
  RowCursor cursor = db->Scan(table);
  size_t r = 0;
  for (; cursor.Next(); ++r) {
    const Row& row = cursor.row();
    EXPECT_EQ(row.Get(0), Value{int32_t(r + 1)});
    EXPECT_EQ(row.Get(1), Value{r % 2 == 0});
    EXPECT_EQ(row.Get(3), Value{int16_t(-static_cast<int>(r))});
    EXPECT_EQ(row.Get(7), Value{DateTime{40000.5 + double(r)}});
    EXPECT_EQ(row.Get(9), Value{u"row " + std::u16string(r % 40, u'x')});
    EXPECT_TRUE(row.IsNull(10));
    EXPECT_EQ(row.Get(12), Value{DecimalOf(r)});
  }
  EXPECT_EQ(r, kRows);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  // The template grants four SIDs rights on the "Tables" container.
  auto aces = db->GetTable(u"MSysACEs", true);
  size_t granted = 0;
  RowCursor ace = db->Scan(aces);
  while (ace.Next()) {
    int64_t object = 0;
    ace.row().GetInteger(aces->ColumnIndex(u"ObjectId"), object);
    if (object == table->tdef_page) {
      ++granted;
      EXPECT_EQ(ace.row().Get(aces->ColumnIndex(u"ACM")), Value{int32_t{0xFFFFF}});
    }
  }
  EXPECT_EQ(granted, grantees);
  if (!RunCommand("command -v mdb-tables")) return;  // mdbtools not installed
  const std::string file = "'" + path.string() + "'";
  EXPECT_EQ(RunCommand("mdb-ver " + file), "JET4\n");
  EXPECT_EQ(RunCommand("mdb-tables -1 " + file), "things\n");
  auto schema = RunCommand("mdb-schema -T things " + file);
  ASSERT_TRUE(schema);
  for (const char* line : {"[id]\t\t\tLong Integer", "[name]\t\t\tText (50)",
                           "[memo]\t\t\tMemo/Hyperlink (255)", "[flag]\t\t\tBoolean"}) {
    EXPECT_NE(schema->find(line), std::string::npos) << line << "\n" << *schema;
  }
  EXPECT_EQ(testing::MdbExportLineCount(path, "things"), kRows);
  EXPECT_EQ(RunCommand("mdb-count " + file + " things"), std::to_string(kRows) + "\n");
  auto exported = RunCommand("mdb-export -H " + file + " things");
  ASSERT_TRUE(exported);
  EXPECT_NE(exported->find("\n4,0,3,-3,"), std::string::npos) << exported->substr(0, 300);
}

INSTANTIATE_TEST_SUITE_P(Databases, TableCreatorTest,
                         ::testing::Values(EmptyDatabase{true, 3}, EmptyDatabase{false, 4}),
                         [](const auto& info) {
                           return info.param.ours ? "Ours" : "AccessMade";
                         });

// 120 columns with long names take a definition of three pages.
TEST(TableCreator, DefinitionLongerThanAPageContinuesOnFurtherPages) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  CreateDatabase(path);
  std::vector<ColumnSpec> columns;
  for (int k = 0; k < 120; ++k) {
    std::string name = "a_rather_long_column_name_number_" + std::to_string(k);
    columns.push_back({std::u16string(name.begin(), name.end()),
                       k % 2 ? ColumnKind::kText : ColumnKind::kLong, 10});
  }
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"wide", columns, {{u"first", {columns[0].name}}});
    EXPECT_EQ(table->tdef_page_count, 3u);
    for (int r = 0; r < 50; ++r) {
      writer.InsertRow(table, {{0, int32_t{r}}, {119, std::u16string(u"last")}});
    }
    writer.Commit();
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  auto table = db->GetTable(u"wide");
  EXPECT_EQ(table->tdef_page_count, 3u);
  ASSERT_EQ(table->columns.size(), 120u);
  EXPECT_EQ(table->columns[119].name, columns[119].name);
  EXPECT_EQ(table->row_count, 50u);
  RowCursor cursor = db->Scan(table);
  ASSERT_TRUE(cursor.Next());
  EXPECT_EQ(cursor.row().Get(119), Value{std::u16string(u"last")});
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  if (!RunCommand("command -v mdb-schema")) return;  // mdbtools not installed
  auto schema = RunCommand("mdb-schema -T wide '" + path.string() + "'");
  ASSERT_TRUE(schema);
  EXPECT_NE(schema->find("[a_rather_long_column_name_number_119]"), std::string::npos);
  EXPECT_EQ(testing::MdbExportLineCount(path, "wide"), 50u);
}

}  // namespace
}  // namespace jet
