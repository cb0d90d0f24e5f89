// ADOQuery1 and ADOConnection1 on databases our engine writes and on the
// shared fixtures another program wrote: states, results on empty and
// closed cursors, every message, and the field formats.
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

using Strings = std::vector<std::string>;

// FieldText of `column` in every row of `statement` (all UTF-8).
struct Texts {
  std::string statement, column;
  Strings values;
};
// FieldInteger of `column` in every row.
struct Integers {
  std::string statement, column;
  std::vector<int32_t> values;
};
// FieldInteger of `column` in the first row raises EConvertError (else
// EDatabaseError) with `message`.
struct Refusal {
  std::string statement, column, message;
  bool convert = false;
};
struct Reads {
  std::vector<Texts> texts = {};
  std::vector<Integers> integers = {};
  std::vector<Refusal> refusals = {};
};

// The databases a case runs on and what they hold.
struct Source {
  std::string name;
  bool shared;        // the shared fixtures, else files our engine writes
  int provinces;      // distinct sheng in the attribution file
  int heads;          // its numindex rows
  std::vector<int32_t> shenzhen;  // the indexes of 广东/深圳, in table order
  Reads attribution;  // further reads of the attribution file
  std::string kinds_table, kinds_text;  // the table of every kind, a text column
  Reads kinds;
  int narrow_heads;   // numindex rows of the file whose numhead is TEXT(10)
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

Source Ours() {
  const std::string twice =
      "select * from numindex where numhead='" + codec::EncodeNumberHead("1355500") + "'";
  const std::string row1 = "select * from kinds where id=1";
  const std::string row2 = "select * from kinds where id=2";
  return {
      .name = "Ours",
      .shared = false,
      .provinces = 7,
      .heads = testing_support::kDemoHeadRows,
      .shenzhen = {4, 10},
      // A name in two provinces; a character GBK cannot hold comes out as
      // "?"; the leading zeros of a text column stay; both rows of the head
      // stored twice, in table order.
      .attribution = {
          .texts = {{"select * from city where sheng='广东' and shi='深圳'", "youbian",
                     {"518000", "518100"}},
                    {"select * from city where shi='朝阳'", "sheng", {"辽宁", "北京"}},
                    {"select * from city where index=11", "shi", {"演示区?"}},
                    {"select * from city where index=11", "youbian", {"000000"}},
                    {twice, "cardtype", {"1", "3"}},
                    {"select index from numindex where index=4", "index", Strings(60, "4")}},
          .integers = {{"select * from city where index=11", "youbian", {0}},
                       {twice, "index", {4, 6}}}},
      .kinds_table = "kinds",
      .kinds_text = "txt",
      .kinds = {.texts = {{row1, "flag", {"True"}},
                          {row1, "tiny", {"255"}},
                          {row1, "small", {"1"}},
                          {row1, "big", {"2147483647"}},
                          {row1, "price", {"1234.5678"}},
                          {row1, "ratio", {"3.1415901184082"}},
                          {row1, "measure", {"3.14159265358979"}},
                          {row1, "stamp", {"1900-01-01"}},
                          {row1, "txt", {"广州市天河区"}},
                          {row2, "flag", {"False"}},
                          {row2, "price", {"-0.0001"}},
                          {row2, "ratio", {"-1.49999995239828E-20"}},
                          {row2, "measure", {"1E300"}},
                          {row2, "stamp", {"1899-12-29 12:00:00"}},
                          {row2, "small", {"-1"}},
                          {row2, "txt", {"emoji ? 和 hello"}},
                          // Nulls: empty text, integer 0 for numbers.
                          {row2, "tiny", {""}},
                          {row2, "big", {""}},
                          {row2, "bin", {""}}},
                .integers = {{row1, "tiny", {255}},
                             {row1, "price", {1235}},
                             {row1, "ratio", {3}},
                             {row1, "big", {2147483647}},
                             {row2, "price", {0}},
                             {row2, "big", {0}}},
                .refusals = {{row1, "flag", "Cannot access field 'flag' as type Integer"},
                             {row1, "stamp", "Cannot access field 'stamp' as type Integer"},
                             {row1, "bin", "Cannot access field 'bin' as type Integer"},
                             {row1, "txt", "'广州市天河区' is not a valid integer value", true}}},
      .narrow_heads = testing_support::kDemoHeadRows,
  };
}

Source Shared() {
  const std::string row2 = "select * from alltypes where id=2";
  const std::string row3 = "select * from alltypes where id=3";
  const std::string row4 = "select * from alltypes where id=4";
  const std::string doubles = "select index, quhao from city_double where index=7.5 or quhao=0.5";
  const std::string numeric = "select * from city_numeric where shi='呼和浩特'";
  auto not_integer = [&](const char* column) {
    return Refusal{row2, column, std::string("Cannot access field '") + column +
                                     "' as type Integer"};
  };
  return {
      .name = "SharedFixture",
      .shared = true,
      .provinces = 13,
      .heads = 3014,
      .shenzhen = {7, 61},
      .attribution = {
          .texts = {{"select * from city where sheng='广东' and shi='深圳'", "youbian",
                     {"518000", "518000"}},
                    {"select * from city where shi='海南'", "sheng", {"青海"}},
                    {"select * from numindex where numhead='048248010176051004235'", "index",
                     {"7", "26"}},
                    {"select index from numindex where index=61", "index", Strings(10, "61")}}},
      .kinds_table = "alltypes",
      .kinds_text = "txt_comp",
      .kinds = {.texts = {{row2, "flag", {"False"}},
                          {row2, "tiny", {"255"}},
                          {row2, "small", {"1"}},
                          {row2, "price", {"1234.5678"}},
                          {row2, "ratio", {"3.1415901184082"}},
                          {row2, "measure", {"3.14159265358979"}},
                          {row2, "stamp", {"1900-01-01"}},
                          {row2, "amount", {"12345678901234.5678"}},
                          {row2, "memo_plain", {""}},
                          {row2, "ole_small", {""}},
                          {row2, "省份", {"广东"}},
                          {row2, "txt_comp", {"广州市天河区"}},
                          {row3, "price", {"-0.0001"}},
                          {row3, "ratio", {"-1.49999995239828E-20"}},
                          {row3, "measure", {"1E300"}},
                          {row3, "stamp", {"1899-12-29 12:00:00"}},
                          {row3, "small", {"-1"}},
                          // Characters that code page 936 cannot hold become "?".
                          {row3, "txt_comp", {"emoji ? and 中文"}},
                          {row4, "省份", {""}},
                          {row4, "price", {"922337203685477.5807"}},
                          {row4, "stamp", {"1800-01-01 06:30:00"}},
                          {doubles, "index", {"7.5", "-3"}},
                          {doubles, "quhao", {"471", "0.5"}},
                          {numeric, "youbian", {"10000"}}},
                .integers = {{row2, "tiny", {255}},
                             {row2, "price", {1235}},
                             {row2, "ratio", {3}},
                             {row3, "price", {0}},
                             {row4, "big", {2147483647}},
                             // 7.5 halves to the even neighbour.
                             {doubles, "index", {8, -3}},
                             {doubles, "quhao", {471, 0}},
                             {numeric, "quhao", {471}}},
                .refusals = {not_integer("flag"), not_integer("stamp"),
                             not_integer("memo_short"), not_integer("ole_small"),
                             not_integer("bin"), not_integer("guid"),
                             {row2, "txt_plain", "'' is not a valid integer value", true},
                             {row4, "省份", "'' is not a valid integer value", true},
                             {"select txt_comp from alltypes where id=1", "txt_comp",
                              "'hello' is not a valid integer value", true}}},
      .narrow_heads = 300,
  };
}

// The files a case can ask for.
enum class File { kAttribution, kKinds, kNarrow, kEmpty };

const char* const kFixtures[] = {"attrdata-small.mdb", "attrdata-types.mdb",
                                 "attrdata-narrow.mdb", "attrdata-empty.mdb",
                                 "broken/random-64k.mdb", "broken/access97-jet3.mdb"};

class QueryTest : public ::testing::TestWithParam<Source> {
 protected:
  void SetUp() override {
    if (!GetParam().shared) return;
    for (const char* fixture : kFixtures) {
      if (!testing_support::FixturePath(fixture)) {
        GTEST_SKIP() << "shared fixture absent: " << fixture;
      }
    }
  }

