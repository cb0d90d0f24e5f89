// The open database: finding tables, reading rows by location, the page
// cache, and noticing that another process changed the file. On the
// shared fixtures and on databases our engine writes.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "db/jet/read/data_page.h"
#include "db/jet/read/database.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

TEST(Database, FindsTablesAndColumnsWithoutRegardToCase) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-types.mdb");
  auto db = Database::Open(path, OpenMode::kReadOnly);
  auto table = db->FindTable(u"CITY_numeric");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->name, u"city_numeric");
  EXPECT_NE(db->FindTable(u"中文表"), nullptr);
  EXPECT_EQ(table->ColumnIndex(u"SHENG"), 1u);
  EXPECT_EQ(db->FindTable(u"MSysObjects"), nullptr);
  auto objects = db->FindTable(u"msysobjects", true);
  ASSERT_NE(objects, nullptr);
  EXPECT_TRUE(objects->system);
  EXPECT_JET_ERROR(db->GetTable(u"nope"), kNoSuchTable, "no such table: nope");
  EXPECT_JET_ERROR(table->ColumnIndex(u"nope"), kNoSuchColumn,
                   "no such column: city_numeric.nope");
}

// Every row read by its location equals the row the scan gave, moved rows
// included; locations that name no live row give nothing.
TEST(Database, ReadsEveryRowBackByItsLocation) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-types.mdb");
  auto db = Database::Open(path, OpenMode::kReadOnly);
  for (const char16_t* name : {u"alltypes", u"deleted", u"grown"}) {
    auto table = db->GetTable(name);
    RowCursor cursor = db->Scan(table);
    int moved = 0;
    while (cursor.Next()) {
      const Row& row = cursor.row();
      std::optional<Row> again = db->ReadRow(table, row.location());
      ASSERT_TRUE(again.has_value());
      EXPECT_EQ(again->location(), row.location());
      for (size_t c = 0; c < table->columns.size(); ++c) {
        EXPECT_EQ(again->Get(c), row.Get(c));
      }
      PageRef home = db->pages().Get(row.location().page);
      if (ReadSlot(*home, row.location().slot).kind == SlotKind::kOverflow) ++moved;
    }
    if (std::u16string(name) == u"grown") {
      EXPECT_EQ(moved, 400);
    }
  }
  auto deleted = db->GetTable(u"deleted");
  auto grown = db->GetTable(u"grown");
  RowCursor cursor = db->Scan(deleted);
  ASSERT_TRUE(cursor.Next());
  RowLocation first = cursor.row().location();
  EXPECT_FALSE(db->ReadRow(deleted, {0, 0}).has_value());
  EXPECT_FALSE(db->ReadRow(deleted, {db->pages().PageCount(), 0}).has_value());
  EXPECT_FALSE(db->ReadRow(deleted, {first.page, 255}).has_value());
  EXPECT_FALSE(db->ReadRow(grown, first).has_value());  // another table's page
  // Every third row of `deleted` was deleted: slot 2 of its first page.
  EXPECT_FALSE(db->ReadRow(deleted, {first.page, 2}).has_value());
}

TEST(Database, FindsTablesAndColumnsWithoutRegardToCaseInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(), {});
  testing_support::AddKindsTable(path);
  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(db->TableNames(),
            (std::vector<std::u16string>{u"city", u"cardtype", u"numindex", u"kinds"}));
  auto table = db->FindTable(u"KINDS");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->name, u"kinds");
  EXPECT_EQ(table->ColumnIndex(u"TXT"), 9u);
  EXPECT_EQ(db->FindTable(u"MSysObjects"), nullptr);
  auto objects = db->FindTable(u"msysobjects", true);
  ASSERT_NE(objects, nullptr);
  EXPECT_TRUE(objects->system);
  EXPECT_JET_ERROR(db->GetTable(u"nope"), kNoSuchTable, "no such table: nope");
  EXPECT_JET_ERROR(table->ColumnIndex(u"nope"), kNoSuchColumn, "no such column: kinds.nope");
}

// The same where rows were moved by updates that made them longer.
TEST(Database, ReadsEveryRowBackByItsLocationInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(), testing_support::MixedHeads());
  auto db = Database::Open(path, OpenMode::kReadWrite);
  auto table = db->GetTable(u"numindex");
  {
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
  table = db->GetTable(u"numindex");
  RowCursor cursor = db->Scan(table);
  int moved = 0;
  int rows = 0;
  while (cursor.Next()) {
    const Row& row = cursor.row();
    std::optional<Row> again = db->ReadRow(table, row.location());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->location(), row.location());
    for (size_t c = 0; c < table->columns.size(); ++c) EXPECT_EQ(again->Get(c), row.Get(c));
    PageRef home = db->pages().Get(row.location().page);
    if (ReadSlot(*home, row.location().slot).kind == SlotKind::kOverflow) ++moved;
    ++rows;
  }
  EXPECT_EQ(rows, 280);
  EXPECT_GT(moved, 0);
  auto city = db->GetTable(u"city");
  RowCursor first_city = db->Scan(city);
  ASSERT_TRUE(first_city.Next());
  RowLocation first = first_city.row().location();
  EXPECT_FALSE(db->ReadRow(city, {0, 0}).has_value());
  EXPECT_FALSE(db->ReadRow(city, {db->pages().PageCount(), 0}).has_value());
  EXPECT_FALSE(db->ReadRow(city, {first.page, 255}).has_value());
  EXPECT_FALSE(db->ReadRow(table, first).has_value());  // another table's page
}

void CheckATinyCacheReadsTheSameRowsAndKeepsRowsAlive(const fs::path& path) {
  Database big(OpenPageFile(path, OpenMode::kReadOnly));
  Database tiny(OpenPageFile(path, OpenMode::kReadOnly), 1);
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

TEST(Database, ATinyCacheReadsTheSameRowsAndKeepsRowsAlive) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  CheckATinyCacheReadsTheSameRowsAndKeepsRowsAlive(path);
}

TEST(Database, ATinyCacheReadsTheSameRowsAndKeepsRowsAliveInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  testing_support::DemoOptions options;
  options.extra_heads = 1000;  // a few pages
  CheckATinyCacheReadsTheSameRowsAndKeepsRowsAlive(
      testing_support::WriteDemoDatabase(dir.path(), options));
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

// `source`: a database whose first city lies in 北京.
void CheckRefreshNoticesChanges(const fs::path& source) {
  testing_support::ScratchDir scratch;
  fs::path path = scratch.CopyIn(source, "shared.mdb");
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
  fs::path fresh = scratch.CopyIn(source, "fresh.mdb");
  fs::rename(fresh, path);
  EXPECT_TRUE(db->RefreshIfChanged());
  EXPECT_EQ(FirstValue(*db, u"city", 1), u"北京");
}

TEST(Database, RefreshNoticesChangesMadeInPlaceAndByReplacement) {
  ATTR_REQUIRE_FIXTURE(source, "attrdata-small.mdb");
  CheckRefreshNoticesChanges(source);
}

TEST(Database, RefreshNoticesChangesMadeInPlaceAndByReplacementInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  CheckRefreshNoticesChanges(testing_support::WriteDemoDatabase(dir.path(), {}));
}

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
