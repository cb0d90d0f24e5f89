// The lookup, list and segment commands through fake controls, on the
// shared fixtures and on databases our engine writes.
#include "commands/commands.h"

#include <gtest/gtest.h>

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

TEST_F(CommandsTest, LookupUsesTheFirstSevenBytesAndWritesFiveBoxes) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  const std::vector<std::string> shenzhen = {Gbk(u"广东"), Gbk(u"深圳"), "518000",
                                             "0755", Gbk(u"中国移动")};
  for (const char* typed : {"1879396", "18793961234", "1879396abc"}) {
    e1_.text = typed;
    Button1Click(query_, lookup_, shell_);
    EXPECT_EQ(Boxes(), shenzhen) << typed;
  }
  EXPECT_TRUE(shell_.notices.empty());
  // The duplicated head answers with its first row (深圳, not 成都).
  e1_.text = "1581308";
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(e3_.text, Gbk(u"深圳"));
}

TEST_F(CommandsTest, LookupNotFoundKeepsThePreviousAnswer) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  e1_.text = "1879396";
  Button1Click(query_, lookup_, shell_);
  const auto before = Boxes();
  for (const char* typed : {"187939", " 1879396", "", "1879396"}) {
    e1_.text = typed;
    Button1Click(query_, lookup_, shell_);
  }
  ASSERT_EQ(shell_.notices.size(), 3u);
  EXPECT_EQ(shell_.notices[0], kNotFound);
  EXPECT_EQ(Boxes(), before);
}

TEST_F(CommandsTest, LookupWithMissingCityOrCardTypeGivesEmptyValues) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  e1_.text = "1530613";  // its city key 9999 has no city row
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"", "", "", "0", Gbk(u"中国电信")}));
  e1_.text = "1397589";  // card type 99 has no cardtype row
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Gbk(u"广东"), Gbk(u"广州"), "510000",
                                               "020", ""}));
}

TEST_F(CommandsTest, ProvinceAndCityListsFollowTheDatabaseOrder) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  provinces_.text = "kept";
  FormActivate(query_, segments_);
  ASSERT_EQ(provinces_.items.size(), 13u);
  EXPECT_EQ(provinces_.items[0], Gbk(u"北京"));
  EXPECT_EQ(provinces_.items[4], Gbk(u"广东"));
  EXPECT_EQ(provinces_.items[12], Gbk(u"青海"));
  EXPECT_EQ(provinces_.text, "kept");

  provinces_.text = Gbk(u"广东");
  cities_.text = "old";
  ComboBox1Change(query_, segments_);
  EXPECT_EQ(cities_.text, "");
  ASSERT_EQ(cities_.items.size(), 22u);  // 深圳 is listed twice
  EXPECT_EQ(cities_.items[2], Gbk(u"深圳"));
  EXPECT_EQ(cities_.items[21], Gbk(u"深圳"));

  // Partial names, and names holding quotes or colons, match nothing.
  for (std::u16string typed :
       {u"广", u"广'东", u"广东'", u"a:b", u"x::y", u"a\"b:c", u"`x:y"}) {
    provinces_.text = Gbk(typed);
    ComboBox1Change(query_, segments_);
    EXPECT_TRUE(cities_.items.empty());
  }
}

TEST_F(CommandsTest, SegmentListingGivesOneLinePerHeadAndTheCount) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"深圳");  // rows 7 (161 heads) and 61 (10), codes alike
  Button2Click(query_, segments_, shell_);
  EXPECT_TRUE(memo_.visible);
  EXPECT_TRUE(memo_.enabled);
  EXPECT_FALSE(memo_.shown_while_adding);
  EXPECT_EQ(memo_.lines_added, 171);
  EXPECT_EQ(memo_.text.substr(0, 26), "1879396xxxx\r\n1760841xxxx\r\n");
  ASSERT_EQ(shell_.notices.size(), 1u);
  EXPECT_EQ(shell_.notices[0], Gbk(u"号段生成完毕，共有171个号段"));

  // No such city: the previous listing is cleared and the count is 0.
  cities_.text = "";
  provinces_.text = "";
  Button2Click(query_, segments_, shell_);
  EXPECT_EQ(memo_.text, "");
  EXPECT_EQ(shell_.notices.back(), Gbk(u"号段生成完毕，共有0个号段"));
}

TEST_F(CommandsTest, PlainHeadsListAsBareXxxx) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-plain.mdb");
  OpenFixture(path);
  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"广州");
  Button2Click(query_, segments_, shell_);
  EXPECT_EQ(memo_.lines_added, 163);
  size_t bare = 0;
  for (size_t at = 0; (at = memo_.text.find("\r\nxxxx\r\n", at)) != std::string::npos; at += 2) {
    ++bare;
  }
  EXPECT_EQ(memo_.text.substr(0, 6), "xxxx\r\n");
  EXPECT_EQ(bare + 1, 160u);  // all but the three six-character heads
  EXPECT_EQ(shell_.notices.back(), Gbk(u"号段生成完毕，共有163个号段"));
}