  // A writable copy of `file` named `name` in the scratch folder: the
  // shared fixture, or the demonstration database (with the kinds table,
  // with NarrowHeads, or without rows) our engine writes.
  std::filesystem::path Make(File file, const std::string& name = "attrdata.mdb") {
    if (GetParam().shared) {
      return scratch_.CopyIn(*testing_support::FixturePath(kFixtures[static_cast<int>(file)]),
                             name);
    }
    const std::filesystem::path path = scratch_.path() / name;
    if (file == File::kEmpty) {
      testing_support::WriteAttributionDatabase(path, {});
      return path;
    }
    testing_support::WriteAttributionDatabase(
        path, testing_support::DemoAttribution(file == File::kNarrow
                                                   ? testing_support::NarrowHeads()
                                                   : testing_support::DemoOptions{}));
    if (file == File::kKinds) testing_support::AddKindsTable(path);
    return path;
  }
  // Files that are not Jet 4 databases.
  std::vector<std::filesystem::path> NotDatabases() {
    if (GetParam().shared) {
      return {*testing_support::FixturePath(kFixtures[4]),
              *testing_support::FixturePath(kFixtures[5])};
    }
    std::string noise(65536, '\0');
    uint32_t state = 12345;
    for (char& c : noise) {
      state = state * 1103515245u + 12345u;
      c = static_cast<char>(state >> 24);
    }
    const std::filesystem::path random = scratch_.path() / "random.mdb";
    const std::filesystem::path text = scratch_.path() / "text.mdb";
    std::ofstream(random, std::ios::binary) << noise;
    std::ofstream(text, std::ios::binary) << std::string(8192, 'x');
    return {random, text};
  }

