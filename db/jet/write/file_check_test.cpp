// The whole-file check and the roll-back of a left journal, on small files
// written by the engine and then damaged or given a journal by hand.
#include "db/jet/write/file_check.h"

#include <gtest/gtest.h>

#include <fstream>

#include "db/jet/format/error.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

class FileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = NewMemoryDatabase();
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"t", {{u"n", ColumnKind::kLong}}, {});
    for (int32_t n = 1; n <= 3; ++n) writer.InsertRow(table, {{0, n}});
    writer.Commit();
    SaveDatabaseImage(DatabaseBytes(*db), path_);
  }
  // Writes `bytes` at `offset` of the file.
  void Patch(uint64_t offset, const std::string& bytes) {
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  testing_support::ScratchDir dir_;
  fs::path path_ = dir_.path() / "db.mdb";
};

TEST_F(FileCheckTest, SoundFileHasNoProblemsAndNoJournal) {
  const FileCheck check = CheckDatabaseFile(path_);
  EXPECT_TRUE(check.problems.empty()) << check.problems.front();
  EXPECT_FALSE(check.journal.has_value());
  EXPECT_FALSE(RecoverJournal(path_).has_value());
}

TEST_F(FileCheckTest, RowsThatCannotBeReadAreAProblemOfTheirTable) {
  // The first row of the table's data page (the last page) made to start
  // beyond the page's end.
  const uint64_t last_page = fs::file_size(path_) / 4096 - 1;
  Patch(last_page * 4096 + 14, std::string("\xFF\x1F", 2));
  const FileCheck check = CheckDatabaseFile(path_);
  bool found = false;
  for (const std::string& problem : check.problems) {
    found = found || problem.starts_with("t: rows cannot be read: ");
  }
  EXPECT_TRUE(found) << ::testing::PrintToString(check.problems);
}

TEST_F(FileCheckTest, ALeftJournalIsReportedAndRecoveredOnce) {
  {
    std::ofstream journal(JournalPathFor(path_), std::ios::binary);
    journal << "cut short";
  }
  const FileCheck check = CheckDatabaseFile(path_);
  EXPECT_TRUE(check.problems.empty());
  ASSERT_TRUE(check.journal.has_value());
  EXPECT_FALSE(check.journal->complete);
  const std::optional<JournalReport> recovered = RecoverJournal(path_);
  ASSERT_TRUE(recovered.has_value());
  EXPECT_FALSE(recovered->complete);
  EXPECT_FALSE(fs::exists(JournalPathFor(path_)));
  EXPECT_FALSE(RecoverJournal(path_).has_value());
}

TEST_F(FileCheckTest, WhatIsNoDatabaseRaises) {
  std::ofstream(dir_.path() / "text.mdb") << "not a database";
  for (const fs::path& path : {dir_.path() / "text.mdb", dir_.path() / "absent.mdb"}) {
    EXPECT_THROW(CheckDatabaseFile(path), Error) << path;
    EXPECT_THROW(RecoverJournal(path), Error) << path;
  }
}

}  // namespace
}  // namespace jet
