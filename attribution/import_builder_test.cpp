// The in-memory build read back by our reader: every row in input order,
// heads scrambled or plain, and a file the checker finds sound.
#include "attribution/import_builder.h"

#include <gtest/gtest.h>

#include "codec/number_head.h"
#include "db/jet/write/checker.h"
#include "db/jet/read/database.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/file/journal.h"
#include "db/jet/file/page_file.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"

namespace attribution {
namespace {

AttributionData Sample(size_t heads) {
  AttributionData data;
  data.cities = {{5, u"北京", u"北京", u"100000", u"10"}, {2, u"广东", u"深圳", u"", u""}};
  data.card_types = {{u"1", u"中国移动"}, {u"k", u"中国电信"}};
  for (size_t i = 0; i < heads; ++i) {
    data.heads.push_back({std::to_string(1300000 + i * 7), i % 3 ? 5 : 2,
                          static_cast<uint32_t>(i % 2)});
  }
  return data;
}

std::unique_ptr<jet::Database> Open(std::vector<uint8_t> bytes) {
  return std::make_unique<jet::Database>(
      std::make_unique<jet::MemoryPageFile>(std::move(bytes), false));
}

// The rows of `table`, each value as text ("" for null), in stored order.
std::vector<std::vector<std::u16string>> Rows(jet::Database& db, std::u16string_view table) {
  std::vector<std::vector<std::u16string>> rows;
  auto t = db.GetTable(table);
  jet::RowCursor cursor = db.Scan(t);
  while (cursor.Next()) {
    rows.emplace_back();
    for (size_t c = 0; c < t->columns.size(); ++c) {
      jet::Value v = cursor.row().Get(c);
      if (auto* text = std::get_if<std::u16string>(&v)) {
        rows.back().push_back(*text);
      } else if (std::holds_alternative<int32_t>(v) || std::holds_alternative<int16_t>(v)) {
        std::string s = std::holds_alternative<int32_t>(v) ? std::to_string(std::get<int32_t>(v))
                                                           : std::to_string(std::get<int16_t>(v));
        rows.back().push_back(std::u16string(s.begin(), s.end()));
      } else {
        rows.back().push_back(jet::IsNull(v) ? u"" : u"?");
      }
    }
  }
  return rows;
}

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

TEST(ImportBuilder, RowsReadBackInInputOrderWithScrambledHeads) {
  const AttributionData data = Sample(45000);  // more than two batches
  std::vector<int64_t> progress;
  auto db = Open(BuildAttributionImage(data, false, [&](int64_t done, int64_t total) {
    EXPECT_EQ(total, 45004);
    progress.push_back(done);
  }));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 45004);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(db->TableNames(), (std::vector<std::u16string>{u"city", u"cardtype", u"numindex"}));

  auto cities = Rows(*db, u"city");
  ASSERT_EQ(cities.size(), 2u);
  EXPECT_EQ(cities[0], (std::vector<std::u16string>{u"5", u"北京", u"北京", u"100000", u"10"}));
  EXPECT_EQ(cities[1], (std::vector<std::u16string>{u"2", u"广东", u"深圳", u"", u""}));
  EXPECT_EQ(Rows(*db, u"cardtype"),
            (std::vector<std::vector<std::u16string>>{{u"1", u"中国移动"}, {u"k", u"中国电信"}}));

