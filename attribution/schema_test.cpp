// The application's tables created in Access's empty database and in one
// of our own: our reader sees them with the declared columns, the checker
// is content, a second creation is refused and changes nothing; the narrow
// and indexed variations, and the test databases built on them.
#include "attribution/schema.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace attribution {
namespace {

// Creates the tables in the empty database at `path` and checks them.
void CreateAndCheck(const std::filesystem::path& path) {
  {
    auto database = jet::Database::Open(path, jet::OpenMode::kReadWrite);
    jet::Writer writer(*database, jet::WriterOptions{.sync = false});
    CreateAttributionTables(*database, writer);
    EXPECT_THROW(CreateAttributionTables(*database, writer), jet::Error);
    EXPECT_FALSE(writer.InBatch());
  }
  auto database = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  EXPECT_EQ(database->TableNames(),
            (std::vector<std::u16string>{u"city", u"cardtype", u"numindex"}));
  auto numindex = database->GetTable(u"numindex");
  ASSERT_EQ(numindex->columns.size(), 3u);
  EXPECT_EQ(numindex->columns[0].Size(), 30u);
  EXPECT_TRUE(numindex->columns[0].compressed);
  EXPECT_EQ(numindex->columns[1].kind, jet::ColumnKind::kLong);
  EXPECT_EQ(database->GetTable(u"city")->columns[4].name, u"quhao");
  EXPECT_EQ(database->GetTable(u"cardtype")->columns[1].Size(), 50u);
  for (const std::string& problem : jet::CheckDatabase(*database)) ADD_FAILURE() << problem;
}

// The empty database the tables go into: Access's own (a shared fixture),
// or one our engine creates (empty name).
class EmptyDatabase : public ::testing::TestWithParam<const char*> {};

TEST_P(EmptyDatabase, GetsTheThreeTables) {
  testing_support::ScratchDir dir;
  const std::filesystem::path path = dir.path() / "db.mdb";
  if (*GetParam() == '\0') {
    jet::CreateDatabase(path);
  } else {
    ATTR_REQUIRE_FIXTURE(source, GetParam());
    dir.CopyIn(source, "db.mdb");
  }
  CreateAndCheck(path);
}

INSTANTIATE_TEST_SUITE_P(AttributionSchema, EmptyDatabase,
                         ::testing::Values("", "access/blank-template.mdb"),
                         [](const auto& info) {
                           return std::string(*info.param ? "Access" : "Ours");
                         });

// Every value of `column` in table order, as UTF-8 ("null" for null).
std::vector<std::string> ColumnOf(jet::Database& database, std::u16string_view table_name,
                                  std::u16string_view column) {
  auto table = database.GetTable(table_name);
  const size_t position = table->ColumnIndex(column);
  std::vector<std::string> values;
  jet::RowCursor cursor = database.Scan(table);
  while (cursor.Next()) {
    jet::Value value = cursor.row().Get(position);
    if (auto* text = std::get_if<std::u16string>(&value)) {
      values.push_back(base::Utf16ToUtf8(*text));
    } else if (auto* number = std::get_if<int32_t>(&value)) {
      values.push_back(std::to_string(*number));
    } else {
      values.push_back(jet::IsNull(value) ? "null" : "?");
    }
  }
  return values;
}

TEST(AttributionSchema, NarrowHeadColumnAndIndexes) {
  testing_support::ScratchDir dir;
  testing_support::DemoOptions options{.heads = testing_support::HeadForm::kPlain,
                                       .odd_heads = true,
                                       .schema = {.numhead_size = 10, .indexes = true}};
  testing_support::WriteAttributionDatabase(dir.path() / "db.mdb",
                                            testing_support::DemoAttribution(options));
  auto database = jet::Database::Open(dir.path() / "db.mdb", jet::OpenMode::kReadOnly);
  auto numindex = database->GetTable(u"numindex");
  EXPECT_EQ(numindex->columns[0].Size(), 10u);
  ASSERT_EQ(numindex->indexes.size(), 2u);
  EXPECT_EQ(numindex->indexes[0].name, u"numhead");
  EXPECT_FALSE(numindex->indexes[0].unique);
  EXPECT_EQ(numindex->indexes[1].name, u"index");
  auto city = database->GetTable(u"city");
  ASSERT_EQ(city->indexes.size(), 1u);
  EXPECT_TRUE(city->indexes[0].primary_key);
  EXPECT_TRUE(database->GetTable(u"cardtype")->indexes.empty());
  EXPECT_EQ(numindex->row_count, 280u);
  for (const std::string& problem : jet::CheckDatabase(*database)) ADD_FAILURE() << problem;
}

// The shared test data reads back as written: every kind of head, the
// Chinese names, a character GBK has no code for.
TEST(AttributionSchema, TestDatabasesReadBackAsWritten) {
  testing_support::ScratchDir dir;
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kMixed;
  options.odd_heads = true;
  const auto data = testing_support::DemoAttribution(options);
  testing_support::WriteAttributionDatabase(dir.path() / "db.mdb", data);
  auto database = jet::Database::Open(dir.path() / "db.mdb", jet::OpenMode::kReadOnly);
  for (const std::string& problem : jet::CheckDatabase(*database)) ADD_FAILURE() << problem;

  std::vector<std::string> heads = ColumnOf(*database, u"numindex", u"numhead");
  ASSERT_EQ(heads.size(), 280u);
  EXPECT_EQ(heads[0], codec::EncodeNumberHead("1380100"));
  EXPECT_EQ(heads[1], "1390210");
  EXPECT_EQ(heads[3], "1355500");
  EXPECT_EQ(heads[14], "1355507");  // the second round begins at row 11
  EXPECT_EQ(heads[10], codec::EncodeNumberHead("1990000"));
  EXPECT_EQ((std::vector<std::string>(heads.begin() + 41, heads.begin() + 45)),
            (std::vector<std::string>{"189560", "18956001", "", "null"}));
  EXPECT_EQ(heads.back(), "1860999");
  EXPECT_EQ(testing_support::DemoHeadsOf(4).size(), 60u);
  EXPECT_EQ(testing_support::DemoHeadsOf(6).back(), "1355500");

  EXPECT_EQ(ColumnOf(*database, u"city", u"shi"),
            (std::vector<std::string>{"北京", "上海", "广州", "深圳", "珠海", "成都", "吉林",
                                      "朝阳", "朝阳", "深圳", "演示区😀"}));
  EXPECT_EQ(ColumnOf(*database, u"city", u"youbian")[10], "000000");
  EXPECT_EQ(ColumnOf(*database, u"cardtype", u"describe"),
            (std::vector<std::string>{"中国移动", "中国联通", "中国电信", "中国广电"}));
  // A second file at the same path is refused.
  EXPECT_THROW(testing_support::WriteAttributionDatabase(dir.path() / "db.mdb", data),
               jet::Error);
}

TEST(AttributionSchema, EmptyDatabaseHasTheTablesAndNoRows) {
  testing_support::ScratchDir dir;
  testing_support::WriteAttributionDatabase(dir.path() / "db.mdb", {});
  auto database = jet::Database::Open(dir.path() / "db.mdb", jet::OpenMode::kReadOnly);
  for (const char16_t* table : {u"city", u"cardtype", u"numindex"}) {
    EXPECT_EQ(database->GetTable(table)->row_count, 0u);
    EXPECT_FALSE(database->Scan(database->GetTable(table)).Next());
  }
}

}  // namespace
}  // namespace attribution
