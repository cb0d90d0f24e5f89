// The in-memory build read back by our reader: every row in input order,
// heads scrambled or plain, and a file the checker finds sound.
#include "tools/attrdb/import_builder.h"

#include <gtest/gtest.h>

#include "codec/number_head.h"
#include "db/jet/checker.h"
#include "db/jet/database.h"
#include "db/jet/page_file.h"

namespace attrdb {
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
      } else if (auto* n = std::get_if<int32_t>(&v)) {
        std::string s = std::to_string(*n);
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

}  // namespace
}  // namespace attrdb
