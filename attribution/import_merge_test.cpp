// Merging a changed release into a database in place: afterwards every head
// answers as the release says, pruning removes exactly the heads it lacks,
// other heads keep their answers, and a second merge writes nothing.
#include "attribution/import_merge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "attribution/attribution_index.h"
#include "attribution/import_builder.h"
#include "attribution/mobile_number.h"
#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace attribution {
namespace {

namespace fs = std::filesystem;

std::u16string U16(const std::string& s) { return base::Utf8ToUtf16(s); }

// The answers of every head of `db`, as import data (cities by their
// texts, card types by their description).
AttributionData FromAnswers(jet::Database& db) {
  AttributionIndex index = AttributionIndex::Load(db);
  AttributionData data;
  std::map<std::u16string, int32_t> city_of;
  std::map<std::u16string, uint32_t> card_of;
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    uint32_t n = index.Find(head);
    if (n == 0) continue;
    const Attribution& a = index.Answer(n);
    std::string area = a.area_code.starts_with("0") ? a.area_code.substr(1) : a.area_code;
    CityRow city{0, U16(a.province), U16(a.city), U16(a.postal_code), U16(area), false};
    std::u16string joined = city.province + u'|' + city.city + u'|' + city.postal_code + u'|' +
                            city.area_code;
    auto [c, fresh] = city_of.try_emplace(joined, static_cast<int32_t>(data.cities.size() + 1));
    if (fresh) {
      city.index = c->second;
      data.cities.push_back(city);
    }
    auto [t, new_type] = card_of.try_emplace(U16(a.card_type),
                                             static_cast<uint32_t>(data.card_types.size()));
    if (new_type) {
      std::string key = std::to_string(data.card_types.size() + 1);
      data.card_types.push_back({std::u16string(key.begin(), key.end()), U16(a.card_type)});
    }
    data.heads.push_back({std::to_string(head), c->second, t->second});
  }
  return data;
}

