// ADOQuery1 and ADOConnection1 on the fixture databases and on databases
// our engine writes: states, results on empty and closed cursors, every
// message, and the field formats.
#include "db/query.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/gbk.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/connection_state.h"
#include "testing/attribution_db.h"
#include "testing/expect_raise.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace db {
namespace {

std::string Gbk(std::string_view utf8) { return base::Utf16ToGbk(base::Utf8ToUtf16(utf8)); }
std::string Utf8(std::string_view gbk) { return base::Utf16ToUtf8(base::GbkToUtf16(gbk)); }

class QueryTest : public ::testing::Test {
 protected:
  void Use(const std::filesystem::path& file) { connection_.SetDataSource(file.string()); }
  // Close, set the one line, Open: the pattern of every command.
  void Run(std::string_view utf8_line) {
    query_.Close();
    query_.SQL().Clear();
    query_.SQL().Add(Gbk(utf8_line));
    query_.Open();
  }

  // Writes the demonstration database as attrdata.mdb in a scratch folder
  // and uses it.
  std::filesystem::path UseOwn(const testing_support::DemoOptions& options = {}) {
    std::filesystem::path path = own_dir_.path() / "attrdata.mdb";
    testing_support::WriteAttributionDatabase(path, testing_support::DemoAttribution(options));
    Use(path);
    return path;
  }

  // The checks that hold on any attribution database with a city of index
  // 1 and `provinces` provinces.
  void CheckStatementText(int provinces);
  void CheckParameterMarkers();
  void CheckQuotedValuesWithoutParamCheck();
  void CheckEmptyResult();
  void CheckProviderErrors();

  TADOConnection connection_;
  TADOQuery query_{connection_};
  testing_support::ScratchDir own_dir_;
};

TEST_F(QueryTest, ClosedCursor) {
  query_.Close();  // nothing happens, nothing is raised
  EXPECT_FALSE(query_.Active());
  EXPECT_TRUE(query_.AtEnd());
  const char* closed = "ADOQuery1: Cannot perform this operation on a closed dataset";
  EXPECT_RAISE(query_.RowCount(), EDatabaseError, closed);
  EXPECT_RAISE(query_.Next(), EDatabaseError, closed);
  EXPECT_RAISE(query_.Edit(), EDatabaseError, closed);
  EXPECT_RAISE(query_.FieldText("sheng"), EDatabaseError, "ADOQuery1: Field 'sheng' not found");
  EXPECT_RAISE(query_.FieldInteger("index"), EDatabaseError,
               "ADOQuery1: Field 'index' not found");
  query_.Post();  // outside editing: nothing
}

void QueryTest::CheckStatementText(int provinces) {
  EXPECT_RAISE(query_.Open(), EDatabaseError, "ADOQuery1: Missing SQL property");
  EXPECT_FALSE(query_.Active());
  // Setting the text opened the connection on the way.
  EXPECT_TRUE(connection_.Connected());
  query_.SQL().Add("select distinct sheng from city");
  EXPECT_EQ(query_.CommandText(), "select distinct sheng from city\r\n");
  query_.Open();
  // A change fails while open; the lines change, the command text does not.
  EXPECT_RAISE(query_.SQL().Clear(), EDatabaseError,
               "ADOQuery1: Cannot perform this operation on an open dataset");
  EXPECT_EQ(query_.SQL().Count(), 0u);
  EXPECT_EQ(query_.CommandText(), "select distinct sheng from city\r\n");
  query_.Close();
  query_.SQL().Add("select distinct sheng from city");
  query_.Open();
  EXPECT_EQ(query_.RowCount(), provinces);
  query_.Open();  // open already: nothing
  // Closing the cursor leaves the connection open; closing the connection
  // closes the cursor.
  query_.Close();
  EXPECT_TRUE(connection_.Connected());
  query_.Open();
  connection_.Close();
  EXPECT_FALSE(query_.Active());
}

TEST_F(QueryTest, StatementTextAndItsChecks) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  CheckStatementText(13);
}

TEST_F(QueryTest, StatementTextAndItsChecksInOurOwnDatabase) {
  UseOwn();
  CheckStatementText(7);
}