TEST_F(CommandsTest, ABadGroupStopsTheListingWithTheMemoShownAgain) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  OpenFixture(path);
  query_.Close();
  query_.SQL().Clear();
  query_.SQL().Add("select * from numindex where index=7");
  query_.Open();
  query_.Next();
  query_.Next();
  query_.Edit();
  query_.SetFieldText("numhead", "048254abc249091211081");
  query_.Post();

  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"深圳");
  EXPECT_RAISE(Button2Click(query_, segments_, shell_), EConvertError,
               "'abc' is not a valid integer value");
  EXPECT_EQ(memo_.lines_added, 2);
  EXPECT_EQ(memo_.text, "1879396xxxx\r\n1760841xxxx\r\n");
  EXPECT_TRUE(memo_.visible);
  EXPECT_TRUE(memo_.enabled);
  EXPECT_TRUE(shell_.notices.empty());
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

TEST_F(CommandsTest, LookupInOurOwnDatabase) {
  OpenOwn();
  const std::vector<std::string> shenzhen = {Gbk(u"广东"), Gbk(u"深圳"), "518000",
                                             "0755", Gbk(u"中国移动")};
  for (const char* typed : {"1355507", "13555071234", "1355507abc", "1355500"}) {
    e1_.text = typed;
    Button1Click(query_, lookup_, shell_);
    EXPECT_EQ(Boxes(), shenzhen) << typed;  // 1355500: the first of its two rows
  }
  struct Case {
    const char* typed;
    std::vector<std::string> boxes;
  } cases[] = {
      {"19210031234", {Gbk(u"北京"), Gbk(u"朝阳"), "100020", "010", Gbk(u"中国广电")}},
      {"1314217", {Gbk(u"辽宁"), Gbk(u"朝阳"), "122000", "0421", Gbk(u"中国联通")}},
      {"1776554", {Gbk(u"广东"), Gbk(u"深圳"), "518100", "0755", Gbk(u"中国电信")}},
      // GBK has no code for the last character of the city's name.
      {"1990002", {Gbk(u"演示"), Gbk(u"演示区") + "?", "000000", "00", Gbk(u"中国电信")}},
      // No city of index 999; no card type '9'.
      {"1530999", {"", "", "", "0", Gbk(u"中国电信")}},
      {"1860999", {Gbk(u"广东"), Gbk(u"广州"), "510000", "020", ""}},
  };
  for (const Case& c : cases) {
    e1_.text = c.typed;
    Button1Click(query_, lookup_, shell_);
    EXPECT_EQ(Boxes(), c.boxes) << c.typed;
  }
  EXPECT_TRUE(shell_.notices.empty());
}

TEST_F(CommandsTest, LookupNotFoundKeepsThePreviousAnswerInOurOwnDatabase) {
  OpenOwn();
  e1_.text = "1355507";
  Button1Click(query_, lookup_, shell_);
  const auto before = Boxes();
  // Too short, a leading space, empty, a head in no block, one past a block.
  for (const char* typed : {"135550", " 1355507", "", "1380099", "1380140", "1355507"}) {
    e1_.text = typed;
    Button1Click(query_, lookup_, shell_);
  }
  ASSERT_EQ(shell_.notices.size(), 5u);
  for (const std::string& notice : shell_.notices) EXPECT_EQ(notice, kNotFound);
  EXPECT_EQ(Boxes(), before);
}

TEST_F(CommandsTest, PlainHeadsAreNotFoundByLookupInOurOwnDatabase) {
  testing_support::DemoOptions plain;
  plain.heads = testing_support::HeadForm::kPlain;
  OpenOwn(plain);
  e1_.text = "1355507";
  Button1Click(query_, lookup_, shell_);
  EXPECT_EQ(shell_.notices, std::vector<std::string>{kNotFound});
  EXPECT_EQ(e2_.sets, 0);
}

TEST_F(CommandsTest, ProvinceAndCityListsFollowTheDatabaseOrderInOurOwnDatabase) {
  OpenOwn();
  provinces_.text = "kept";
  FormActivate(query_, segments_);
  EXPECT_EQ(provinces_.items,
            (std::vector<std::string>{Gbk(u"北京"), Gbk(u"上海"), Gbk(u"广东"), Gbk(u"四川"),
                                      Gbk(u"吉林"), Gbk(u"辽宁"), Gbk(u"演示")}));
  EXPECT_EQ(provinces_.text, "kept");

  provinces_.text = Gbk(u"广东");
  cities_.text = "old";
  ComboBox1Change(query_, segments_);
  EXPECT_EQ(cities_.text, "");
  EXPECT_EQ(cities_.items, (std::vector<std::string>{Gbk(u"广州"), Gbk(u"深圳"), Gbk(u"珠海"),
                                                     Gbk(u"深圳")}));
  provinces_.text = Gbk(u"北京");
  ComboBox1Change(query_, segments_);
  EXPECT_EQ(cities_.items, (std::vector<std::string>{Gbk(u"北京"), Gbk(u"朝阳")}));
  provinces_.text = Gbk(u"演示");
  ComboBox1Change(query_, segments_);
  EXPECT_EQ(cities_.items, std::vector<std::string>{Gbk(u"演示区") + "?"});

  for (std::u16string typed : {u"广", u"广'东", u"广东'", u"a:b", u"x::y", u"a\"b:c", u""}) {
    provinces_.text = Gbk(typed);
    ComboBox1Change(query_, segments_);
    EXPECT_TRUE(cities_.items.empty());
  }

  // A database without rows lists nothing.
  query_.Close();
  connection_.Close();
  std::filesystem::remove(db_path_);
  testing_support::WriteAttributionDatabase(db_path_, {});
  FormActivate(query_, segments_);
  EXPECT_TRUE(provinces_.items.empty());
}