  auto heads = Rows(*db, u"numindex");
  ASSERT_EQ(heads.size(), data.heads.size());
  for (size_t i = 0; i < heads.size(); ++i) {
    const HeadRow& want = data.heads[i];
    ASSERT_EQ(heads[i][0], Ascii(codec::EncodeNumberHead(want.head))) << i;
    ASSERT_EQ(heads[i][1], Ascii(std::to_string(want.city))) << i;
    ASSERT_EQ(heads[i][2], data.card_types[want.card_type].key) << i;
  }
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

TEST(ImportBuilder, PlainHeadsAreTheSevenDigits) {
  const AttributionData data = Sample(3);
  auto db = Open(BuildAttributionImage(data, true, nullptr));
  auto heads = Rows(*db, u"numindex");
  ASSERT_EQ(heads.size(), 3u);
  EXPECT_EQ(heads[0][0], u"1300000");
  EXPECT_EQ(heads[2][0], u"1300014");
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

TEST(ImportBuilder, NoHeadsGiveEmptyTables) {
  auto db = Open(BuildAttributionImage(AttributionData{}, false, nullptr));
  EXPECT_EQ(db->GetTable(u"numindex")->row_count, 0u);
  EXPECT_TRUE(Rows(*db, u"city").empty());
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

// A database in memory over `bytes`, as jet::LoadDatabaseIntoMemory gives.
std::unique_ptr<jet::Database> Writable(std::vector<uint8_t> bytes) {
  return std::make_unique<jet::Database>(std::make_unique<jet::JournaledFile>(
      std::make_unique<jet::MemoryPageFile>(std::move(bytes)), std::filesystem::path(),
      std::filesystem::path()));
}

// An existing database made by hand: the given tables (each with a unique
// index on its first column when `unique_first_column`), and a table
// "notes" of one row.
std::vector<uint8_t> Existing(
    const std::vector<std::pair<std::u16string, std::vector<jet::ColumnSpec>>>& tables,
    bool unique_first_column) {
  auto db = jet::NewMemoryDatabase();
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  writer.Begin();
  for (const auto& [name, columns] : tables) {
    std::vector<jet::IndexSpec> indexes;
    if (unique_first_column) indexes.push_back({u"first", {columns[0].name}, false, true});
    jet::CreateTable(*db, writer, name, columns, indexes);
  }
  jet::CreateTable(*db, writer, u"notes", {{u"note", jet::ColumnKind::kText, 40}}, {});
  writer.Commit();
  writer.InsertRow(db->GetTable(u"notes"), {{0, std::u16string(u"kept")}});
  return jet::DatabaseBytes(*db);
}

const std::vector<jet::ColumnSpec> kCity = {{u"index", jet::ColumnKind::kLong},
                                            {u"sheng", jet::ColumnKind::kText, 20},
                                            {u"shi", jet::ColumnKind::kText, 20},
                                            {u"youbian", jet::ColumnKind::kLong},
                                            {u"quhao", jet::ColumnKind::kInteger}};
const std::vector<jet::ColumnSpec> kCardType = {{u"cardtype", jet::ColumnKind::kText, 4},
                                                {u"describe", jet::ColumnKind::kText, 20}};
std::vector<jet::ColumnSpec> Numindex(uint16_t head_size) {
  return {{u"numhead", jet::ColumnKind::kText, head_size},
          {u"index", jet::ColumnKind::kLong},
          {u"cardtype", jet::ColumnKind::kText, 4}};
}

// Imports `first` heads, then Sample(5) over them, into an existing
// database whose tables have unique indexes; returns the result.
std::unique_ptr<jet::Database> ReplacedTwice(size_t first) {
  auto base = Existing({{u"city", kCity}, {u"cardtype", kCardType}, {u"numindex", Numindex(21)}},
                       true);
  base = BuildAttributionImage(Sample(first), false, nullptr, Writable(std::move(base)));
  return Open(BuildAttributionImage(Sample(5), false, nullptr, Writable(std::move(base))));
}

// Emptying a numindex whose index has grown to some hundred pages, in a
// file grown beyond the global map's first window, leaves no page of
// another table counted free.
TEST(ImportBuilder, ReplacingALargeIndexedTableKeepsTheGlobalMap) {
  auto db = ReplacedTwice(30000);
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

TEST(ImportBuilder, ReplacingKeepsTheTablesTheirIndexesAndOtherTables) {
  // The second import empties what the first filled.
  auto db = ReplacedTwice(10000);
  const AttributionData data = Sample(5);
  EXPECT_EQ(db->TableNames(),
            (std::vector<std::u16string>{u"city", u"cardtype", u"numindex", u"notes"}));
  EXPECT_EQ(Rows(*db, u"notes"), (std::vector<std::vector<std::u16string>>{{u"kept"}}));
  // Number columns take the codes as numbers; an empty code is null.
  EXPECT_EQ(Rows(*db, u"city"),
            (std::vector<std::vector<std::u16string>>{{u"5", u"北京", u"北京", u"100000", u"10"},
                                                      {u"2", u"广东", u"深圳", u"", u""}}));
  auto heads = Rows(*db, u"numindex");
  ASSERT_EQ(heads.size(), 5u);
  EXPECT_EQ(heads[4][0], Ascii(codec::EncodeNumberHead(data.heads[4].head)));
  EXPECT_EQ(db->GetTable(u"numindex")->indexes.size(), 1u);
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

TEST(ImportBuilder, ExistingTablesThatCannotHoldTheDataAreRefused) {
  auto narrow = Existing({{u"city", kCity}, {u"cardtype", kCardType}, {u"numindex", Numindex(10)}},
                         false);
  EXPECT_NO_THROW(BuildAttributionImage(Sample(2), true, nullptr, Writable(narrow)));
  try {
    BuildAttributionImage(Sample(2), false, nullptr, Writable(narrow));
    ADD_FAILURE() << "scrambled heads fit a 10-character column";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "value too long for numindex.numhead: 21 characters, at most 10");
  }
  AttributionData letters = Sample(1);
  letters.cities[0].postal_code = u"10000A";
  try {
    BuildAttributionImage(letters, true, nullptr, Writable(narrow));
    ADD_FAILURE() << "letters went into a number column";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()), "city.youbian (LONG) cannot hold '10000A'");
  }
  try {
    BuildAttributionImage(Sample(1), true, nullptr,
                          Writable(Existing({{u"numindex", Numindex(21)}, {u"city", kCity}}, false)));
    ADD_FAILURE() << "a database with two of the tables was filled";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "the database has table city, numindex but not cardtype");
  }
}

TEST(ImportBuilder, ADatabaseWithoutTheTablesGetsThem) {
  auto db = Open(BuildAttributionImage(Sample(3), false, nullptr, Writable(Existing({}, false))));
  EXPECT_EQ(db->TableNames(),
            (std::vector<std::u16string>{u"notes", u"city", u"cardtype", u"numindex"}));
  EXPECT_EQ(Rows(*db, u"numindex").size(), 3u);
  for (const std::string& problem : jet::CheckDatabase(*db)) ADD_FAILURE() << problem;
}

}  // namespace
}  // namespace attribution