void QueryTest::CheckParameterMarkers() {
  Run("select * from city where shi=':x'");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_RAISE(Run("select * from city where index=:x"), EOleException,
               "No value given for one or more required parameters");
  EXPECT_FALSE(query_.Active());
  EXPECT_EQ(query_.Parameters(), std::vector<std::string>{"x"});
  Run("select * from city where shi='a::b'");
  EXPECT_EQ(query_.CommandText(), "select * from city where shi='a::b'\r\n");
  query_.Close();
  query_.SQL().Clear();
  query_.SQL().Add("select * from city where shi='x' or shi::='y'");
  EXPECT_EQ(query_.CommandText(), "select * from city where shi='x' or shi:='y'\r\n");
  EXPECT_RAISE(query_.Open(), EOleException,
               "Syntax error (missing operator) in query expression 'shi='x' or shi:='y''");
}

TEST_F(QueryTest, ParameterMarkersReachTheEngine) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  CheckParameterMarkers();
}

TEST_F(QueryTest, ParameterMarkersReachTheEngineInOurOwnDatabase) {
  UseOwn();
  CheckParameterMarkers();
}

void QueryTest::CheckQuotedValuesWithoutParamCheck() {
  // A double quote inside a quoted value shifts the marker scan's quotes.
  EXPECT_RAISE(Run("select * from city where shi='a\"b:c'"), EOleException,
               "Syntax error in string in query expression 'shi='a\"b?'");
  query_.Close();
  query_.SetParamCheck(false);
  Run("select * from city where shi='a\"b:c' or shi='x::y'");
  EXPECT_EQ(query_.CommandText(),
            "select * from city where shi='a\"b:c' or shi='x::y'\r\n");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_TRUE(query_.Parameters().empty());
  Run("select * from city where index=1");
  EXPECT_EQ(query_.FieldSize("shi"), 50);
  EXPECT_EQ(query_.FieldSize("index"), 0);
}

TEST_F(QueryTest, WithoutParamCheckQuotedValuesAreSentAsTheyAre) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  CheckQuotedValuesWithoutParamCheck();
}

TEST_F(QueryTest, WithoutParamCheckQuotedValuesAreSentAsTheyAreInOurOwnDatabase) {
  UseOwn();
  CheckQuotedValuesWithoutParamCheck();
}

void QueryTest::CheckEmptyResult() {
  Run("select * from numindex where index=-1");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldText("numhead"), "");
  EXPECT_EQ(query_.FieldInteger("index"), 0);
  EXPECT_RAISE(query_.FieldInteger("numhead"), EConvertError, "'' is not a valid integer value");
  query_.Next();
  EXPECT_TRUE(query_.AtEnd());
}

TEST_F(QueryTest, EmptyResult) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  CheckEmptyResult();
}

TEST_F(QueryTest, EmptyResultInOurOwnDatabase) {
  UseOwn();
  CheckEmptyResult();
  // A database whose tables hold no rows at all.
  query_.Close();
  connection_.Close();
  const auto empty = own_dir_.path() / "empty.mdb";
  testing_support::WriteAttributionDatabase(empty, {});
  Use(empty);
  Run("select distinct sheng from city");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldText("sheng"), "");
}

TEST_F(QueryTest, WalkingAndReadingRows) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  Run("select * from city where sheng='广东' and shi='深圳'");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_FALSE(query_.AtEnd());
  EXPECT_EQ(query_.FieldInteger("INDEX"), 7);
  EXPECT_EQ(Utf8(query_.FieldText("SHENG")), "广东");
  EXPECT_EQ(query_.FieldInteger("youbian"), 518000);
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("index"), 61);
  query_.Next();  // past the last row: the end flag, the last row stays
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldInteger("index"), 61);
  query_.Next();
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.RowCount(), 2);
  EXPECT_RAISE(query_.FieldText("sheng2"), EDatabaseError, "ADOQuery1: Field 'sheng2' not found");
  EXPECT_EQ(query_.FieldNames(),
            (std::vector<std::string>{"index", "sheng", "shi", "youbian", "quhao"}));
  Run("select shi, shi, [shi] as SHI_1 from city where index=1");
  EXPECT_EQ(query_.FieldNames(), (std::vector<std::string>{"shi", "shi_1", "SHI_1_1"}));
}

