// Statements run on the fixture databases and on databases our engine
// writes: comparisons as the engine makes them, nulls, DISTINCT, the errors,
// and the equality indexes.
#include "db/sql/session.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/write/writer.h"
#include "db/sql/error.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace sql {
namespace {

using Strings = std::vector<std::string>;

// The values of `column` in every row `statement` gives.
struct Answer {
  std::u16string statement, column;
  Strings values;
};

// The databases a case runs on and what they answer.
struct Source {
  std::string name;
  bool shared;  // the shared fixtures, else the demonstration database
  std::vector<Answer> equality, distinct, kinds, nulls;
  std::vector<std::u16string> cities;  // looked up by index and by scan
  std::u16string key;                  // a city index of numindex
  size_t key_rows;                     // and its rows
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

class SessionTest : public ::testing::Test {
 protected:
  void OpenFixture(const std::filesystem::path& path) {
    database_ = jet::Database::Open(path, jet::OpenMode::kReadOnly);
    session_ = std::make_unique<Session>(*database_);
  }

  // The values of `column` of every result row, as UTF-8 (numbers in
  // decimal).
  Strings Column(std::u16string_view statement, std::u16string_view column) {
    ResultSet result = session_->Execute(statement);
    size_t position = *result.table->FindColumn(column);
    Strings values;
    for (const jet::Row& row : result.rows) {
      jet::Value value = row.Get(position);
      if (auto* text = std::get_if<std::u16string>(&value)) {
        values.push_back(base::Utf16ToUtf8(*text));
      } else if (auto* whole = std::get_if<int32_t>(&value)) {
        values.push_back(std::to_string(*whole));
      } else if (auto* whole16 = std::get_if<int16_t>(&value)) {
        values.push_back(std::to_string(*whole16));
      } else if (auto* real = std::get_if<double>(&value)) {
        values.push_back(std::to_string(*real));
      } else {
        values.push_back(jet::IsNull(value) ? "null" : "?");
      }
    }
    return values;
  }

  std::string ErrorOf(std::u16string_view statement, ErrorKind kind) {
    try {
      session_->Execute(statement);
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), kind) << e.what();
      return e.what();
    }
    return "(no error)";
  }

  testing_support::ScratchDir own_dir_;
  std::unique_ptr<jet::Database> database_;
  std::unique_ptr<Session> session_;
};

// The files a case asks for: the attribution tables, the column kinds, no rows.
enum class File { kAttribution, kKinds, kEmpty };
const char* const kFixtures[] = {"attrdata-small.mdb", "attrdata-types.mdb",
                                 "attrdata-empty.mdb"};

class SessionOn : public SessionTest, public ::testing::WithParamInterface<Source> {
 protected:
  void SetUp() override {
    if (!GetParam().shared) return;
    for (const char* fixture : kFixtures) {
      if (!testing_support::FixturePath(fixture)) {
        GTEST_SKIP() << "shared fixture absent: " << fixture;
      }
    }
  }
  // A copy of the shared fixture named `name` in the scratch folder, or the
  // database our engine writes: the demonstration data with odd heads and
  // the kinds table (for both kAttribution and kKinds), or no rows.
  std::filesystem::path Make(File file, const std::string& name = "attrdata.mdb") {
    if (GetParam().shared) {
      return own_dir_.CopyIn(*testing_support::FixturePath(kFixtures[static_cast<int>(file)]),
                             name);
    }
    const std::filesystem::path path = own_dir_.path() / name;
    if (file == File::kEmpty) {
      testing_support::WriteAttributionDatabase(path, {});
      return path;
    }
    testing_support::DemoOptions options;
    options.odd_heads = true;
    testing_support::WriteAttributionDatabase(path, testing_support::DemoAttribution(options));
    testing_support::AddKindsTable(path);
    return path;
  }
  void Expect(const std::vector<Answer>& answers) {
    for (const Answer& a : answers) {
      EXPECT_EQ(Column(a.statement, a.column), a.values) << base::Utf16ToUtf8(a.statement);
    }
  }
};

