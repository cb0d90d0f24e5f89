// The lookup, list and segment commands through fake controls, on the
// shared fixtures and on databases our engine writes.
#include "commands/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <filesystem>

#include "base/gbk.h"
#include "codec/number_head.h"
#include "commands/fake_controls.h"
#include "db/connection.h"
#include "db/connection_state.h"
#include "db/jet/file/file_lock.h"
#include "db/query.h"
#include "platform/process.h"
#include "testing/attribution_db.h"
#include "testing/expect_raise.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"


namespace commands {
namespace {

std::string Gbk(std::u16string_view text) { return base::Utf16ToGbk(text); }

const std::string kNotFound = Gbk(u"对不起，没有查询到这个卡号的归属地");

// A working folder holding a copy of a fixture as attrdata.mdb, with the
// connection and the cursor open on it.
class CommandsTest : public ::testing::Test {
 protected:
  void OpenFixture(const std::filesystem::path& fixture) {
    db_path_ = scratch_.CopyIn(fixture, "attrdata.mdb");
    OpenInFolder();
  }
  // The same with the demonstration database written by our engine.
  void OpenOwn(const testing_support::DemoOptions& options = {}) {
    data_ = testing_support::DemoAttribution(options);
    db_path_ = scratch_.path() / "attrdata.mdb";
    testing_support::WriteAttributionDatabase(db_path_, data_);
    OpenInFolder();
  }
  void OpenInFolder() {
    old_cwd_ = std::filesystem::current_path();
    query_.SetParamCheck(false);  // as the window's cursor
    std::filesystem::current_path(scratch_.path());
    connection_.Open();
  }
  void TearDown() override {
    query_.Close();
    connection_.Close();
    if (!old_cwd_.empty()) std::filesystem::current_path(old_cwd_);
  }

  testing_support::ScratchDir scratch_;
  testing_support::AttributionData data_;
  std::filesystem::path db_path_;
  std::filesystem::path old_cwd_;
  db::TADOConnection connection_;
  db::TADOQuery query_{connection_};
  FakeText e1_, e2_, e3_, e4_, e5_, e6_;
  LookupTab lookup_{e1_, e2_, e3_, e4_, e5_, e6_};
  FakeCombo provinces_, cities_;
  FakeMemo memo_;
  SegmentTab segments_{provinces_, cities_, memo_};
  FakeShell shell_;

