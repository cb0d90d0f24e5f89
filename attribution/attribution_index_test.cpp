// The attribution index against databases made in memory: the window's
// first-row rules, scrambled and plain heads, missing cities and card types,
// and the decoding of stored heads checked against the codec.
#include "attribution/attribution_index.h"

#include <gtest/gtest.h>

#include <random>

#include "attribution/column_values.h"
#include "attribution/test_db.h"
#include "codec/number_head.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/write/index_adder.h"
#include "db/jet/write/writer.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace attribution {
namespace {

using testing::Plain;
using testing::Scrambled;

// province|city|postal|area|card of the head's answer, or "-" when none.
std::string AnswerText(const AttributionIndex& index, uint32_t head) {
  const uint32_t n = index.Find(head);
  if (n == 0) return "-";
  const Attribution& a = index.Answer(n);
  return a.province + "|" + a.city + "|" + a.postal_code + "|" + a.area_code + "|" +
         a.card_type;
}

testing::TestData Sample() {
  testing::TestData data;
  data.cities = {{1, u"北京", u"北京", u"100000", u"10"},
                 {7, u"广东", u"深圳", u"518000", u"755"},
                 {7, u"广东", u"深圳二", u"518001", u"756"},
                 {26, u"四川", u"成都", u"610000", u"28"},
                 {30, u"上海", u"上海", u"200000", u""}};
  data.card_types = {{u"1", u"中国移动"},
                     {u"A", u"字母卡"},
                     {u"2", u"中国联通"},
                     {u"2", u"联通二"},
                     {std::nullopt, u"空键"}};
  const auto head = [&](std::optional<std::u16string> numhead, std::optional<int32_t> index,
                        std::u16string cardtype) {
    data.heads.push_back({std::move(numhead), index, std::move(cardtype)});
  };
  head(Scrambled("1380013"), 1, u"1");
  head(Scrambled("1581308"), 7, u"1");
  head(Scrambled("1581308"), 26, u"2");   // a second row of the head
  head(Plain("1390800"), 26, u"2");       // never scrambled
  head(Plain("1530613"), 1, u"1");        // plain first, then scrambled
  head(Scrambled("1530613"), 7, u"2");
  head(Scrambled("1397589"), 1, u"99");   // no such card type
  head(Scrambled("1500000"), 9999, u"1"); // no such city
  head(Scrambled("1860000"), 1, u"a");    // card type key in another case
  head(Scrambled("1870000"), 30, u"");    // empty key; city without area code
  head(Scrambled("1880000"), std::nullopt, u"1");
  head(Plain("1890000"), 1, u"1");        // plain twice: the first wins
  head(Plain("1890000"), 26, u"1");
  // Rows alike but for the head and one other column.
  head(Scrambled("1600000"), 1, u"1");
  head(Scrambled("1600001"), 1, u"2");
  head(Scrambled("1600002"), 7, u"2");
  head(Scrambled("1600003"), 7, u"2");
  // Stored forms no lookup can match.
  std::u16string big_group = Scrambled("1770000");
  big_group.replace(0, 3, u"256");
  head(big_group, 1, u"1");
  head(Scrambled("2770000"), 1, u"1");
  head(Scrambled("17a0000"), 1, u"1");
  head(Plain("2780000"), 1, u"1");
  head(Plain("178000"), 1, u"1");
  head(Plain("178000x"), 1, u"1");
  head(Plain(" 1790000"), 1, u"1");
  head(std::nullopt, 1, u"1");
  return data;
}

TEST(AttributionIndex, AnswersAsTheWindowDoes) {
  auto db = testing::MakeDatabase(Sample());
  const AttributionIndex index = AttributionIndex::Load(*db);
  EXPECT_EQ(AnswerText(index, 1380013), "北京|北京|100000|010|中国移动");
  EXPECT_EQ(AnswerText(index, 1581308), "广东|深圳|518000|0755|中国移动");
  EXPECT_EQ(AnswerText(index, 1390800), "四川|成都|610000|028|中国联通");
  EXPECT_EQ(AnswerText(index, 1530613), "广东|深圳|518000|0755|中国联通");
  EXPECT_EQ(AnswerText(index, 1397589), "北京|北京|100000|010|99");
  EXPECT_EQ(AnswerText(index, 1500000), "||||中国移动");
  EXPECT_EQ(AnswerText(index, 1860000), "北京|北京|100000|010|字母卡");
  EXPECT_EQ(AnswerText(index, 1870000), "上海|上海|200000||");
  EXPECT_EQ(AnswerText(index, 1880000), "||||中国移动");
  EXPECT_EQ(AnswerText(index, 1890000), "北京|北京|100000|010|中国移动");
  EXPECT_EQ(AnswerText(index, 1600000), "北京|北京|100000|010|中国移动");
  EXPECT_EQ(AnswerText(index, 1600001), "北京|北京|100000|010|中国联通");
  EXPECT_EQ(AnswerText(index, 1600002), "广东|深圳|518000|0755|中国联通");
  EXPECT_EQ(AnswerText(index, 1600003), "广东|深圳|518000|0755|中国联通");
  for (uint32_t head : {1770000u, 1780000u, 1790000u, 1380014u, 1000000u, 1999999u}) {
    EXPECT_EQ(AnswerText(index, head), "-") << head;
  }
  EXPECT_EQ(index.HeadCount(), 14u);
  // Equal answers are kept once.
  EXPECT_EQ(index.Find(1380013), index.Find(1890000));
}

// Loading only some heads gives them the answers of the whole index (first
// row, scrambled before plain) and leaves every other head out, whether the
// rows are found by a scan or through an index on numhead.
TEST(AttributionIndex, LoadingSomeHeadsAnswersThemAsTheWholeIndexDoes) {
  auto db = testing::MakeDatabase(Sample());
  const AttributionIndex whole = AttributionIndex::Load(*db);
  const std::vector<uint32_t> asked = {1380013, 1390800, 1397589, 1500000, 1600003,
                                       1890000, 1770000, 1999999};
  for (bool indexed : {false, true}) {
    if (indexed) {
      jet::Writer writer(*db, jet::WriterOptions{.sync = false});
      writer.Begin();
      jet::AddIndex(*db, writer, u"numindex", {u"numhead", {u"numhead"}});
      writer.Commit();
    }
    const AttributionIndex some = AttributionIndex::LoadFor(*db, asked);
    for (uint32_t head : asked) {
      EXPECT_EQ(AnswerText(some, head), AnswerText(whole, head)) << head << " " << indexed;
    }
    EXPECT_EQ(AnswerText(some, 1581308), "-");
    EXPECT_EQ(some.HeadCount(), 6u);
  }
}

// A lookup loads only the heads of a few numbers given, every head for more
// or for numbers still to come; text that is no mobile number is passed over.
TEST(AttributionIndex, LookupLoadsOnlyTheHeadsOfAFewNumbers) {
  testing_support::ScratchDir dir;
  const std::filesystem::path file = dir.path() / "attrdata.mdb";
  testing::SaveDatabase(Sample(), file);
  const std::vector<std::string> few = {"13800130000", "+86 158-1308-0000", "hello"};
  const std::vector<std::string> most_few(kFewNumbers, "13800130000");
  const std::vector<std::string> many(kFewNumbers + 1, "13800130000");
  for (const auto& [numbers, heads] : std::vector<std::pair<std::vector<std::string>, size_t>>{
           {few, 2}, {most_few, 1}, {many, 14}, {{}, 14}}) {
    const AttributionIndex index = LoadForLookup(file, numbers);
    EXPECT_EQ(index.HeadCount(), heads) << numbers.size();
    EXPECT_EQ(AnswerText(index, 1380013), "北京|北京|100000|010|中国移动");
  }
  EXPECT_THROW(LoadForLookup(dir.path() / "absent.mdb", few), jet::Error);
}

// Heads sought a few at a time answer as the whole index; one sought again
// is not read again; a file changed between two seeks is read afresh; a
// file without an index on numhead says it cannot be sought.
TEST(AttributionIndex, SeekerAnswersAsTheWholeIndexAndFollowsAChange) {
  testing_support::ScratchDir dir;
  const std::filesystem::path file = dir.path() / "attrdata.mdb";
  testing::SaveDatabase(Sample(), file);
  EXPECT_FALSE(HeadSeeker(file).Seekable());

  const auto add_index = [&] {
    auto db = jet::Database::Open(file, jet::OpenMode::kReadWrite);
    jet::Writer writer(*db, jet::WriterOptions{.sync = false});
    writer.Begin();
    jet::AddIndex(*db, writer, u"numindex", {u"numhead", {u"numhead"}});
    writer.Commit();
  };
  add_index();
  const AttributionIndex whole = LoadForLookup(file, {});
  HeadSeeker seeker(file);
  ASSERT_TRUE(seeker.Seekable());
  const std::vector<std::vector<uint32_t>> groups = {
      {1380013}, {1390800, 1530613, 1999999}, {1380013, 1500000, 1890000, 1770000}, {}};
  for (const std::vector<uint32_t>& group : groups) {
    EXPECT_FALSE(seeker.Seek(group));
    for (uint32_t head : group) {
      EXPECT_EQ(AnswerText(seeker.index(), head), AnswerText(whole, head)) << head;
    }
  }
  EXPECT_EQ(seeker.index().HeadCount(), 5u);
  EXPECT_EQ(AnswerText(seeker.index(), 1581308), "-");  // never asked

  // Another program scrambles a head stored plain, in another city.
  {
    auto db = jet::Database::Open(file, jet::OpenMode::kReadWrite);
    jet::Writer writer(*db, jet::WriterOptions{.sync = false});
    auto numindex = db->GetTable(u"numindex");
    writer.InsertRow(numindex, {{numindex->ColumnIndex(u"numhead"), Scrambled("1390800")},
                                {numindex->ColumnIndex(u"index"), int32_t{1}},
                                {numindex->ColumnIndex(u"cardtype"), std::u16string(u"1")}});
  }
  EXPECT_TRUE(seeker.Seek({1390800}));
  EXPECT_EQ(AnswerText(seeker.index(), 1390800), "北京|北京|100000|010|中国移动");
  EXPECT_EQ(seeker.index().HeadCount(), 1u);
}

TEST(AttributionIndex, EmptyTablesAnswerNothingMissingTablesRaise) {
  auto db = testing::MakeDatabase({});
  const AttributionIndex index = AttributionIndex::Load(*db);
  EXPECT_EQ(index.HeadCount(), 0u);
  EXPECT_EQ(index.Find(1380013), 0u);
  auto bare = jet::NewMemoryDatabase();
  try {
    AttributionIndex::Load(*bare);
    ADD_FAILURE() << "a database without the tables was read";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::kNoSuchTable);
    EXPECT_STREQ(e.what(), "no such table: city");
  }
}