TEST_P(SessionOn, EqualityFindsEveryRowInTableOrder) {
  OpenFixture(Make(File::kAttribution));
  Expect(GetParam().equality);
  // The index answers exactly what a scan answers.
  for (const std::u16string& shi : GetParam().cities) {
    EXPECT_EQ(Column(u"select * from city where shi='" + shi + u"'", u"index"),
              Column(u"select * from city where shi like '" + shi + u"'", u"index"));
  }
  const std::u16string& key = GetParam().key;
  EXPECT_EQ(Column(u"select * from numindex where index=" + key, u"numhead").size(),
            GetParam().key_rows);
  EXPECT_EQ(Column(u"select * from numindex where index=" + key, u"numhead"),
            Column(u"select * from numindex where index>=" + key + u" and index<=" + key,
                   u"numhead"));
}

TEST_P(SessionOn, DistinctKeepsFirstOccurrences) {
  OpenFixture(Make(File::kAttribution));
  Expect(GetParam().distinct);
  EXPECT_EQ(Column(u"SELECT DISTINCT [SHI] FROM CITY WHERE SHENG='广东' AND SHI LIKE '深*'",
                   u"shi"),
            Strings{"深圳"});
}

TEST_P(SessionOn, TextIgnoresCaseNumbersCompareAsNumbers) {
  OpenFixture(Make(File::kKinds));
  Expect(GetParam().kinds);
}

TEST_P(SessionOn, NullMatchesNothing) {
  OpenFixture(Make(File::kKinds));
  Expect(GetParam().nulls);
}

TEST_P(SessionOn, ErrorsOfTheEngine) {
  OpenFixture(Make(File::kAttribution));
  EXPECT_EQ(ErrorOf(u"select * from nums", ErrorKind::kNoSuchTable),
            "The database engine cannot find the input table or query 'nums'.  Make sure "
            "it exists and that its name is spelled correctly.");
  EXPECT_EQ(ErrorOf(u"select head from numindex", ErrorKind::kNoSuchColumn),
            "The database engine cannot find the field 'head'.  Make sure it exists and "
            "that its name is spelled correctly.");
  EXPECT_EQ(ErrorOf(u"select * from numindex where city.index=1", ErrorKind::kNoSuchColumn),
            "The database engine cannot find the field 'city.index'.  Make sure it exists "
            "and that its name is spelled correctly.");
  const char* mismatch = "Data type mismatch in criteria expression.";
  EXPECT_EQ(ErrorOf(u"select * from city where index='1'", ErrorKind::kTypeMismatch), mismatch);
  EXPECT_EQ(ErrorOf(u"select * from city where sheng=1", ErrorKind::kTypeMismatch), mismatch);
  EXPECT_EQ(ErrorOf(u"select * from city where sheng", ErrorKind::kTypeMismatch), mismatch);
  EXPECT_EQ(ErrorOf(u"select * from city where -sheng=1", ErrorKind::kTypeMismatch), mismatch);
  // The mismatch is found before any row is read: an empty answer still fails.
  EXPECT_EQ(ErrorOf(u"select * from city where index=-1 and shi=2", ErrorKind::kTypeMismatch),
            mismatch);
  EXPECT_EQ(ErrorOf(u"select * from city where index=?", ErrorKind::kMissingParameter),
            "No value given for one or more required parameters.");
  EXPECT_EQ(ErrorOf(u"select * from city where shi='?'", ErrorKind::kMissingParameter),
            "(no error)");
}

TEST_P(SessionOn, IndexesAreBuiltOnceAndForgottenWhenTheFileChanges) {
  OpenFixture(Make(File::kAttribution));
  const std::filesystem::path empty = Make(File::kEmpty, "empty.mdb");
  EXPECT_EQ(Column(u"select * from city where shi='深圳'", u"index").size(), 2u);
  EXPECT_EQ(Column(u"select * from CITY where SHI='北京'", u"index").size(), 1u);
  EXPECT_EQ(session_->IndexCount(), 1u);
  Column(u"select * from city where index=1", u"index");
  EXPECT_EQ(session_->IndexCount(), 2u);
  session_->TableChanged(u"City");
  EXPECT_EQ(session_->IndexCount(), 0u);
  EXPECT_EQ(Column(u"select * from city where shi='深圳'", u"index").size(), 2u);
  // Another process replaces the file's content.
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  own_dir_.CopyIn(empty, "attrdata.mdb");
  EXPECT_TRUE(Column(u"select * from city where shi='深圳'", u"index").empty());
}