TEST_F(CommandsTest, SegmentListingGivesOneLinePerHeadAndTheCountInOurOwnDatabase) {
  OpenOwn();
  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"深圳");  // two rows: index 4 (60 heads), then 10 (5 heads)
  Button2Click(query_, segments_, shell_);
  EXPECT_TRUE(memo_.visible);
  EXPECT_TRUE(memo_.enabled);
  EXPECT_FALSE(memo_.shown_while_adding);
  EXPECT_EQ(memo_.lines_added, 65);
  EXPECT_EQ(memo_.text.substr(0, 39), "1355500xxxx\r\n1355507xxxx\r\n1355514xxxx\r\n");
  EXPECT_EQ(memo_.text, ListingOf(data_, 4) + ListingOf(data_, 10));
  ASSERT_EQ(shell_.notices.size(), 1u);
  EXPECT_EQ(shell_.notices[0], Gbk(u"号段生成完毕，共有65个号段"));
  // The further row's statement ran last; the cursor is left at its end.
  EXPECT_EQ(query_.SQL().Text(), "select * from numindex where index=10\r\n");
  EXPECT_TRUE(query_.AtEnd());

  // A city of one row runs the two statements it always ran.
  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"珠海");
  Button2Click(query_, segments_, shell_);
  EXPECT_EQ(memo_.text, ListingOf(data_, 5));
  EXPECT_EQ(query_.SQL().Text(), "select * from numindex where index=5\r\n");

  provinces_.text = Gbk(u"北京");
  cities_.text = Gbk(u"朝阳");
  Button2Click(query_, segments_, shell_);
  EXPECT_EQ(memo_.text, "1921000xxxx\r\n1921002xxxx\r\n1921004xxxx\r\n1921001xxxx\r\n"
                        "1921003xxxx\r\n");

  // A name GBK cannot hold is not found; no such city lists nothing.
  for (const std::string& shi : {Gbk(u"演示区") + "?", std::string()}) {
    provinces_.text = Gbk(u"演示");
    cities_.text = shi;
    Button2Click(query_, segments_, shell_);
    EXPECT_EQ(memo_.text, "");
    EXPECT_EQ(shell_.notices.back(), Gbk(u"号段生成完毕，共有0个号段"));
  }
}

TEST_F(CommandsTest, PlainAndOddHeadsListAsTheyDecodeInOurOwnDatabase) {
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kMixed;
  options.odd_heads = true;
  OpenOwn(options);
  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"珠海");
  Button2Click(query_, segments_, shell_);
  EXPECT_EQ(memo_.lines_added, 24);
  EXPECT_EQ(memo_.text, ListingOf(data_, 5));
  // Plain seven-digit heads, the eight-digit one, the empty and the null
  // head all decode to nothing; the six-digit one to two characters.
  int bare = 0;
  int expected_bare = 0;
  for (size_t at = 0; at < memo_.text.size(); at = memo_.text.find('\n', at) + 1) {
    bare += memo_.text.compare(at, 6, "xxxx\r\n") == 0;
  }
  for (const testing_support::HeadRow& row : data_.heads) {
    if (row.index != 5 || row.numhead == "189560") continue;
    expected_bare += !row.numhead || row.numhead->size() != 21;
  }
  EXPECT_EQ(bare, expected_bare);
  EXPECT_EQ(expected_bare, 23);
  EXPECT_EQ(shell_.notices.back(), Gbk(u"号段生成完毕，共有24个号段"));
}

TEST_F(CommandsTest, ABadGroupStopsTheListingWithTheMemoShownAgainInOurOwnDatabase) {
  OpenOwn();
  query_.Close();
  query_.SQL().Clear();
  query_.SQL().Add("select * from numindex where index=4");
  query_.Open();
  query_.Next();
  query_.Next();
  query_.Edit();
  query_.SetFieldText("numhead", "048254abc249091211081");
  query_.Post();

  provinces_.text = Gbk(u"广东");
  cities_.text = Gbk(u"深圳");
  EXPECT_RAISE(Button2Click(query_, segments_, shell_), EConvertError,
               "'abc' is not a valid integer value");
  EXPECT_EQ(memo_.lines_added, 2);
  EXPECT_EQ(memo_.text, "1355500xxxx\r\n1355507xxxx\r\n");
  EXPECT_TRUE(memo_.visible);
  EXPECT_TRUE(memo_.enabled);
  EXPECT_TRUE(shell_.notices.empty());
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