void QueryTest::CheckProviderErrors() {
  Run("select * from city where index=1");
  query_.Close();
  query_.SQL().Clear();
  query_.SQL().Add("select * from city where sheng=1");
  EXPECT_RAISE(query_.Open(), EOleException, "Data type mismatch in criteria expression");
  EXPECT_FALSE(query_.Active());
  EXPECT_RAISE(Run("select * from cities"), EOleException,
               "The database engine cannot find the input table or query 'cities'.  "
               "Make sure it exists and that its name is spelled correctly");
  EXPECT_RAISE(Run("select * from city where sheng='a'b'"), EOleException,
               "Syntax error in string in query expression 'sheng='a'b''");
  EXPECT_RAISE(Run("delete from city"), EOleException,
               "Invalid SQL statement; expected 'SELECT'");
}

TEST_F(QueryTest, ProviderErrorsCloseTheCursor) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-small.mdb");
  Use(path);
  CheckProviderErrors();
}

TEST_F(QueryTest, ProviderErrorsCloseTheCursorInOurOwnDatabase) {
  UseOwn();
  CheckProviderErrors();
}

TEST_F(QueryTest, WalkingAndReadingRowsInOurOwnDatabase) {
  UseOwn();
  Run("select * from city where sheng='广东' and shi='深圳'");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_EQ(query_.FieldInteger("INDEX"), 4);
  EXPECT_EQ(Utf8(query_.FieldText("SHENG")), "广东");
  EXPECT_EQ(query_.FieldText("youbian"), "518000");
  EXPECT_EQ(query_.FieldInteger("quhao"), 755);
  query_.Next();
  EXPECT_EQ(query_.FieldText("youbian"), "518100");
  query_.Next();
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldInteger("index"), 10);
  // A name in two provinces; a character GBK cannot hold comes out as "?";
  // the leading zeros of a text column stay.
  Run("select * from city where shi='朝阳'");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_EQ(Utf8(query_.FieldText("sheng")), "辽宁");
  query_.Next();
  EXPECT_EQ(Utf8(query_.FieldText("sheng")), "北京");
  Run("select * from city where index=11");
  EXPECT_EQ(Utf8(query_.FieldText("shi")), "演示区?");
  EXPECT_EQ(query_.FieldText("youbian"), "000000");
  EXPECT_EQ(query_.FieldInteger("youbian"), 0);
  // Both rows of the head stored twice, in table order.
  Run("select * from numindex where numhead='" + codec::EncodeNumberHead("1355500") + "'");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_EQ(query_.FieldInteger("index"), 4);
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("index"), 6);
  EXPECT_EQ(query_.FieldText("cardtype"), "3");
  Run("select * from numindex where index=4");
  EXPECT_EQ(query_.RowCount(), 60);
}

