// The open database: finding tables, reading rows by location, the page
// cache, and noticing that another process changed the file. On the
// shared fixtures and on databases our engine writes.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "base/utf.h"
#include "db/jet/read/data_page.h"
#include "db/jet/read/database.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

using testing::Source;

// What the cases expect of a database with a table of every kind: ours (the
// three tables with mixed heads, every other head grown so that its row
// moved, and "kinds") or the shared one of every kind and storage feature.
struct DatabaseCase {
  Source source;
  std::vector<std::u16string> table_names;
  std::u16string table, column;  // found whatever the case of their names
  size_t column_at;
  std::vector<std::u16string> read_back;  // tables read back by location
  std::u16string moved_in;                // one of them, whose rows moved
  int moved_at_least;
  std::u16string probe;  // its locations that name no live row give nothing
  std::optional<uint16_t> deleted_slot;  // a deleted row of probe's first page
};

class DatabaseTest : public ::testing::TestWithParam<DatabaseCase> {
 protected:
  void SetUp() override {
    testing_support::DemoOptions options = testing_support::MixedHeads();
    placed_ = testing::PlaceAttributionFile(GetParam().source, dir_.path(), "attrdata-types",
                                            options);
    if (!placed_) GTEST_SKIP() << "shared fixture absent";
    if (GetParam().source == Source::kOurs) {
      testing_support::AddKindsTable(placed_->path);
      auto db = Database::Open(placed_->path, OpenMode::kReadWrite);
      auto table = db->GetTable(u"numindex");
      Writer writer(*db, WriterOptions{.sync = false});
      std::vector<RowLocation> homes;
      RowCursor cursor = db->Scan(table);
      while (cursor.Next()) homes.push_back(cursor.row().location());
      writer.Begin();
      for (size_t i = 0; i < homes.size(); i += 2) {
        writer.UpdateRow(table, homes[i], {{0, std::u16string(30, u'5')}});
      }
      writer.Commit();
    }
  }
  testing_support::ScratchDir dir_;
  std::optional<testing::AttributionFile> placed_;
};

std::u16string AsciiUpper(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

TEST_P(DatabaseTest, FindsTablesAndColumnsWithoutRegardToCase) {
  const DatabaseCase& c = GetParam();
  auto db = Database::Open(placed_->path, OpenMode::kReadOnly);
  EXPECT_EQ(db->TableNames(), c.table_names);
  auto table = db->FindTable(AsciiUpper(c.table));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->name, c.table);
  EXPECT_EQ(table->ColumnIndex(AsciiUpper(c.column)), c.column_at);
  EXPECT_EQ(db->FindTable(u"MSysObjects"), nullptr);
  auto objects = db->FindTable(u"msysobjects", true);
  ASSERT_NE(objects, nullptr);
  EXPECT_TRUE(objects->system);
  EXPECT_JET_ERROR(db->GetTable(u"nope"), kNoSuchTable, "no such table: nope");
  EXPECT_JET_ERROR(table->ColumnIndex(u"nope"), kNoSuchColumn,
                   "no such column: " + base::Utf16ToUtf8(c.table) + ".nope");
}