TEST_P(SessionOn, RandomConditionsRunOrFailCleanly) {
  OpenFixture(Make(File::kAttribution));
  const std::u16string pieces[] = {
      u"index", u"sheng", u"[shi]", u"city.quhao", u"'广东'", u"'a''b'", u"7", u"-", u"1.5",
      u"NULL", u"?", u"=", u"<>", u"<=", u">", u"AND", u"OR", u"NOT", u"IS", u"LIKE",
      u"'*东'", u"(", u")", u"'", u"\"x\"", u",", u";", u"[", u"]", u"TRUE"};
  std::mt19937 random(12345);
  int ran = 0;
  for (int i = 0; i < 3000; ++i) {
    std::u16string statement = u"select * from city where ";
    int length = 1 + static_cast<int>(random() % 8);
    for (int j = 0; j < length; ++j) {
      statement += pieces[random() % std::size(pieces)];
      statement += u' ';
    }
    try {
      session_->Execute(statement);
      ++ran;
    } catch (const Error&) {
    }
  }
  EXPECT_GT(ran, 0);
}

Source Ours() {
  const std::u16string twice = base::Utf8ToUtf16(codec::EncodeNumberHead("1355500"));
  return {
      .name = "Ours",
      .shared = false,
      .equality = {{u"select * from numindex where numhead='" + twice + u"'", u"index", {"4", "6"}},
                   {u"select * from city where sheng='广东' and shi='深圳'", u"index", {"4", "10"}},
                   {u"select * from city where index=10", u"youbian", {"518100"}},
                   {u"select * from city where shi='朝阳'", u"sheng", {"辽宁", "北京"}},
                   {u"select * from city where shi='演示区😀'", u"index", {"11"}},
                   {u"select * from city where index=-1", u"shi", {}},
                   // The empty head is a value, the null head is not.
                   {u"select * from numindex where numhead=''", u"cardtype", {"3"}},
                   {u"select * from numindex where numhead is null", u"index", {"5"}},
                   {u"select * from numindex where numhead='189560'", u"index", {"5"}}},
      .distinct = {{u"select distinct sheng from city\r\n", u"sheng",
                    {"北京", "上海", "广东", "四川", "吉林", "辽宁", "演示"}},
                   {u"select distinct shi from city where sheng='广东'", u"shi",
                    {"广州", "深圳", "珠海"}}},
      .kinds = {{u"select id from kinds where txt='HELLO'", u"id", {"3"}},
                {u"select id from kinds where measure=7.5", u"id", {"3"}},
                {u"select id from kinds where small=-1", u"id", {"2"}},
                {u"select id from kinds where measure>1e299", u"id", {"2"}},
                {u"select id from kinds where flag=true", u"id", {"1", "3"}},
                {u"select * from city where youbian='518000'", u"index", {"4"}},
                {u"select * from city where index=4.0", u"shi", {"深圳"}}},
      // Row 4 has no txt.
      .nulls = {{u"select id from kinds", u"id", {"1", "2", "3", "4"}},
                {u"select id from kinds where txt<>'hello'", u"id", {"1", "2"}},
                {u"select id from kinds where not (txt='hello')", u"id", {"1", "2"}},
                {u"select id from kinds where [txt] is null", u"id", {"4"}},
                {u"select id from kinds where txt is not null or id=4", u"id",
                 {"1", "2", "3", "4"}},
                {u"select id from kinds where txt=null", u"id", {}},
                {u"select id from kinds where tiny<>1 and id>2", u"id", {}}},
      .cities = {u"深圳", u"朝阳", u"吉林", u"x"},
      .key = u"4",
      .key_rows = 60,
  };
}