TEST_F(QueryTest, FieldTextAndIntegerOfEveryKind) {
  ATTR_REQUIRE_FIXTURE(path, "attrdata-types.mdb");
  Use(path);
  Run("select * from alltypes where id=2");
  struct Case {
    const char* column;
    const char* text;
  } row2[] = {
      {"flag", "False"},       {"tiny", "255"},         {"small", "1"},
      {"price", "1234.5678"},  {"ratio", "3.1415901184082"},
      {"measure", "3.14159265358979"},                  {"stamp", "1900-01-01"},
      {"amount", "12345678901234.5678"},                {"memo_plain", ""},
      {"ole_small", ""},
  };
  for (const Case& c : row2) EXPECT_EQ(query_.FieldText(c.column), c.text) << c.column;
  EXPECT_EQ(Utf8(query_.FieldText(Gbk("省份"))), "广东");
  EXPECT_EQ(Utf8(query_.FieldText("txt_comp")), "广州市天河区");
  EXPECT_EQ(query_.FieldInteger("tiny"), 255);
  EXPECT_EQ(query_.FieldInteger("price"), 1235);
  EXPECT_EQ(query_.FieldInteger("ratio"), 3);
  for (const char* other : {"flag", "stamp", "memo_short", "ole_small", "bin", "guid"}) {
    EXPECT_RAISE(query_.FieldInteger(other), EDatabaseError,
                 std::string("Cannot access field '") + other + "' as type Integer");
  }
  EXPECT_RAISE(query_.FieldInteger("txt_plain"), EConvertError,
               "'' is not a valid integer value");

  Run("select * from alltypes where id=3");
  EXPECT_EQ(query_.FieldText("price"), "-0.0001");
  EXPECT_EQ(query_.FieldText("ratio"), "-1.49999995239828E-20");
  EXPECT_EQ(query_.FieldText("measure"), "1E300");
  EXPECT_EQ(query_.FieldText("stamp"), "1899-12-29 12:00:00");
  EXPECT_EQ(query_.FieldText("small"), "-1");
  EXPECT_EQ(query_.FieldInteger("price"), 0);
  // Characters that code page 936 cannot hold become "?".
  EXPECT_EQ(Utf8(query_.FieldText("txt_comp")), "emoji ? and 中文");

  Run("select * from alltypes where id=4");
  EXPECT_EQ(query_.FieldText(Gbk("省份")), "");
  EXPECT_RAISE(query_.FieldInteger(Gbk("省份")), EConvertError, "'' is not a valid integer value");
  EXPECT_EQ(query_.FieldText("price"), "922337203685477.5807");
  EXPECT_EQ(query_.FieldInteger("big"), 2147483647);
  EXPECT_EQ(query_.FieldText("stamp"), "1800-01-01 06:30:00");

  Run("select index, quhao from city_double where index=7.5 or quhao=0.5");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_EQ(query_.FieldText("index"), "7.5");
  EXPECT_EQ(query_.FieldInteger("index"), 8);  // halves to the even neighbour
  EXPECT_EQ(query_.FieldText("quhao"), "471");
  query_.Next();
  EXPECT_EQ(query_.FieldText("index"), "-3");
  EXPECT_EQ(query_.FieldInteger("index"), -3);
  EXPECT_EQ(query_.FieldText("quhao"), "0.5");
  EXPECT_EQ(query_.FieldInteger("quhao"), 0);

  Run("select * from city_numeric where shi='呼和浩特'");
  EXPECT_EQ(query_.FieldText("youbian"), "10000");
  EXPECT_EQ(query_.FieldInteger("quhao"), 471);
  Run("select txt_comp from alltypes where id=1");
  EXPECT_RAISE(query_.FieldInteger("txt_comp"), EConvertError,
               "'hello' is not a valid integer value");
}

TEST_F(QueryTest, EditingStates) {
  ATTR_REQUIRE_FIXTURE(fixture, "attrdata-types.mdb");
  testing_support::ScratchDir scratch;
  Use(scratch.CopyIn(fixture, "types.mdb"));
  Run("select * from alltypes where id<=2");
  EXPECT_RAISE(query_.SetFieldText("txt_comp", "x"), EDatabaseError,
               "ADOQuery1: Dataset not in edit or insert mode");
  query_.Edit();
  query_.Edit();  // editing already: nothing
  EXPECT_RAISE(query_.SetFieldText("id", "9"), EDatabaseError, "Field 'id' cannot be modified");
  EXPECT_RAISE(query_.SetFieldText("nope", "9"), EDatabaseError,
               "ADOQuery1: Field 'nope' not found");
  query_.Post();  // nothing changed: back to browsing without a write
  query_.Edit();
  query_.Next();  // nothing changed: the edit is dropped and the walk goes on
  EXPECT_EQ(query_.FieldInteger("id"), 2);

  // Next posts a pending change first; the result keeps its rows and order.
  Run("select * from alltypes where id<=2");
  query_.Next();
  const std::string second = query_.FieldText("txt_comp");
  Run("select * from alltypes where id<=2");
  query_.Edit();
  query_.SetFieldText("txt_comp", "x");
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("id"), 2);
  EXPECT_EQ(query_.RowCount(), 2);
  // Close drops a change not yet posted.
  query_.Edit();
  query_.SetFieldText("txt_comp", "y");
  query_.Close();
  Run("select * from alltypes where id<=2");
  EXPECT_EQ(query_.FieldText("txt_comp"), "x");
  query_.Next();
  EXPECT_EQ(query_.FieldText("txt_comp"), second);
}