  std::vector<std::string> Boxes() const {
    return {e2_.text, e3_.text, e4_.text, e5_.text, e6_.text};
  }
};

TEST(QuotedValue, DoublesEveryQuote) {
  EXPECT_EQ(QuotedValue(""), "''");
  EXPECT_EQ(QuotedValue("a'b''"), "'a''b'''''");
  EXPECT_EQ(QuotedValue(Gbk(u"广东")), "'" + Gbk(u"广东") + "'");
}

// The memo text a listing of city `index` gives: each stored head of the
// dataset decoded, with "xxxx" and a line break.
std::string ListingOf(const testing_support::AttributionData& data, int32_t index) {
  std::string text;
  for (const testing_support::HeadRow& row : data.heads) {
    if (row.index != index) continue;
    text += codec::DecodeNumberHead(row.numhead.value_or("")) + "xxxx\r\n";
  }
  return text;
}

using Strings = std::vector<std::string>;  // GBK

// A number typed and the five boxes it fills.
struct Lookup {
  std::string typed;
  Strings boxes;
};
// A segment listing of a province and a city.
struct Listing {
  std::string sheng, shi;  // GBK
  int lines;
  std::vector<int32_t> keys;  // the city rows listed, in table order
};

// The databases a case runs on and what they answer.
struct Source {
  std::string name;
  bool shared;  // the shared fixtures, else the demonstration database
  std::vector<Lookup> found, missing_city_or_card;
  std::string head;  // a head found, then typed forms of no head
  Strings not_found;
  Strings provinces;
  std::vector<std::pair<std::u16string, Strings>> cities;  // of a province
  std::vector<Listing> listings;  // the first lists 广东/深圳
  std::string shenzhen_begins;     // its first two lines
  Listing plain;                   // in the file of plain heads
  int plain_bare;                  // its lines holding only "xxxx"
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

Source Ours() {
  const Strings shenzhen = {Gbk(u"广东"), Gbk(u"深圳"), "518000", "0755", Gbk(u"中国移动")};
  return {
      .name = "Ours",
      .shared = false,
      // 1355500: the first of its two rows.
      .found = {{"1355507", shenzhen}, {"13555071234", shenzhen}, {"1355507abc", shenzhen},
                {"1355500", shenzhen},
                {"19210031234", {Gbk(u"北京"), Gbk(u"朝阳"), "100020", "010", Gbk(u"中国广电")}},
                {"1314217", {Gbk(u"辽宁"), Gbk(u"朝阳"), "122000", "0421", Gbk(u"中国联通")}},
                {"1776554", {Gbk(u"广东"), Gbk(u"深圳"), "518100", "0755", Gbk(u"中国电信")}},
                // GBK has no code for the last character of the city's name.
                {"1990002",
                 {Gbk(u"演示"), Gbk(u"演示区") + "?", "000000", "00", Gbk(u"中国电信")}}},
      // No city of index 999; no card type '9'.
      .missing_city_or_card = {{"1530999", {"", "", "", "0", Gbk(u"中国电信")}},
                               {"1860999", {Gbk(u"广东"), Gbk(u"广州"), "510000", "020", ""}}},
      .head = "1355507",
      // Too short, a leading space, empty, a head in no block, one past a block.
      .not_found = {"135550", " 1355507", "", "1380099", "1380140"},
      .provinces = {Gbk(u"北京"), Gbk(u"上海"), Gbk(u"广东"), Gbk(u"四川"), Gbk(u"吉林"),
                    Gbk(u"辽宁"), Gbk(u"演示")},
      .cities = {{u"广东", {Gbk(u"广州"), Gbk(u"深圳"), Gbk(u"珠海"), Gbk(u"深圳")}},
                 {u"北京", {Gbk(u"北京"), Gbk(u"朝阳")}},
                 {u"演示", {Gbk(u"演示区") + "?"}}},
      // A city of one row runs the two statements it always ran; a name GBK
      // cannot hold is not found.
      .listings = {{Gbk(u"广东"), Gbk(u"深圳"), 65, {4, 10}},
                   {Gbk(u"广东"), Gbk(u"珠海"), 20, {5}},
                   {Gbk(u"北京"), Gbk(u"朝阳"), 5, {9}},
                   {Gbk(u"演示"), Gbk(u"演示区") + "?", 0, {}},
                   {Gbk(u"演示"), Gbk(u""), 0, {}}},
      .shenzhen_begins = "1355500xxxx\r\n1355507xxxx\r\n",
      // Plain seven-digit heads, the eight-digit one, the empty and the null
      // head all decode to nothing; the six-digit one to two characters.
      .plain = {Gbk(u"广东"), Gbk(u"珠海"), 24, {5}},
      .plain_bare = 23,
  };
}

Source Shared() {
  const Strings shenzhen = {Gbk(u"广东"), Gbk(u"深圳"), "518000", "0755", Gbk(u"中国移动")};
  Strings guangdong;
  for (std::u16string shi : {u"广州", u"韶关", u"深圳", u"珠海", u"汕头", u"佛山", u"江门",
                             u"湛江", u"茂名", u"肇庆", u"惠州", u"梅州", u"汕尾", u"河源",
                             u"阳江", u"清远", u"东莞", u"中山", u"潮州", u"揭阳", u"云浮",
                             u"深圳"}) {
    guangdong.push_back(Gbk(shi));  // 深圳 is listed twice
  }
  return {
      .name = "SharedFixture",
      .shared = true,
      // The duplicated head answers with its first row (深圳, not 成都).
      .found = {{"1879396", shenzhen}, {"18793961234", shenzhen}, {"1879396abc", shenzhen},
                {"1581308", shenzhen}},
      // City key 9999 has no city row; card type 99 no cardtype row.
      .missing_city_or_card = {{"1530613", {"", "", "", "0", Gbk(u"中国电信")}},
                               {"1397589", {Gbk(u"广东"), Gbk(u"广州"), "510000", "020", ""}}},
      .head = "1879396",
      .not_found = {"187939", " 1879396", ""},
      .provinces = {Gbk(u"北京"), Gbk(u"上海"), Gbk(u"天津"), Gbk(u"重庆"), Gbk(u"广东"),
                    Gbk(u"四川"), Gbk(u"江苏"), Gbk(u"浙江"), Gbk(u"新疆"), Gbk(u"内蒙古"),
                    Gbk(u"黑龙江"), Gbk(u"吉林"), Gbk(u"青海")},
      .cities = {{u"广东", guangdong}, {u"青海", {Gbk(u"海南")}}},
      // Rows 7 (161 heads) and 61 (10), codes alike.
      .listings = {{Gbk(u"广东"), Gbk(u"深圳"), 171, {7, 61}}, {"", "", 0, {}}},
      .shenzhen_begins = "1879396xxxx\r\n1760841xxxx\r\n",
      // All but the three six-character heads are plain.
      .plain = {Gbk(u"广东"), Gbk(u"广州"), 163, {}},
      .plain_bare = 160,
  };
}

// The same cases on each database.
class CommandsOn : public CommandsTest, public ::testing::WithParamInterface<Source> {
 protected:
  enum class File { kAttribution, kPlain, kEmpty };
  void SetUp() override {
    if (!GetParam().shared) return;
    for (const char* fixture : kFixtures) {
      if (!testing_support::FixturePath(fixture)) {
        GTEST_SKIP() << "shared fixture absent: " << fixture;
      }
    }
  }
  // Opens a copy of the shared fixture, or the demonstration database (with
  // MixedHeads for kPlain) our engine writes.
  void Open(File file) {
    if (GetParam().shared) {
      OpenFixture(*testing_support::FixturePath(kFixtures[static_cast<int>(file)]));
    } else if (file == File::kEmpty) {
      db_path_ = scratch_.path() / "attrdata.mdb";
      std::filesystem::remove(db_path_);
      testing_support::WriteAttributionDatabase(db_path_, {});
      OpenInFolder();
    } else {
      OpenOwn(file == File::kPlain ? testing_support::MixedHeads()
                                   : testing_support::DemoOptions{});
    }
  }
  void ExpectLookups(const std::vector<Lookup>& lookups) {
    for (const Lookup& lookup : lookups) {
      e1_.text = lookup.typed;
      Button1Click(query_, lookup_, shell_);
      EXPECT_EQ(Boxes(), lookup.boxes) << lookup.typed;
    }
    EXPECT_TRUE(shell_.notices.empty());
  }
  // Lists `listing`, and checks what the memo and the shell show.
  void ExpectListing(const Listing& listing) {
    provinces_.text = listing.sheng;
    cities_.text = listing.shi;
    Button2Click(query_, segments_, shell_);
    EXPECT_TRUE(memo_.visible);
    EXPECT_TRUE(memo_.enabled);
    EXPECT_FALSE(memo_.shown_while_adding);
    EXPECT_EQ(std::count(memo_.text.begin(), memo_.text.end(), '\n'), listing.lines);
    EXPECT_EQ(shell_.notices.back(),
              Gbk(u"号段生成完毕，共有") + std::to_string(listing.lines) + Gbk(u"个号段"));
    if (listing.keys.empty()) return;
    // The further row's statement ran last; the cursor is left at its end.
    EXPECT_EQ(query_.SQL().Text(),
              "select * from numindex where index=" + std::to_string(listing.keys.back()) +
                  "\r\n");
    EXPECT_TRUE(query_.AtEnd());
    if (GetParam().shared) return;
    std::string text;
    for (int32_t key : listing.keys) text += ListingOf(data_, key);
    EXPECT_EQ(memo_.text, text);
  }