// The same rows stored scrambled and plain: the large shared fixture, or
// the demonstration data with 10000 more heads that our engine writes.
struct ScrambledAndPlainFiles {
  const char* name;
  const char* scrambled;  // shared fixtures; nullptr: written here
  const char* plain;
  size_t heads;
  std::vector<std::pair<uint32_t, std::string>> answers;  // as the rows written say
};

void PrintTo(const ScrambledAndPlainFiles& files, std::ostream* out) { *out << files.name; }

class ScrambledAndPlain : public ::testing::TestWithParam<ScrambledAndPlainFiles> {};

// Every head found in both, with the same answers, and a few checked
// against the rows written into them.
TEST_P(ScrambledAndPlain, EveryHeadAnswersAlike) {
  const ScrambledAndPlainFiles& files = GetParam();
  testing_support::ScratchDir dir;
  std::filesystem::path scrambled_path, plain_path;
  if (files.scrambled) {
    ATTR_REQUIRE_FIXTURE(scrambled_fixture, files.scrambled);
    ATTR_REQUIRE_FIXTURE(plain_fixture, files.plain);
    scrambled_path = scrambled_fixture;
    plain_path = plain_fixture;
  } else {
    testing_support::DemoOptions options;
    options.extra_heads = 10000;
    scrambled_path = testing_support::WriteDemoDatabase(dir.path(), options, "scrambled.mdb");
    options.heads = testing_support::HeadForm::kPlain;
    plain_path = testing_support::WriteDemoDatabase(dir.path(), options, "plain.mdb");
  }
  auto scrambled_db = jet::Database::Open(scrambled_path, jet::OpenMode::kReadOnly, 16);
  auto plain_db = jet::Database::Open(plain_path, jet::OpenMode::kReadOnly, 16);
  const AttributionIndex scrambled = AttributionIndex::Load(*scrambled_db);
  const AttributionIndex plain = AttributionIndex::Load(*plain_db);
  EXPECT_EQ(scrambled.HeadCount(), files.heads);
  EXPECT_EQ(plain.HeadCount(), files.heads);
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    ASSERT_EQ(AnswerText(scrambled, head), AnswerText(plain, head)) << head;
  }
  for (const auto& [head, answer] : files.answers) {
    EXPECT_EQ(AnswerText(scrambled, head), answer) << head;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Databases, ScrambledAndPlain,
    ::testing::Values(
        // 275 distinct heads (1355500 twice: the first row, 深圳, answers),
        // and 1470000-1479999.
        ScrambledAndPlainFiles{"Ours", nullptr, nullptr, 275 + 10000,
                               {{1355500, "广东|深圳|518000|0755|中国移动"},
                                {1990002, "演示|演示区😀|000000|00|中国电信"},
                                {1530999, "||||中国电信"},  // no city 999
                                {1480000, "-"}}},
        ScrambledAndPlainFiles{"SharedFixture", "attrdata-large.mdb",
                               "attrdata-large-plain.mdb", 507620,
                               {{1300000, "吉林|吉林|132000|0432|中国联通"},
                                {1701140, "内蒙古|乌兰察布|012000|0474|电信虚拟运营商"},
                                {1999999, "辽宁|大连|116000|0411|中国电信"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every head of a run, in order (the heads share their first cipher bytes)
// and shuffled, reads back as the codec encoded it.
TEST(StoredHeadDecoder, ReadsWhatTheCodecWrote) {
  std::vector<uint32_t> heads;
  for (uint32_t h = 1300000; h < 1303000; ++h) heads.push_back(h);
  for (uint32_t h = 1999000; h <= 1999999; ++h) heads.push_back(h);
  std::vector<uint32_t> shuffled = heads;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
  heads.insert(heads.end(), shuffled.begin(), shuffled.end());
  StoredHeadDecoder decoder;
  for (uint32_t h : heads) {
    uint32_t head = 0;
    bool plain = true;
    ASSERT_TRUE(decoder.Decode(Scrambled(std::to_string(h)), head, plain)) << h;
    EXPECT_EQ(head, h);
    EXPECT_FALSE(plain);
    ASSERT_TRUE(decoder.Decode(Plain(std::to_string(h)), head, plain)) << h;
    EXPECT_EQ(head, h);
    EXPECT_TRUE(plain);
  }
}

// With the first six cipher bytes of the head before it, every possible
// last group is taken exactly when the codec decodes it to a head.
TEST(StoredHeadDecoder, LastGroupAgreesWithTheCodec) {
  StoredHeadDecoder decoder;
  for (const char* start : {"1380013", "1999999", "1000000", "0380013", "13a0013"}) {
    const std::u16string stored = Scrambled(start);
    for (int value = 0; value < 1000; ++value) {
      std::u16string changed = stored;
      const std::string group = codec::PadNumber(value, 3);
      changed.replace(18, 3, Plain(group));
      const std::string decoded = codec::DecodeNumberHead(std::string(changed.begin(), changed.end()));
      const bool is_head = value <= 255 && decoded.size() == 7 && decoded[0] == '1' &&
                           decoded.find_first_not_of("0123456789") == std::string::npos;
      uint32_t head = 0;
      bool plain = false;
      // The unchanged head first, so that the last group is read alone.
      uint32_t ignored = 0;
      decoder.Decode(stored, ignored, plain);
      ASSERT_EQ(decoder.Decode(changed, head, plain), is_head) << start << " " << group;
      if (is_head) {
        EXPECT_EQ(std::to_string(head), decoded);
      }
    }
  }
}

TEST(StoredHeadDecoder, RefusesOtherForms) {
  StoredHeadDecoder decoder;
  uint32_t head = 0;
  bool plain = false;
  const std::u16string good = Scrambled("1380013");
  for (std::u16string stored :
       {std::u16string(), good.substr(0, 18), good + u"0", Plain("13800"), Plain("013800"),
        std::u16string(u" 048254120249091211081")}) {
    EXPECT_FALSE(decoder.Decode(stored, head, plain)) << stored.size();
  }
  for (size_t at = 0; at < good.size(); ++at) {
    std::u16string changed = good;
    changed[at] = u'x';
    EXPECT_FALSE(decoder.Decode(changed, head, plain)) << at;
    decoder.Decode(good, head, plain);
  }
}

}  // namespace
}  // namespace attribution