TEST_F(QueryTest, PostCutsTextToTheColumnAndFailuresLeaveTheRowUnwritten) {
  ATTR_REQUIRE_FIXTURE(fixture, "attrdata-narrow.mdb");
  testing_support::ScratchDir scratch;
  Use(scratch.CopyIn(fixture, "narrow.mdb"));
  Run("select * from numindex");
  const std::string first = query_.FieldText("numhead");
  query_.Edit();
  query_.SetFieldText("numhead", "048254120249091211081");  // 21 into TEXT(10)
  query_.Post();
  EXPECT_EQ(query_.FieldText("numhead"), "0482541202");
  EXPECT_EQ(query_.RowCount(), 300);

  // A value the column cannot take: the post fails unprefixed, the cursor
  // stays editing, and Close leaves the row as it was.
  query_.Edit();
  query_.SetFieldText("index", "1.5");
  EXPECT_RAISE(query_.Post(), EConvertError, "'1.5' is not a valid integer value");
  EXPECT_RAISE(query_.SetFieldText("nope", "1"), EDatabaseError,
               "ADOQuery1: Field 'nope' not found");
  query_.SetFieldText("index", "7");
  query_.Close();
  Run("select * from numindex");
  EXPECT_EQ(query_.FieldText("numhead"), "0482541202");
  EXPECT_NE(query_.FieldText("index"), "7");
  EXPECT_NE(first, "0482541202");
}

TEST(Connection, AFileMarkedReadOnlyIsNeverWritten) {
  ATTR_REQUIRE_FIXTURE(fixture, "attrdata-small.mdb");
  testing_support::ScratchDir scratch;
  std::filesystem::path copy = scratch.CopyIn(fixture, "ro.mdb");
  std::filesystem::permissions(copy, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  TADOConnection connection;
  connection.SetDataSource(copy.string());
  TADOQuery query(connection);
  query.SQL().Add("select * from numindex");
  query.Open();
  EXPECT_RAISE(query.Edit(), EDatabaseError, "ADOQuery1: Cannot modify a read-only dataset");
}

TEST(Connection, MissingFileFailsUntilItAppears) {
  ATTR_REQUIRE_FIXTURE(small, "attrdata-small.mdb");
  testing_support::ScratchDir dir;
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    TADOConnection connection;
    EXPECT_EQ(connection.ConnectionString().size(), 552u);
    std::string expected =
        "Could not find file '" + (dir.path() / "attrdata.mdb").string() + "'";
    std::vector<std::string> reports;
    connection.Loaded([&](const base::Exception& e) { reports.push_back(e.Message()); });
    EXPECT_EQ(reports, std::vector<std::string>{expected});
    EXPECT_FALSE(connection.Connected());
    TADOQuery query(connection);
    // Setting the text tries silently; Open tries again and reports.
    query.SQL().Add("select distinct sheng from city");
    EXPECT_RAISE(query.Open(), EOleException, expected);
    EXPECT_FALSE(query.Active());
    dir.CopyIn(small, "attrdata.mdb");
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.RowCount(), 13);
  }
  std::filesystem::current_path(previous);
}

TEST(Connection, FilesThatAreNotDatabases) {
  ATTR_REQUIRE_FIXTURE(random, "broken/random-64k.mdb");
  ATTR_REQUIRE_FIXTURE(jet3, "broken/access97-jet3.mdb");
  for (const auto& file : {random, jet3}) {
    TADOConnection connection;
    connection.SetDataSource(file.string());
    EXPECT_RAISE(connection.Open(), EOleException,
                 "Unrecognized database format '" + file.string() + "'");
    EXPECT_FALSE(connection.Connected());
  }
}