// Every row read by its location equals the row the scan gave, moved rows
// included; locations that name no live row give nothing.
TEST_P(DatabaseTest, ReadsEveryRowBackByItsLocation) {
  const DatabaseCase& c = GetParam();
  auto db = Database::Open(placed_->path, OpenMode::kReadOnly);
  for (const std::u16string& name : c.read_back) {
    auto table = db->GetTable(name);
    RowCursor cursor = db->Scan(table);
    int moved = 0;
    uint32_t rows = 0;
    for (; cursor.Next(); ++rows) {
      const Row& row = cursor.row();
      std::optional<Row> again = db->ReadRow(table, row.location());
      ASSERT_TRUE(again.has_value());
      EXPECT_EQ(again->location(), row.location());
      for (size_t col = 0; col < table->columns.size(); ++col) {
        EXPECT_EQ(again->Get(col), row.Get(col));
      }
      PageRef home = db->pages().Get(row.location().page);
      if (ReadSlot(*home, row.location().slot).kind == SlotKind::kOverflow) ++moved;
    }
    EXPECT_EQ(rows, table->row_count);
    if (name == c.moved_in) {
      EXPECT_GE(moved, c.moved_at_least);
    }
  }
  auto probe = db->GetTable(c.probe);
  auto other = db->GetTable(c.moved_in);
  RowCursor cursor = db->Scan(probe);
  ASSERT_TRUE(cursor.Next());
  RowLocation first = cursor.row().location();
  EXPECT_FALSE(db->ReadRow(probe, {0, 0}).has_value());
  EXPECT_FALSE(db->ReadRow(probe, {db->pages().PageCount(), 0}).has_value());
  EXPECT_FALSE(db->ReadRow(probe, {first.page, 255}).has_value());
  EXPECT_FALSE(db->ReadRow(other, first).has_value());  // another table's page
  if (c.deleted_slot) {
    EXPECT_FALSE(db->ReadRow(probe, {first.page, *c.deleted_slot}).has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Databases, DatabaseTest,
    ::testing::Values(
        DatabaseCase{Source::kOurs, {u"city", u"cardtype", u"numindex", u"kinds"},
                     u"kinds", u"txt", 9, {u"city", u"kinds", u"numindex"}, u"numindex",
                     1, u"city", std::nullopt},
        // Every third row of `deleted` was deleted: slot 2 of its first page.
        DatabaseCase{Source::kSharedFixture,
                     {u"city_numeric", u"city_double", u"alltypes", u"deleted", u"grown",
                      u"wide", u"中文表"},
                     u"city_numeric", u"sheng", 1, {u"alltypes", u"deleted", u"grown"},
                     u"grown", 400, u"deleted", uint16_t{2}}),
    [](const auto& info) { return testing::SourceName({info.param.source, info.index}); });

class DatabaseFileTest : public ::testing::TestWithParam<Source> {};

TEST_P(DatabaseFileTest, ATinyCacheReadsTheSameRowsAndKeepsRowsAlive) {
  testing_support::ScratchDir dir;
  testing_support::DemoOptions options;
  options.extra_heads = 1000;  // a few pages
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-small", options);
  Database big(OpenPageFile(file.path, OpenMode::kReadOnly));
  Database tiny(OpenPageFile(file.path, OpenMode::kReadOnly), 1);
  auto a = big.GetTable(u"numindex");
  auto b = tiny.GetTable(u"numindex");
  RowCursor ca = big.Scan(a);
  RowCursor cb = tiny.Scan(b);
  std::optional<Row> kept;
  while (ca.Next()) {
    ASSERT_TRUE(cb.Next());
    for (size_t c = 0; c < a->columns.size(); ++c) {
      ASSERT_EQ(ca.row().Get(c), cb.row().Get(c));
    }
    if (!kept) kept = cb.row();
  }
  EXPECT_FALSE(cb.Next());
  EXPECT_EQ(std::get<std::u16string>(kept->Get(0)).size(), 21u);
}

// The bytes of column `column` of the first row of `table`, as a file offset.
uint64_t FileOffsetOfFirstValue(Database& db, const char16_t* table, size_t column) {
  auto t = db.GetTable(table);
  RowCursor cursor = db.Scan(t);
  EXPECT_TRUE(cursor.Next());
  PageRef page = db.pages().Get(cursor.row().location().page);
  auto raw = cursor.row().RawBytes(column);
  return uint64_t{page->number} * format::kPageSize +
         static_cast<uint64_t>(raw.data() - page->bytes.data());
}

std::u16string FirstValue(Database& db, const char16_t* table, size_t column) {
  RowCursor cursor = db.Scan(db.GetTable(table));
  EXPECT_TRUE(cursor.Next());
  return std::get<std::u16string>(cursor.row().Get(column));
}

// The first city of either database lies in 北京.
TEST_P(DatabaseFileTest, RefreshNoticesChangesMadeInPlaceAndByReplacement) {
  testing_support::ScratchDir scratch;
  JET_PLACE_DATABASE(source, GetParam(), scratch.path(), "attrdata-small", {}, "source.mdb");
  fs::path path = scratch.CopyIn(source.path, "shared.mdb");
  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_FALSE(db->RefreshIfChanged());
  ASSERT_EQ(FirstValue(*db, u"city", 1), u"北京");
  auto definition = db->GetTable(u"city");

  // Another process rewrites 北 (U+5317) as 南 (U+5357) in place.
  uint64_t offset = FileOffsetOfFirstValue(*db, u"city", 1);
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.put(static_cast<char>(0x57));
  }
  fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(2));
  EXPECT_EQ(FirstValue(*db, u"city", 1), u"北京");  // still cached
  EXPECT_TRUE(db->RefreshIfChanged());
  EXPECT_FALSE(db->RefreshIfChanged());
  EXPECT_EQ(FirstValue(*db, u"city", 1), u"南京");
  EXPECT_NE(db->GetTable(u"city"), definition);  // read afresh
  EXPECT_EQ(definition->name, u"city");          // the old one stays valid

  // Another process replaces the file with a fresh copy.
  fs::path fresh = scratch.CopyIn(source.path, "fresh.mdb");
  fs::rename(fresh, path);
  EXPECT_TRUE(db->RefreshIfChanged());
  EXPECT_EQ(FirstValue(*db, u"city", 1), u"北京");
}

INSTANTIATE_TEST_SUITE_P(Databases, DatabaseFileTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

TEST(PageCache, WritesThroughAndKeepsOldPagesForTheirHolders) {
  std::vector<uint8_t> bytes(3 * format::kPageSize, 0);
  MemoryPageFile file(bytes);
  PageCache cache(file, 2);
  PageRef before = cache.Get(1);
  Page changed = *before;
  changed.bytes[10] = 0xAB;
  cache.Write(changed);
  EXPECT_EQ(before->bytes[10], 0);  // a holder keeps what it read
  EXPECT_EQ(cache.Get(1)->bytes[10], 0xAB);
  EXPECT_EQ(file.bytes()[format::kPageSize + 10], 0xAB);

  Page appended;
  appended.number = 3;
  appended.bytes[0] = format::kPageData;
  cache.Write(appended);
  EXPECT_EQ(cache.PageCount(), 4u);
  EXPECT_EQ(file.Size(), 4u * format::kPageSize);
  appended.number = 9;
  EXPECT_JET_ERROR(cache.Write(appended), kInvalidArgument,
                   "page 9 lies beyond the end of the file (4 pages)");
  EXPECT_JET_ERROR(cache.Get(4), kCorrupt,
                   "damaged database: page 4: page number beyond the end of "
                   "the file (4 pages)");

  MemoryPageFile read_only(bytes, false, "ro.mdb");
  PageCache ro(read_only, 2);
  EXPECT_JET_ERROR(ro.Write(changed), kReadOnly,
                   "ro.mdb: the database is open read-only");
}

}  // namespace
}  // namespace jet