  static constexpr const char* kFixtures[] = {"attrdata-small.mdb", "attrdata-plain.mdb",
                                              "attrdata-empty.mdb"};
};

TEST_P(CommandsOn, LookupUsesTheFirstSevenBytesAndWritesFiveBoxes) {
  Open(File::kAttribution);
  ExpectLookups(GetParam().found);
}

TEST_P(CommandsOn, LookupNotFoundKeepsThePreviousAnswer) {
  Open(File::kAttribution);
  e1_.text = GetParam().head;
  Button1Click(query_, lookup_, shell_);
  const auto before = Boxes();
  for (const std::string& typed : GetParam().not_found) {
    e1_.text = typed;
    Button1Click(query_, lookup_, shell_);
  }
  e1_.text = GetParam().head;
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(shell_.notices, Strings(GetParam().not_found.size(), kNotFound));
  EXPECT_EQ(Boxes(), before);
}

TEST_P(CommandsOn, LookupWithMissingCityOrCardTypeGivesEmptyValues) {
  Open(File::kAttribution);
  ExpectLookups(GetParam().missing_city_or_card);
}

TEST_P(CommandsOn, ProvinceAndCityListsFollowTheDatabaseOrder) {
  Open(File::kAttribution);
  provinces_.text = "kept";
  FormActivate(query_, segments_);
  EXPECT_EQ(provinces_.items, GetParam().provinces);
  EXPECT_EQ(provinces_.text, "kept");

  cities_.text = "old";
  for (const auto& [sheng, cities] : GetParam().cities) {
    provinces_.text = Gbk(sheng);
    ComboBox1Change(query_, segments_);
    EXPECT_EQ(cities_.text, "");
    EXPECT_EQ(cities_.items, cities);
  }
  // Partial names, and names holding quotes or colons, match nothing.
  for (std::u16string typed :
       {u"广", u"广'东", u"广东'", u"a:b", u"x::y", u"a\"b:c", u"`x:y", u""}) {
    provinces_.text = Gbk(typed);
    ComboBox1Change(query_, segments_);
    EXPECT_TRUE(cities_.items.empty());
  }

  // A database without rows lists nothing.
  query_.Close();
  connection_.Close();
  std::filesystem::current_path(old_cwd_);
  Open(File::kEmpty);
  FormActivate(query_, segments_);
  EXPECT_TRUE(provinces_.items.empty());
}

TEST_P(CommandsOn, SegmentListingGivesOneLinePerHeadAndTheCount) {
  Open(File::kAttribution);
  const Listing& shenzhen = GetParam().listings[0];
  ExpectListing(shenzhen);
  EXPECT_EQ(memo_.lines_added, shenzhen.lines);
  EXPECT_EQ(memo_.text.substr(0, 26), GetParam().shenzhen_begins);
  EXPECT_EQ(shell_.notices.size(), 1u);
  // Other cities; no such city: the previous listing is cleared and the
  // count is 0.
  for (size_t i = 1; i < GetParam().listings.size(); ++i) ExpectListing(GetParam().listings[i]);
}

TEST_P(CommandsOn, PlainHeadsListAsBareXxxx) {
  Open(File::kPlain);
  ExpectListing(GetParam().plain);
  int bare = 0;
  for (size_t at = 0; at < memo_.text.size(); at = memo_.text.find('\n', at) + 1) {
    bare += memo_.text.compare(at, 6, "xxxx\r\n") == 0;
  }
  EXPECT_EQ(bare, GetParam().plain_bare);
  EXPECT_EQ(memo_.text.substr(0, 6), "xxxx\r\n");
}

TEST_P(CommandsOn, ABadGroupStopsTheListingWithTheMemoShownAgain) {
  Open(File::kAttribution);
  const Listing& shenzhen = GetParam().listings[0];
  query_.Close();
  query_.SQL().Clear();
  query_.SQL().Add("select * from numindex where index=" + std::to_string(shenzhen.keys[0]));
  query_.Open();
  query_.Next();
  query_.Next();
  query_.Edit();
  query_.SetFieldText("numhead", "048254abc249091211081");
  query_.Post();

  provinces_.text = shenzhen.sheng;
  cities_.text = shenzhen.shi;
  EXPECT_RAISE(Button2Click(query_, segments_, shell_), EConvertError,
               "'abc' is not a valid integer value");
  EXPECT_EQ(memo_.lines_added, 2);
  EXPECT_EQ(memo_.text, GetParam().shenzhen_begins);
  EXPECT_TRUE(memo_.visible);
  EXPECT_TRUE(memo_.enabled);
  EXPECT_TRUE(shell_.notices.empty());
}

INSTANTIATE_TEST_SUITE_P(Databases, CommandsOn, ::testing::Values(Ours(), Shared()),
                         [](const ::testing::TestParamInfo<Source>& info) {
                           return info.param.name;
                         });

TEST_F(CommandsTest, PlainHeadsAreNotFoundByLookupInOurOwnDatabase) {
  testing_support::DemoOptions plain;
  plain.heads = testing_support::HeadForm::kPlain;
  OpenOwn(plain);
  e1_.text = "1355507";
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(shell_.notices, std::vector<std::string>{kNotFound});
  EXPECT_EQ(e2_.sets, 0);
}

#ifdef JET_UPDATE_HELPER
// A lookup made while another process commits (the maintenance run, which
// encodes every plain head in one batch) waits for the commit's pages and
// answers from one state: not found before, the city after; never an error.
TEST_F(CommandsTest, LookupBesideACommitOfAnotherProcessInOurOwnDatabase) {
  testing_support::DemoOptions plain;
  plain.heads = testing_support::HeadForm::kPlain;
  plain.extra_heads = 3000;
  OpenOwn(plain);
  const std::vector<std::string> shenzhen = {Gbk(u"广东"), Gbk(u"深圳"), "518000",
                                             "0755", Gbk(u"中国移动")};
  e1_.text = "1355507";
  Button1Click(query_, lookup_, shell_);
  ASSERT_EQ(shell_.notices.size(), 1u);

  platform::ChildProcess writer = platform::ChildProcess::Start(
      {JET_UPDATE_HELPER, db_path_.string(), "100000", "1"});
  int lookups = 0;
  auto longest = std::chrono::steady_clock::duration::zero();
  while (!writer.TryWait()) {
    shell_.notices.clear();
    auto start = std::chrono::steady_clock::now();
    Button1Click(query_, lookup_, shell_);
    longest = std::max(longest, std::chrono::steady_clock::now() - start);
    ++lookups;
    if (shell_.notices.empty()) {
      EXPECT_EQ(Boxes(), shenzhen);
    } else {
      EXPECT_EQ(shell_.notices, std::vector<std::string>{kNotFound});
    }
    if (HasFailure()) break;
  }
  ASSERT_TRUE(writer.Wait().Succeeded());
  std::printf("%d lookups beside the commit, the longest %.2f ms\n", lookups,
              std::chrono::duration<double, std::milli>(longest).count());
  shell_.notices.clear();
  Button1Click(query_, lookup_, shell_);
  EXPECT_TRUE(shell_.notices.empty());
  EXPECT_EQ(Boxes(), shenzhen);
}
#endif

// A writer that keeps the file past the busy timeout (stopped part way
// through its commit, say): the command fails as any engine failure does,
// with nothing changed, and the next one works once the writer is gone.
TEST_F(CommandsTest, LookupWhileAWriterHoldsTheFileFailsBusyInOurOwnDatabase) {
  OpenOwn();
  connection_.State()->database().SetBusyTimeout(std::chrono::milliseconds(100));
  auto writer = std::make_unique<jet::FileLock>(db_path_);
  writer->LockShared(writer->Deadline());
  ASSERT_TRUE(writer->TryPending());
  writer->WaitExclusive(writer->Deadline());
  e1_.text = "1355507";
  try {
    Button1Click(query_, lookup_, shell_);
    ADD_FAILURE() << "the lookup did not wait for the writer";
  } catch (const base::EOleException& e) {
    EXPECT_NE(e.Message().find("the database is busy: another program is using it"),
              std::string::npos)
        << e.Message();
  }
  EXPECT_EQ(e2_.sets, 0);
  writer.reset();
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(e2_.text, Gbk(u"广东"));
  EXPECT_TRUE(shell_.notices.empty());
}

}  // namespace
}  // namespace commands