// A release changed from `data`: some heads moved to another city or card
// type, every 17th dropped, a new city and card type with new heads, and
// the first city's postal code changed.
AttributionData Changed(const AttributionData& data) {
  AttributionData out = data;
  out.heads.clear();
  const int32_t new_city = static_cast<int32_t>(out.cities.size() + 1);
  out.cities.push_back({new_city, u"新疆", u"新城", u"830099", u"999", false});
  out.card_types.push_back({u"77", u"新卡"});
  out.cities[0].postal_code = u"654321";
  for (size_t i = 0; i < data.heads.size(); ++i) {
    HeadRow h = data.heads[i];
    if (i % 17 == 5) continue;
    if (i % 10 == 3) h.city = 1 + static_cast<int32_t>((i / 10) % (out.cities.size()));
    if (i % 13 == 4) h.card_type = static_cast<uint32_t>(out.card_types.size() - 1);
    out.heads.push_back(h);
  }
  for (uint32_t k = 0; k < 300; ++k) {
    out.heads.push_back({std::to_string(1999000 + k), new_city, k % 2});
  }
  return out;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectAnswers(jet::Database& db, const AttributionData& before,
                   const AttributionData& source, bool prune) {
  AttributionIndex index = AttributionIndex::Load(db);
  std::map<int32_t, const CityRow*> city;
  for (const CityRow& c : source.cities) city[c.index] = &c;
  std::set<std::string> in_source;
  for (const HeadRow& h : source.heads) {
    in_source.insert(h.head);
    uint32_t n = index.Find(static_cast<uint32_t>(std::stoul(h.head)));
    ASSERT_NE(n, 0u) << h.head;
    const Attribution& a = index.Answer(n);
    const CityRow& c = *city.at(h.city);
    EXPECT_EQ(a.province, base::Utf16ToUtf8(c.province)) << h.head;
    EXPECT_EQ(a.city, base::Utf16ToUtf8(c.city)) << h.head;
    EXPECT_EQ(a.postal_code, base::Utf16ToUtf8(c.postal_code)) << h.head;
    EXPECT_EQ(a.area_code, c.area_code.empty() ? "" : "0" + base::Utf16ToUtf8(c.area_code));
    EXPECT_EQ(a.card_type, base::Utf16ToUtf8(source.card_types[h.card_type].description));
  }
  for (const HeadRow& h : before.heads) {
    if (in_source.count(h.head)) continue;
    EXPECT_EQ(index.Find(static_cast<uint32_t>(std::stoul(h.head))) != 0, !prune) << h.head;
  }
}

struct Case {
  const char* name;
  const char* fixture;  // nullptr: a database our engine writes
  bool plain, prune;
  // Written from the demonstration data (else built by the import), and
  // whether it has a head without a city row and one without a card type
  // row: their answers become rows of their own.
  std::optional<testing_support::DemoOptions> demo = {};
  bool orphans = false;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ImportMerge : public ::testing::TestWithParam<Case> {};

TEST_P(ImportMerge, AnswersBecomeTheSourcesAndASecondMergeWritesNothing) {
  const Case& param = GetParam();
  testing_support::ScratchDir dir;
  fs::path path = dir.path() / "db.mdb";
  if (param.fixture) {
    ATTR_REQUIRE_FIXTURE(found, param.fixture);
    path = dir.CopyIn(found, "db.mdb");
  } else if (param.demo) {
    testing_support::WriteAttributionDatabase(path, testing_support::DemoAttribution(*param.demo));
  } else {
    AttributionData start;
    start.cities = {{1, u"北京", u"北京", u"100000", u"10"},
                    {2, u"广东", u"深圳", u"518000", u"755"},
                    {3, u"四川", u"成都", u"610000", u"28"}};
    start.card_types = {{u"1", u"中国移动"}, {u"2", u"中国联通"}};
    for (uint32_t i = 0; i < 4000; ++i) {
      start.heads.push_back({std::to_string(1300000 + i * 37), 1 + static_cast<int32_t>(i % 3),
                             i % 5 == 0 ? 1u : 0u});
    }
    jet::SaveDatabaseImage(BuildAttributionImage(start, param.plain, {}), path);
  }
  auto db = jet::Database::Open(path, jet::OpenMode::kReadWrite);
  const std::vector<std::string> baseline = jet::CheckDatabase(*db);
  const AttributionData before = FromAnswers(*db);
  const AttributionData source = Changed(before);

  MergePlan plan = MergeInto(*db, source, {.prune = param.prune});
  EXPECT_EQ(plan.head_inserts.size(), 300u);
  EXPECT_EQ(plan.head_deletes.empty(), !param.prune);
  EXPECT_FALSE(plan.head_updates.empty());
  EXPECT_EQ(plan.new_cities.size(), param.orphans ? 2u : 1u);
  EXPECT_EQ(plan.new_card_types.size(), plan.new_cities.size());
  EXPECT_EQ(plan.city_updates.size(), 1u);
  EXPECT_EQ(plan.plain_heads, param.plain);
  ExpectAnswers(*db, before, source, param.prune);
  EXPECT_EQ(jet::CheckDatabase(*db), baseline);

  db.reset();
  const std::string bytes = Bytes(path);
  db = jet::Database::Open(path, jet::OpenMode::kReadWrite);
  MergePlan again = MergeInto(*db, source, {.prune = param.prune});
  EXPECT_TRUE(again.Empty()) << again.head_updates.size() << " " << again.head_inserts.size();
  db.reset();
  EXPECT_EQ(Bytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportMerge,
    ::testing::Values(Case{"Scrambled", nullptr, false, false},
                      Case{"ScrambledPruned", nullptr, false, true},
                      Case{"PlainPruned", nullptr, true, true},
                      Case{"Demo", nullptr, false, true, testing_support::DemoOptions{}, true},
                      Case{"DemoIndexed", nullptr, true, true, testing_support::IndexedHeads(),
                           true},
                      Case{"SmallFixture", "attrdata-small.mdb", false, true, {}, true},
                      Case{"IndexedFixture", "attrdata-indexed.mdb", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace attribution
