// The TDEF encoder against every table of our own database and of the
// fixtures: each definition written to a new page and read back by our
// reader is the same definition.
#include "db/jet/write/table_def_writer.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "db/jet/read/database.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/usage_map_writer.h"
#include "db/jet/write/writer.h"

namespace jet {
namespace {

void ExpectSameDefinition(const TableDef& a, const TableDef& b) {
  EXPECT_EQ(a.system, b.system);
  EXPECT_EQ(a.row_count, b.row_count);
  EXPECT_EQ(a.last_autonumber, b.last_autonumber);
  EXPECT_EQ(a.max_columns, b.max_columns);
  EXPECT_EQ(a.max_var_columns, b.max_var_columns);
  EXPECT_EQ(a.owned_pages, b.owned_pages);
  EXPECT_EQ(a.free_pages, b.free_pages);
  ASSERT_EQ(a.columns.size(), b.columns.size());
  for (size_t i = 0; i < a.columns.size(); ++i) {
    const Column& x = a.columns[i];
    const Column& y = b.columns[i];
    SCOPED_TRACE(base::Utf16ToUtf8(x.name));
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.type_code, y.type_code);
    EXPECT_EQ(x.number, y.number);
    EXPECT_EQ(x.var_index, y.var_index);
    EXPECT_EQ(x.fixed_offset, y.fixed_offset);
    EXPECT_EQ(x.length, y.length);
    EXPECT_EQ(x.flags, y.flags);
    EXPECT_EQ(x.precision, y.precision);
    EXPECT_EQ(x.scale, y.scale);
    EXPECT_EQ(x.sort_order, y.sort_order);
    EXPECT_EQ(x.compressed, y.compressed);
  }
  ASSERT_EQ(a.indexes.size(), b.indexes.size());
  for (size_t i = 0; i < a.indexes.size(); ++i) {
    const Index& x = a.indexes[i];
    const Index& y = b.indexes[i];
    SCOPED_TRACE(base::Utf16ToUtf8(x.name));
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.number, y.number);
    EXPECT_EQ(x.real_index, y.real_index);
    ASSERT_EQ(x.columns.size(), y.columns.size());
    for (size_t k = 0; k < x.columns.size(); ++k) {
      EXPECT_EQ(x.columns[k].column_number, y.columns[k].column_number);
      EXPECT_EQ(x.columns[k].ascending, y.columns[k].ascending);
    }
    EXPECT_EQ(x.root_page, y.root_page);
    EXPECT_EQ(x.page_map, y.page_map);
    EXPECT_EQ(x.primary_key, y.primary_key);
    EXPECT_EQ(x.foreign_key, y.foreign_key);
    EXPECT_EQ(x.unique, y.unique);
    EXPECT_EQ(x.ignore_nulls, y.ignore_nulls);
    EXPECT_EQ(x.required, y.required);
  }
  ASSERT_EQ(a.long_value_maps.size(), b.long_value_maps.size());
  for (size_t i = 0; i < a.long_value_maps.size(); ++i) {
    EXPECT_EQ(a.long_value_maps[i].column_number, b.long_value_maps[i].column_number);
    EXPECT_EQ(a.long_value_maps[i].owned, b.long_value_maps[i].owned);
    EXPECT_EQ(a.long_value_maps[i].free, b.long_value_maps[i].free);
  }
}

using testing::Source;

class TableDefWriterTest : public ::testing::TestWithParam<Source> {};

// System and user tables, every column kind, numeric precision, fixed text,
// composite and descending indexes, shared real indexes, memo column maps:
// of our own database (the three tables under indexes and the table of
// every kind), or of the shared fixtures and the files Access made.
TEST_P(TableDefWriterTest, EveryTableReadsBackTheSame) {
  std::vector<std::string> files{"attrdata-types"};  // ours: the one database
  if (GetParam() == Source::kSharedFixture) {
    for (const char* name :
         {"attrdata-indexed", "access/testV2000", "access/indexTestV2000",
          "access/fixedNumericTestV2000", "access/fixedTextTestV2000",
          "access/compIndexTestV2000", "access/testIndexPropertiesV2000",
          "access/delColTestV2000"}) {
      files.push_back(name);
    }
  }
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    testing_support::ScratchDir dir;
    JET_PLACE_DATABASE(source, GetParam(), dir.path(), name,
                       testing_support::IndexedHeads());
    if (GetParam() == Source::kOurs) testing_support::AddKindsTable(source.path);
    auto db = Database::Open(source.path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    std::vector<std::u16string> names = db->TableNames();
    for (const std::u16string& table : db->SystemTableNames()) names.push_back(table);
    for (const std::u16string& table : names) {
      SCOPED_TRACE(base::Utf16ToUtf8(table));
      auto original = db->GetTable(table, true);
      if (original->tdef_page_count > 1) continue;  // one page only, for now
      Page page = TableDefPage(*original, 0);
      uint32_t number = AppendPage(db->pages(), page);
      TableDef copy = ReadTableDef(db->pages(), number, table);
      ExpectSameDefinition(*original, copy);
    }
    writer.Rollback();
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, TableDefWriterTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

TEST(TableDefWriter, RefusesADefinitionLongerThanAPage) {
  TableDef table;
  table.name = u"wide";
  for (uint16_t i = 0; i < 120; ++i) {
    Column c;
    c.name = u"column number " + base::Utf8ToUtf16(std::to_string(i));
    c.kind = ColumnKind::kLong;
    c.number = i;
    table.columns.push_back(c);
  }
  EXPECT_JET_ERROR(TableDefPage(table, 9), kInvalidArgument,
                   "table definition of wide does not fit one page");
}

}  // namespace
}  // namespace jet