TEST_F(QueryTest, FieldTextAndIntegerOfEveryKindInOurOwnDatabase) {
  testing_support::AddKindsTable(UseOwn());
  Run("select * from kinds where id=1");
  struct Case {
    const char* column;
    const char* text;
  } row1[] = {
      {"flag", "True"},      {"tiny", "255"},        {"small", "1"},
      {"big", "2147483647"}, {"price", "1234.5678"}, {"ratio", "3.1415901184082"},
      {"measure", "3.14159265358979"},               {"stamp", "1900-01-01"},
  };
  for (const Case& c : row1) EXPECT_EQ(query_.FieldText(c.column), c.text) << c.column;
  EXPECT_EQ(Utf8(query_.FieldText("txt")), "广州市天河区");
  EXPECT_EQ(query_.FieldInteger("tiny"), 255);
  EXPECT_EQ(query_.FieldInteger("price"), 1235);
  EXPECT_EQ(query_.FieldInteger("ratio"), 3);
  EXPECT_EQ(query_.FieldInteger("big"), 2147483647);
  for (const char* other : {"flag", "stamp", "bin"}) {
    EXPECT_RAISE(query_.FieldInteger(other), EDatabaseError,
                 std::string("Cannot access field '") + other + "' as type Integer");
  }
  EXPECT_RAISE(query_.FieldInteger("txt"), EConvertError,
               Gbk("'广州市天河区' is not a valid integer value"));

  Run("select * from kinds where id=2");
  EXPECT_EQ(query_.FieldText("flag"), "False");
  EXPECT_EQ(query_.FieldText("price"), "-0.0001");
  EXPECT_EQ(query_.FieldText("ratio"), "-1.49999995239828E-20");
  EXPECT_EQ(query_.FieldText("measure"), "1E300");
  EXPECT_EQ(query_.FieldText("stamp"), "1899-12-29 12:00:00");
  EXPECT_EQ(query_.FieldText("small"), "-1");
  EXPECT_EQ(query_.FieldInteger("price"), 0);
  EXPECT_EQ(Utf8(query_.FieldText("txt")), "emoji ? 和 hello");
  // Nulls: empty text, integer 0 for numbers.
  EXPECT_EQ(query_.FieldText("tiny"), "");
  EXPECT_EQ(query_.FieldText("big"), "");
  EXPECT_EQ(query_.FieldInteger("big"), 0);
  EXPECT_EQ(query_.FieldText("bin"), "");
}

TEST_F(QueryTest, EditingStatesInOurOwnDatabase) {
  testing_support::AddKindsTable(UseOwn());
  Run("select * from kinds where id<=2");
  EXPECT_RAISE(query_.SetFieldText("txt", "x"), EDatabaseError,
               "ADOQuery1: Dataset not in edit or insert mode");
  query_.Edit();
  query_.Edit();  // editing already: nothing
  EXPECT_RAISE(query_.SetFieldText("id", "9"), EDatabaseError, "Field 'id' cannot be modified");
  EXPECT_RAISE(query_.SetFieldText("nope", "9"), EDatabaseError,
               "ADOQuery1: Field 'nope' not found");
  query_.Post();  // nothing changed: back to browsing without a write
  query_.Edit();
  query_.Next();  // nothing changed: the edit is dropped and the walk goes on
  EXPECT_EQ(query_.FieldInteger("id"), 2);

  // Next posts a pending change first; the result keeps its rows and order.
  Run("select * from kinds where id<=2");
  query_.Edit();
  query_.SetFieldText("txt", Gbk("深圳"));
  query_.SetFieldText("small", "-7");
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("id"), 2);
  EXPECT_EQ(query_.RowCount(), 2);
  // Close drops a change not yet posted.
  query_.Edit();
  query_.SetFieldText("txt", "y");
  query_.Close();
  Run("select * from kinds where id<=2");
  EXPECT_EQ(Utf8(query_.FieldText("txt")), "深圳");
  EXPECT_EQ(query_.FieldInteger("small"), -7);
  query_.Next();
  EXPECT_EQ(Utf8(query_.FieldText("txt")), "emoji ? 和 hello");

  // A number out of the column's range, and an empty number (null).
  query_.Edit();
  query_.SetFieldText("tiny", "256");
  EXPECT_RAISE(query_.Post(), EDatabaseError, "'256' is not a valid value for field 'tiny'");
  query_.SetFieldText("tiny", "");
  query_.SetFieldText("small", "");
  query_.Post();
  EXPECT_EQ(query_.FieldText("small"), "");
  // Columns the writer does not change.
  query_.Edit();
  query_.SetFieldText("flag", "1");
  EXPECT_RAISE(query_.Post(), EDatabaseError, "Field 'flag' cannot be modified");
}

