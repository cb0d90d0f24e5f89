// The figures and findings of data made to hold each oddity once.
#include "attribution/data_report.h"

#include <gtest/gtest.h>

#include "attribution/test_db.h"

namespace attribution {
namespace {

using testing::Plain;
using testing::Scrambled;

testing::TestData Odd() {
  testing::TestData data;
  data.cities = {{1, u"湖北", u"襄阳", u"441000", u"710"},
                 {2, u"湖北", u"襄阳", u"441000", u"724"},
                 {3, u"北京", u"北京", u"100000", u"010"},  // quhao with its 0
                 {4, u"新疆", u"", u"8300", u"9911"},       // no heads; odd codes
                 {1, u"重复", u"重复", u"000000", u"00"}};   // key taken: never used
  data.card_types = {{u"1", u"中国移动"}, {u"2", u"中国联通"}};
  const auto head = [&](std::optional<std::u16string> numhead, std::optional<int32_t> index,
                        std::u16string cardtype) {
    data.heads.push_back({std::move(numhead), index, std::move(cardtype)});
  };
  head(Scrambled("1300000"), 1, u"1");
  head(Scrambled("1300001"), 2, u"1");
  head(Scrambled("1300002"), 2, u"2");
  head(Plain("1390000"), 3, u"1");
  head(Scrambled("1390000"), 3, u"1");  // twice, the same answer
  head(Scrambled("1300001"), 1, u"1");  // twice, another city
  head(Scrambled("1200000"), 1, u"1");  // not 13 to 19
  head(Scrambled("1500000"), 77, u"1"); // no such city
  head(Scrambled("1500001"), 1, u"9");  // no such card type
  head(Plain("2500000"), 1, u"1");      // no lookup finds it
  head(std::nullopt, 1, u"1");
  return data;
}

TEST(DataReport, FiguresCountHeadsCitiesAndCardTypes) {
  auto db = testing::MakeDatabase(Odd());
  LoadReport report;
  const AttributionIndex index = AttributionIndex::Load(*db, &report);
  const DataInfo info = DescribeData(index, report);
  EXPECT_EQ(info.heads, 7u);
  EXPECT_EQ(info.scrambled, 7u);  // the scrambled row of 1390000 wins
  EXPECT_EQ(info.plain, 0u);
  EXPECT_EQ(info.undecodable, 2u);
  EXPECT_EQ(info.provinces, 4u);
  EXPECT_EQ(info.cities, 4u);
  EXPECT_EQ(info.city_rows, 5u);
  EXPECT_EQ(info.largest_province, "湖北");
  EXPECT_EQ(info.largest_city, "襄阳");
  EXPECT_EQ(info.largest_heads, 5u);  // 1300000-2, 1200000, 1500001
  EXPECT_EQ(info.heads_by_prefix[0], 3u);
  EXPECT_EQ(info.heads_by_prefix[9], 1u);
  EXPECT_EQ(info.heads_by_prefix[20], 2u);
  ASSERT_EQ(info.card_types.size(), 3u);
  EXPECT_EQ(info.card_types[0], (std::pair<std::string, size_t>{"中国移动", 5}));
  // Card types of as many heads in the order of their names.
  EXPECT_EQ(info.card_types[1], (std::pair<std::string, size_t>{"9", 1}));
}

TEST(DataReport, FindingsCountEachOddityAndSayWhichHarm) {
  auto db = testing::MakeDatabase(Odd());
  LoadReport report;
  const AttributionIndex index = AttributionIndex::Load(*db, &report);
  struct Want {
    const char* what;
    bool harmful;
    size_t count;
    std::vector<std::string> examples;
  };
  const Want wanted[] = {
      {"stored heads that no lookup finds (not seven digits starting with 1)", true, 2,
       {"2500000", "(empty)"}},
      {"heads not starting with 13 to 19", false, 1, {"1200000"}},
      {"heads stored twice with different answers (the first row answers)", true, 1,
       {"1300001: 湖北|襄阳|441000|0724|中国移动 / 湖北|襄阳|441000|0710|中国移动"}},
      {"heads stored twice with the same answer", false, 1, {"1390000"}},
      {"heads whose city key has no city row", true, 1, {"1500000", "key 77"}},
      {"heads whose card type key has no cardtype row", true, 1, {"1500001", "key 9"}},
      {"city rows whose area code keeps its leading 0 (shown with two)", true, 2,
       {"index 3 北京 北京 010", "index 1 重复 重复 00"}},
      {"city rows without heads", false, 2, {"index 4 新疆 ", "index 1 重复 重复"}},
      {"city rows whose postal code is not six digits", false, 1, {"index 4 新疆  '8300'"}},
      {"city rows whose area code is not 2 or 3 digits after the 0", false, 1,
       {"index 4 新疆  '9911'"}},
      {"city names held by several city rows", false, 1,
       {"湖北 襄阳 (2 rows, 2 postal and area codes)"}},
  };
  const std::vector<Finding> found = CheckData(index, report);
  ASSERT_EQ(found.size(), std::size(wanted));
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].what, wanted[i].what);
    EXPECT_EQ(found[i].harmful, wanted[i].harmful) << found[i].what;
    EXPECT_EQ(found[i].count, wanted[i].count) << found[i].what;
    EXPECT_EQ(found[i].examples, wanted[i].examples) << found[i].what;
  }
}

TEST(DataReport, SoundDataHasNoFindings) {
  testing::TestData data;
  data.cities = {{1, u"北京", u"北京", u"100000", u"10"}};
  data.card_types = {{u"1", u"中国移动"}};
  data.heads = {{Scrambled("1380000"), 1, u"1"}, {Plain("1380001"), 1, u"1"}};
  auto db = testing::MakeDatabase(data);
  LoadReport report;
  const AttributionIndex index = AttributionIndex::Load(*db, &report);
  EXPECT_TRUE(CheckData(index, report).empty());
  const DataInfo info = DescribeData(index, report);
  EXPECT_EQ(info.scrambled, 1u);
  EXPECT_EQ(info.plain, 1u);
}

}  // namespace
}  // namespace attribution