Source Shared() {
  return {
      .name = "SharedFixture",
      .shared = true,
      // The head stored twice: both rows, the first one first.
      .equality = {{u"select * from numindex where numhead='048248010176051004235'", u"index",
                    {"7", "26"}},
                   {u"select * from city where sheng='广东' and shi='深圳'", u"index", {"7", "61"}},
                   {u"select * from city where index=61", u"shi", {"深圳"}},
                   {u"select * from city where index=-1", u"shi", {}},
                   {u"select * from numindex where numhead=''", u"index", {}}},
      .distinct = {{u"select distinct sheng from city\r\n", u"sheng",
                    {"北京", "上海", "天津", "重庆", "广东", "四川", "江苏", "浙江", "新疆",
                     "内蒙古", "黑龙江", "吉林", "青海"}}},
      .kinds = {{u"select id from alltypes where txt_comp='HELLO' and id<2", u"id", {"1"}},
                {u"select * from city_double where index=7.5", u"shi", {"呼和浩特"}},
                {u"select * from city_double where index=-3", u"index", {"-3.000000"}},
                {u"select * from city_double where quhao<1 and quhao>0", u"quhao", {"0.500000"}},
                {u"select * from city_numeric where youbian=10000", u"shi", {"呼和浩特"}},
                {u"select * from alltypes where flag=true and id<=3", u"id", {"1", "3"}}},
      // Row 4 has no 省份.
      .nulls = {{u"select id from alltypes where id<=5", u"id", {"1", "2", "3", "4", "5"}},
                {u"select id from alltypes where id<=5 and 省份<>'北京'", u"id", {"2", "3", "5"}},
                {u"select id from alltypes where id<=5 and not (省份='北京')", u"id",
                 {"2", "3", "5"}},
                {u"select id from alltypes where id<=5 and [省份] is null", u"id", {"4"}},
                {u"select id from alltypes where id<=5 and 省份 is not null or id=4", u"id",
                 {"1", "2", "3", "4", "5"}},
                {u"select id from alltypes where 省份=null", u"id", {}}},
      .cities = {u"深圳", u"海南", u"吉林", u"x"},
      .key = u"7",
      .key_rows = 161,
  };
}

INSTANTIATE_TEST_SUITE_P(Databases, SessionOn, ::testing::Values(Ours(), Shared()),
                         [](const ::testing::TestParamInfo<Source>& info) {
                           return info.param.name;
                         });

// A result keeps its rows as they stood when read, however the file
// changes after; a walk that forgets the rows behind it lets go of the
// pages only they lay on, and the rows ahead still read as they were.
TEST_F(SessionTest, ResultRowsStayAsReadAndForgottenOnesLetTheirPagesGo) {
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kPlain;
  options.extra_heads = 2000;
  const std::filesystem::path path = own_dir_.path() / "attrdata.mdb";
  testing_support::WriteAttributionDatabase(path, testing_support::DemoAttribution(options));
  database_ = jet::Database::Open(path, jet::OpenMode::kReadWrite);
  session_ = std::make_unique<Session>(*database_);
  const Strings before = Column(u"select * from numindex", u"numhead");

  ResultSet result = session_->Execute(u"select * from numindex");
  ASSERT_EQ(result.rows.size(), before.size());
  const size_t head = *result.table->FindColumn(u"numhead");
  {
    // Every head grows to 21 digits: rows move, and every page changes.
    jet::Writer writer(*database_);
    writer.Begin();
    for (const jet::Row& row : result.rows) {
      std::u16string text;
      row.GetText(head, text);
      const std::string stored = codec::EncodeNumberHead(base::Utf16ToUtf8(text));
      writer.UpdateRow(result.table, row.location(), {{head, base::Utf8ToUtf16(stored)}});
    }
    writer.Commit();
  }
  EXPECT_EQ(Column(u"select * from numindex", u"numhead")[0],
            codec::EncodeNumberHead(before[0]));

  const std::weak_ptr<const jet::Page> first_page = result.rows[0].page();
  size_t on_first_page = 0;
  while (result.rows[on_first_page].page() == first_page.lock()) ++on_first_page;
  ASSERT_LT(on_first_page, result.rows.size());
  result.rows.ForgetBefore(on_first_page - 1);
  database_->pages().Reset();
  EXPECT_FALSE(first_page.expired());  // its last row is still ahead
  result.rows.ForgetBefore(on_first_page);
  EXPECT_TRUE(first_page.expired());

  for (size_t i = on_first_page; i < result.rows.size(); ++i) {
    std::u16string text;
    ASSERT_TRUE(result.rows[i].GetText(head, text)) << i;
    ASSERT_EQ(base::Utf16ToUtf8(text), before[i]) << i;
  }
}

}  // namespace
}  // namespace sql