TEST_F(QueryTest, PostCutsTextToTheColumnAndFailuresLeaveTheRowUnwrittenInOurOwnDatabase) {
  testing_support::DemoOptions narrow;
  narrow.heads = testing_support::HeadForm::kPlain;
  narrow.schema.numhead_size = 10;
  UseOwn(narrow);
  const std::string cut = codec::EncodeNumberHead("1380100").substr(0, 10);
  Run("select * from numindex");
  EXPECT_EQ(query_.FieldText("numhead"), "1380100");
  EXPECT_EQ(query_.FieldSize("numhead"), 10);
  query_.Edit();
  query_.SetFieldText("numhead", codec::EncodeNumberHead("1380100"));  // 21 into TEXT(10)
  query_.Post();
  EXPECT_EQ(query_.FieldText("numhead"), cut);
  EXPECT_EQ(query_.RowCount(), testing_support::kDemoHeadRows);

  query_.Edit();
  query_.SetFieldText("index", "1.5");
  EXPECT_RAISE(query_.Post(), EConvertError, "'1.5' is not a valid integer value");
  EXPECT_RAISE(query_.SetFieldText("nope", "1"), EDatabaseError,
               "ADOQuery1: Field 'nope' not found");
  query_.SetFieldText("index", "7");
  query_.Close();
  Run("select * from numindex");
  EXPECT_EQ(query_.FieldText("numhead"), cut);
  EXPECT_EQ(query_.FieldText("index"), "1");
  // The change reached the file: a new connection sees it.
  TADOConnection other;
  other.SetDataSource((own_dir_.path() / "attrdata.mdb").string());
  TADOQuery reader(other);
  reader.SQL().Add("select * from numindex where numhead='" + cut + "'");
  reader.Open();
  EXPECT_EQ(reader.RowCount(), 1);
}

TEST(Connection, AFileMarkedReadOnlyIsNeverWrittenInOurOwnDatabase) {
  testing_support::ScratchDir scratch;
  std::filesystem::path copy = scratch.path() / "ro.mdb";
  testing_support::WriteAttributionDatabase(copy, testing_support::DemoAttribution());
  std::filesystem::permissions(copy, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  TADOConnection connection;
  connection.SetDataSource(copy.string());
  TADOQuery query(connection);
  query.SQL().Add("select * from numindex");
  query.Open();
  EXPECT_EQ(query.RowCount(), testing_support::kDemoHeadRows);
  EXPECT_RAISE(query.Edit(), EDatabaseError, "ADOQuery1: Cannot modify a read-only dataset");
  query.BeginBatch();  // nothing on a read-only file
  query.EndBatch();
}

TEST(Connection, PathsInMessagesAreGbkLikeEveryOtherText) {
  testing_support::ScratchDir dir;
  const std::filesystem::path folder = dir.path() / u8"用户文档";
  std::filesystem::create_directory(folder);
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  {
    TADOConnection connection;
    std::vector<std::string> reports;
    connection.Loaded([&](const base::Exception& e) { reports.push_back(e.Message()); });
    ASSERT_EQ(reports.size(), 1u);
    const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
    const std::string gbk_folder =
        separator + "\xd3\xc3\xbb\xa7\xce\xc4\xb5\xb5" + separator + "attrdata.mdb'";
    EXPECT_NE(reports[0].find(gbk_folder), std::string::npos) << reports[0];
  }
  std::filesystem::current_path(previous);
}

TEST(Connection, MissingFileFailsUntilItAppearsInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    TADOConnection connection;
    std::string expected =
        "Could not find file '" + (dir.path() / "attrdata.mdb").string() + "'";
    std::vector<std::string> reports;
    connection.Loaded([&](const base::Exception& e) { reports.push_back(e.Message()); });
    EXPECT_EQ(reports, std::vector<std::string>{expected});
    TADOQuery query(connection);
    query.SQL().Add("select distinct sheng from city");
    EXPECT_RAISE(query.Open(), EOleException, expected);
    EXPECT_FALSE(query.Active());
    testing_support::WriteAttributionDatabase(dir.path() / "attrdata.mdb",
                                              testing_support::DemoAttribution());
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.RowCount(), 7);
  }
  std::filesystem::current_path(previous);
}

TEST(Connection, FilesThatAreNotDatabasesInOurOwnScratch) {
  testing_support::ScratchDir dir;
  std::string noise(65536, '\0');
  uint32_t state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  const std::filesystem::path random = dir.path() / "random.mdb";
  const std::filesystem::path text = dir.path() / "text.mdb";
  std::ofstream(random, std::ios::binary) << noise;
  std::ofstream(text, std::ios::binary) << std::string(8192, 'x');
  for (const auto& file : {random, text}) {
    TADOConnection connection;
    connection.SetDataSource(file.string());
    EXPECT_RAISE(connection.Open(), EOleException,
                 "Unrecognized database format '" + file.string() + "'");
    EXPECT_FALSE(connection.Connected());
  }
}

}  // namespace
}  // namespace db