  void Use(const std::filesystem::path& file) { connection_.SetDataSource(file.string()); }
  // Close, set the one line, Open: the pattern of every command.
  void Run(std::string_view utf8_line) {
    query_.Close();
    query_.SQL().Clear();
    query_.SQL().Add(Gbk(utf8_line));
    query_.Open();
  }
  void Check(const Reads& reads);

  testing_support::ScratchDir scratch_;
  TADOConnection connection_;
  TADOQuery query_{connection_};
};

void QueryTest::Check(const Reads& reads) {
  for (const Texts& t : reads.texts) {
    Run(t.statement);
    Strings values;
    for (; !query_.AtEnd(); query_.Next()) {
      values.push_back(Utf8(query_.FieldText(Gbk(t.column))));
    }
    EXPECT_EQ(values, t.values) << t.statement << ": " << t.column;
  }
  for (const Integers& t : reads.integers) {
    Run(t.statement);
    std::vector<int32_t> values;
    for (; !query_.AtEnd(); query_.Next()) values.push_back(query_.FieldInteger(Gbk(t.column)));
    EXPECT_EQ(values, t.values) << t.statement << ": " << t.column;
  }
  for (const Refusal& r : reads.refusals) {
    SCOPED_TRACE(r.statement + ": " + r.column);
    Run(r.statement);
    if (r.convert) {
      EXPECT_RAISE(query_.FieldInteger(Gbk(r.column)), EConvertError, Gbk(r.message));
    } else {
      EXPECT_RAISE(query_.FieldInteger(Gbk(r.column)), EDatabaseError, Gbk(r.message));
    }
  }
}

TEST(QueryTest, ClosedCursor) {
  TADOConnection connection;
  TADOQuery query(connection);
  query.Close();  // nothing happens, nothing is raised
  EXPECT_FALSE(query.Active());
  EXPECT_TRUE(query.AtEnd());
  const char* closed = "ADOQuery1: Cannot perform this operation on a closed dataset";
  EXPECT_RAISE(query.RowCount(), EDatabaseError, closed);
  EXPECT_RAISE(query.Next(), EDatabaseError, closed);
  EXPECT_RAISE(query.Edit(), EDatabaseError, closed);
  EXPECT_RAISE(query.FieldText("sheng"), EDatabaseError, "ADOQuery1: Field 'sheng' not found");
  EXPECT_RAISE(query.FieldInteger("index"), EDatabaseError,
               "ADOQuery1: Field 'index' not found");
  query.Post();  // outside editing: nothing
}

TEST_P(QueryTest, StatementTextAndItsChecks) {
  Use(Make(File::kAttribution));
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
  EXPECT_EQ(query_.RowCount(), GetParam().provinces);
  query_.Open();  // open already: nothing
  // Closing the cursor leaves the connection open; closing the connection
  // closes the cursor.
  query_.Close();
  EXPECT_TRUE(connection_.Connected());
  query_.Open();
  connection_.Close();
  EXPECT_FALSE(query_.Active());
}

TEST_P(QueryTest, ParameterMarkersReachTheEngine) {
  Use(Make(File::kAttribution));
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

TEST_P(QueryTest, WithoutParamCheckQuotedValuesAreSentAsTheyAre) {
  Use(Make(File::kAttribution));
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

TEST_P(QueryTest, EmptyResult) {
  Use(Make(File::kAttribution));
  Run("select * from numindex where index=-1");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldText("numhead"), "");
  EXPECT_EQ(query_.FieldInteger("index"), 0);
  EXPECT_RAISE(query_.FieldInteger("numhead"), EConvertError, "'' is not a valid integer value");
  query_.Next();
  EXPECT_TRUE(query_.AtEnd());
  // A database whose tables hold no rows at all.
  query_.Close();
  connection_.Close();
  Use(Make(File::kEmpty, "empty.mdb"));
  Run("select distinct sheng from city");
  EXPECT_EQ(query_.RowCount(), 0);
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldText("sheng"), "");
}

TEST_P(QueryTest, WalkingAndReadingRows) {
  Use(Make(File::kAttribution));
  const std::vector<int32_t>& shenzhen = GetParam().shenzhen;
  Run("select * from city where sheng='广东' and shi='深圳'");
  ASSERT_EQ(query_.RowCount(), 2);
  EXPECT_FALSE(query_.AtEnd());
  EXPECT_EQ(query_.FieldInteger("INDEX"), shenzhen[0]);
  EXPECT_EQ(Utf8(query_.FieldText("SHENG")), "广东");
  EXPECT_EQ(query_.FieldInteger("youbian"), 518000);
  EXPECT_EQ(query_.FieldInteger("quhao"), 755);
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("index"), shenzhen[1]);
  query_.Next();  // past the last row: the end flag, the last row stays
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.FieldInteger("index"), shenzhen[1]);
  query_.Next();
  EXPECT_TRUE(query_.AtEnd());
  EXPECT_EQ(query_.RowCount(), 2);
  EXPECT_RAISE(query_.FieldText("sheng2"), EDatabaseError, "ADOQuery1: Field 'sheng2' not found");
  EXPECT_EQ(query_.FieldNames(), (Strings{"index", "sheng", "shi", "youbian", "quhao"}));
  Run("select shi, shi, [shi] as SHI_1 from city where index=1");
  EXPECT_EQ(query_.FieldNames(), (Strings{"shi", "shi_1", "SHI_1_1"}));
  Check(GetParam().attribution);
}

