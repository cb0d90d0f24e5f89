// The application's tables created in Access's empty database: our reader
// sees them with the declared columns, the checker is content, a second
// creation is refused and changes nothing.
#include "db/attribution_schema.h"

#include <gtest/gtest.h>

#include "db/jet/checker.h"
#include "db/jet/error.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace db {
namespace {

TEST(AttributionSchema, CreatesTheThreeTables) {
  ATTR_REQUIRE_FIXTURE(source, "access/blank-template.mdb");
  testing_support::ScratchDir dir;
  auto path = dir.CopyIn(source, "db.mdb");
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

}  // namespace
}  // namespace db
