// Databases made from nothing: what our reader, the checker and mdbtools see
// in them, and how saving treats an existing file.
#include "db/jet/write/database_creator.h"

#include <gtest/gtest.h>

#include <fstream>

#include "db/jet/write/checker.h"
#include "db/jet/format/format.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/testing/writer_test_util.h"
#include "platform/file.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

std::vector<std::u16string> CatalogNames(Database& db) {
  std::vector<std::u16string> names;
  auto catalog = db.GetTable(u"MSysObjects", true);
  RowCursor cursor = db.Scan(catalog);
  std::u16string name;
  while (cursor.Next()) {
    if (cursor.row().GetText(catalog->ColumnIndex(u"Name"), name)) names.push_back(name);
  }
  return names;
}

TEST(DatabaseCreator, NewFileHoldsTheSystemTablesAndNothingElse) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "new.mdb";
  CreateDatabase(path, NewDatabaseOptions{.created = 46000.25});
  ASSERT_EQ(std::filesystem::file_size(path) % format::kPageSize, 0u);

  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(db->header().version, 1);
  EXPECT_EQ(db->header().code_page, 1252);
  EXPECT_EQ(db->header().sort_order, 1033);
  EXPECT_DOUBLE_EQ(db->header().creation_date, 46000.25);
  EXPECT_TRUE(db->TableNames().empty());
  EXPECT_EQ(db->SystemTableNames(),
            (std::vector<std::u16string>{u"MSysObjects", u"MSysACEs", u"MSysQueries",
                                         u"MSysRelationships"}));
  EXPECT_EQ(CatalogNames(*db),
            (std::vector<std::u16string>{u"Tables", u"Databases", u"Relationships", u"MSysDb",
                                         u"MSysObjects", u"MSysACEs", u"MSysQueries",
                                         u"MSysRelationships"}));
  auto catalog = db->GetTable(u"MSysObjects", true);
  EXPECT_EQ(catalog->tdef_page, format::kCatalogTdefPage);
  EXPECT_EQ(catalog->columns.size(), 17u);
  EXPECT_EQ(catalog->row_count, 8u);
  ASSERT_EQ(catalog->indexes.size(), 2u);
  EXPECT_EQ(catalog->indexes[1].name, u"Id");
  EXPECT_TRUE(catalog->indexes[1].primary_key);
  EXPECT_EQ(db->GetTable(u"MSysACEs", true)->row_count, 9u);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;

  if (!testing::RunCommand("command -v mdb-tables")) return;  // no mdbtools
  const std::string file = "'" + path.string() + "'";
  EXPECT_EQ(testing::RunCommand("mdb-ver " + file), "JET4\n");
  EXPECT_EQ(testing::RunCommand("mdb-tables -1 " + file), "");
  EXPECT_EQ(testing::RunCommand("mdb-tables -1 -S " + file),
            "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
  EXPECT_EQ(testing::MdbExportLineCount(path, "MSysObjects"), 8u);
  EXPECT_EQ(testing::MdbExportLineCount(path, "MSysACEs"), 9u);
}

TEST(DatabaseCreator, SavingNeverClobbersUnlessAskedAndLeavesNoTemporaryFile) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  { std::ofstream(path) << "precious"; }
  EXPECT_JET_ERROR(CreateDatabase(path), kInvalidArgument, path.string() + " exists already");
  EXPECT_EQ(std::filesystem::file_size(path), 8u);

  std::vector<uint8_t> image = NewDatabaseImage();
  SaveDatabaseImage(image, path, /*replace=*/true);
  EXPECT_EQ(std::filesystem::file_size(path), image.size());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()), 1);

  try {
    CreateDatabase(dir.path() / "no" / "such" / "folder.mdb");
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kIo) << e.what();
  }
}

// A replace through a symbolic link writes the file the link names and
// leaves the link a link; the new file keeps the old one's mode; temporary
// files of writers that are gone are cleared, a live writer's kept.
TEST(DatabaseCreator, ReplacingFollowsLinksKeepsTheModeAndClearsLeftovers) {
  testing_support::ScratchDir dir;
  const auto real = dir.path() / "real.mdb", link = dir.path() / "link.mdb";
  CreateDatabase(real);
  std::error_code error;
  std::filesystem::create_symlink("real.mdb", link, error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  const auto left = TemporaryPathFor(real, 2147483646);  // no such process
  const auto live = TemporaryPathFor(real, platform::ProcessId());
  const auto live_other = dir.path() / "real.mdb.new-x1";
  for (const auto& p : {left, live_other}) std::ofstream(p) << "partial";
  EXPECT_EQ(JournalPathFor(link), dir.path() / "real.mdb-journal");

  std::vector<uint8_t> image = NewDatabaseImage();
  image.resize(image.size() + format::kPageSize);
  SaveDatabaseImage(image, link, /*replace=*/true);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(std::filesystem::file_size(real), image.size());
  EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_FALSE(std::filesystem::exists(live));
  EXPECT_TRUE(std::filesystem::exists(live_other));  // not a process id
}

TEST(DatabaseCreator, ChangesToACopyInMemoryReachTheFileOnlyWhenSaved) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "db.mdb";
  {
    auto db = NewMemoryDatabase();
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"t", {{u"n", ColumnKind::kLong}}, {});
    writer.InsertRow(table, {{0, int32_t{1}}});
    writer.Commit();
    SaveDatabaseImage(DatabaseBytes(*db), path);
  }
  auto before = testing::ReadFileBytes(path);
  auto copy = LoadDatabaseIntoMemory(path);
  {
    Writer writer(*copy, WriterOptions{.sync = false});
    writer.Begin();
    writer.DeleteAllRows(copy->GetTable(u"t"));
    writer.InsertRow(copy->GetTable(u"t"), {{0, int32_t{2}}});
    writer.Commit();
  }
  EXPECT_EQ(testing::ReadFileBytes(path), before);
  SaveDatabaseImage(DatabaseBytes(*copy), path, /*replace=*/true);
  auto db = Database::Open(path, OpenMode::kReadOnly);
  RowCursor cursor = db->Scan(db->GetTable(u"t"));
  ASSERT_TRUE(cursor.Next());
  EXPECT_EQ(cursor.row().Get(0), Value{int32_t{2}});
  EXPECT_FALSE(cursor.Next());
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
}

}  // namespace
}  // namespace jet