TEST_P(QueryTest, ProviderErrorsCloseTheCursor) {
  Use(Make(File::kAttribution));
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

TEST_P(QueryTest, FieldTextAndIntegerOfEveryKind) {
  Use(Make(File::kKinds));
  Check(GetParam().kinds);
}

TEST_P(QueryTest, EditingStates) {
  Use(Make(File::kKinds));
  const std::string rows = "select * from " + GetParam().kinds_table + " where id<=2";
  const std::string& text = GetParam().kinds_text;
  Run(rows);
  EXPECT_RAISE(query_.SetFieldText(text, "x"), EDatabaseError,
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
  const std::string second = query_.FieldText(text);

  // Next posts a pending change first; the result keeps its rows and order.
  Run(rows);
  query_.Edit();
  query_.SetFieldText(text, Gbk("深圳"));
  query_.SetFieldText("small", "-7");
  query_.Next();
  EXPECT_EQ(query_.FieldInteger("id"), 2);
  EXPECT_EQ(query_.RowCount(), 2);
  // Close drops a change not yet posted.
  query_.Edit();
  query_.SetFieldText(text, "y");
  query_.Close();
  Run(rows);
  EXPECT_EQ(Utf8(query_.FieldText(text)), "深圳");
  EXPECT_EQ(query_.FieldInteger("small"), -7);
  query_.Next();
  EXPECT_EQ(query_.FieldText(text), second);

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

TEST_P(QueryTest, PostCutsTextToTheColumnAndFailuresLeaveTheRowUnwritten) {
  const std::filesystem::path path = Make(File::kNarrow);
  Use(path);
  Run("select * from numindex");
  const std::string first = query_.FieldText("numhead");
  const std::string index = query_.FieldText("index");
  const std::string encoded = codec::EncodeNumberHead(first);
  const std::string cut = encoded.substr(0, 10);
  EXPECT_EQ(query_.FieldSize("numhead"), 10);
  query_.Edit();
  query_.SetFieldText("numhead", encoded);  // 21 into TEXT(10)
  query_.Post();
  EXPECT_EQ(query_.FieldText("numhead"), cut);
  EXPECT_EQ(query_.RowCount(), GetParam().narrow_heads);

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
  EXPECT_EQ(query_.FieldText("numhead"), cut);
  EXPECT_EQ(query_.FieldText("index"), index);
  // The change reached the file: a new connection sees it.
  TADOConnection other;
  other.SetDataSource(path.string());
  TADOQuery reader(other);
  reader.SQL().Add("select * from numindex where numhead='" + cut + "'");
  reader.Open();
  EXPECT_EQ(reader.RowCount(), 1);
}

// The connection's own cases, on the same databases.
class Connection : public QueryTest {};

TEST_P(Connection, AFileMarkedReadOnlyIsNeverWritten) {
  const std::filesystem::path copy = Make(File::kAttribution, "ro.mdb");
  std::filesystem::permissions(copy, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  Use(copy);
  query_.SQL().Add("select * from numindex");
  query_.Open();
  EXPECT_EQ(query_.RowCount(), GetParam().heads);
  EXPECT_RAISE(query_.Edit(), EDatabaseError, "ADOQuery1: Cannot modify a read-only dataset");
  query_.BeginBatch();  // nothing on a read-only file
  query_.EndBatch();
}

TEST_P(Connection, MissingFileFailsUntilItAppears) {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch_.path());
  {
    TADOConnection connection;
    EXPECT_EQ(connection.ConnectionString().size(), 552u);
    std::string expected =
        "Could not find file '" + (scratch_.path() / "attrdata.mdb").string() + "'";
    std::vector<std::string> reports;
    connection.Loaded([&](const base::Exception& e) { reports.push_back(e.Message()); });
    EXPECT_EQ(reports, std::vector<std::string>{expected});
    EXPECT_FALSE(connection.Connected());
    TADOQuery query(connection);
    // Setting the text tries silently; Open tries again and reports.
    query.SQL().Add("select distinct sheng from city");
    EXPECT_RAISE(query.Open(), EOleException, expected);
    EXPECT_FALSE(query.Active());
    Make(File::kAttribution);
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.RowCount(), GetParam().provinces);
  }
  std::filesystem::current_path(previous);
}

TEST_P(Connection, FilesThatAreNotDatabases) {
  for (const auto& file : NotDatabases()) {
    TADOConnection connection;
    connection.SetDataSource(file.string());
    EXPECT_RAISE(connection.Open(), EOleException,
                 "Unrecognized database format '" + file.string() + "'");
    EXPECT_FALSE(connection.Connected());
  }
}

std::string SourceName(const ::testing::TestParamInfo<Source>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Databases, QueryTest, ::testing::Values(Ours(), Shared()), SourceName);
INSTANTIATE_TEST_SUITE_P(Databases, Connection, ::testing::Values(Ours(), Shared()), SourceName);

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

}  // namespace
}  // namespace db
