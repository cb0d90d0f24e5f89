// Faults while writing: a disk that fills up or fails part way through a
// commit, a failing sync, the file removed or replaced while open. Each
// must reach the caller as kIo (or be coped with) and leave the file whole:
// every change of the batch there, or none.
#include <gtest/gtest.h>

#include <cerrno>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

// The real file, whose writes from the `first_failure`-th on fail with
// `error` (all of them when `persistent`, else that one only), and whose
// sync fails when `failing_sync`.
class FaultyFile : public PageFile {
 public:
  FaultyFile(const fs::path& path, int first_failure, bool persistent, int error,
             bool failing_sync = false)
      : inner_(OpenPageFile(path, OpenMode::kReadWrite)), countdown_(first_failure),
        persistent_(persistent), error_(error), failing_sync_(failing_sync) {}
  const std::string& Name() const override { return inner_->Name(); }
  uint64_t Size() override { return inner_->Size(); }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) override {
    return inner_->ReadAt(offset, out, n);
  }
  void WriteAt(uint64_t offset, const uint8_t* data, size_t n) override {
    if (countdown_ == 0 || (countdown_ < 0 && persistent_)) {
      --countdown_;
      ++failures_;
      // A full disk may take part of a write before it refuses the rest.
      if (n > 1 && failures_ == 1) inner_->WriteAt(offset, data, n / 2);
      RaiseIoError(Name(), "writing", error_);
    }
    --countdown_;
    inner_->WriteAt(offset, data, n);
  }
  void Sync() override {
    if (failing_sync_) RaiseIoError(Name(), "syncing", EIO);
    inner_->Sync();
  }
  FileStamp Stamp() override { return inner_->Stamp(); }
  void Reopen() override { inner_->Reopen(); }
  bool Writable() const override { return true; }
  int failures() const { return failures_; }

 private:
  std::unique_ptr<PageFile> inner_;
  int countdown_;
  bool persistent_;
  int error_;
  bool failing_sync_;
  int failures_ = 0;
};

// A database with a table of 300 rows (ids 0..299, text "old").
fs::path MakeBase(const fs::path& dir) {
  fs::path path = dir / "base.mdb";
  CreateDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  auto table = CreateTable(*db, writer, u"t",
                           {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 40},
                            {u"note", ColumnKind::kMemo}},
                           {{u"PrimaryKey", {u"id"}, true}, {u"text", {u"text"}}});
  for (int32_t k = 0; k < 300; ++k) {
    writer.InsertRow(table, {{0, k}, {1, std::u16string(u"old")}});
  }
  writer.Commit();
  return path;
}

// One batch: every row's text becomes "new ..." and 400 rows with memos
// are added.
void ChangeEverything(Database& db, Writer& writer) {
  writer.Begin();
  auto table = db.GetTable(u"t");
  std::vector<RowLocation> homes;
  RowCursor cursor = db.Scan(table);
  while (cursor.Next()) homes.push_back(cursor.row().location());
  for (RowLocation home : homes) {
    writer.UpdateRow(table, home, {{1, std::u16string(u"new and rather longer text")}});
  }
  for (int32_t k = 300; k < 700; ++k) {
    writer.InsertRow(table, {{0, k}, {1, std::u16string(u"added")},
                             {2, std::u16string(static_cast<size_t>(k), u'm')}});
  }
  writer.Commit();
}

// "old" when the file holds the rows before the batch, "new" when after;
// a failure names anything else.
std::string State(const fs::path& path) {
  auto db = Database::Open(path, OpenMode::kReadWrite);  // rolls a journal back
  EXPECT_FALSE(JournalExists(JournalPathFor(path)));
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  auto table = db->GetTable(u"t");
  RowCursor cursor = db->Scan(table);
  size_t rows = 0, old_rows = 0;
  std::u16string text;
  while (cursor.Next()) {
    ++rows;
    if (cursor.row().GetText(1, text) && text == u"old") ++old_rows;
  }
  if (rows == 300 && old_rows == 300 && table->row_count == 300) return "old";
  if (rows == 700 && old_rows == 0 && table->row_count == 700) return "new";
  return "torn: " + std::to_string(rows) + " rows, " + std::to_string(old_rows) + " old";
}

TEST(Faults, AFullOrFailingDiskDuringACommitLosesNothing) {
  testing_support::ScratchDir dir;
  fs::path base = MakeBase(dir.path());
  fs::path path = dir.path() / "db.mdb";
  int failed_commits = 0;
  for (int first = 0; first < 200; first += 7) {
    for (bool persistent : {false, true}) {
      SCOPED_TRACE("write " + std::to_string(first) + (persistent ? " on" : " once"));
      testing_support::CopyOver(base, path);
      bool failed = false;
      {
        auto file = std::make_unique<FaultyFile>(path, first, persistent, ENOSPC);
        Database db(std::make_unique<JournaledFile>(std::move(file), JournalPathFor(path), path));
        Writer writer(db, WriterOptions{.sync = false});
        try {
          ChangeEverything(db, writer);
        } catch (const Error& e) {
          failed = true;
          EXPECT_EQ(e.kind(), ErrorKind::kIo) << e.what();
          EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
              << e.what();
          EXPECT_FALSE(writer.InBatch());
        }
      }
      failed_commits += failed;
      EXPECT_EQ(State(path), failed ? "old" : "new");
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(failed_commits, 10);
}

TEST(Faults, AFailingSyncIsReportedAndTheBatchUndone) {
  testing_support::ScratchDir dir;
  fs::path path = MakeBase(dir.path());
  {
    auto file = std::make_unique<FaultyFile>(path, -1, false, 0, /*failing_sync=*/true);
    Database db(std::make_unique<JournaledFile>(std::move(file), JournalPathFor(path), path));
    Writer writer(db, WriterOptions{.sync = true});
    EXPECT_THROW(ChangeEverything(db, writer), Error);
  }
  EXPECT_EQ(State(path), "old");
}

TEST(Faults, AFileRemovedWhileOpenIsNotWrittenIntoTheVoid) {
  testing_support::ScratchDir dir;
  fs::path path = MakeBase(dir.path());
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  fs::rename(path, dir.path() / "elsewhere.mdb");
  EXPECT_JET_ERROR(writer.Begin(), kIo,
                   path.string() + ": finding the database file failed: No such file or directory");
  EXPECT_FALSE(writer.InBatch());
  // Readers go on with the file they have.
  EXPECT_EQ(db->GetTable(u"t")->row_count, 300u);
}

TEST(Faults, AFileReplacedWhileOpenIsWrittenWhereItNowLies) {
  testing_support::ScratchDir dir;
  fs::path path = MakeBase(dir.path());
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  fs::path other = dir.path() / "other.mdb";
  fs::copy_file(path, other);
  fs::rename(other, path);  // another program saved a new copy over it
  ChangeEverything(*db, writer);
  EXPECT_EQ(State(path), "new");
}

TEST(Faults, AFileMadeReadOnlyWhileOpenIsNotWrittenAnyMore) {
  testing_support::ScratchDir dir;
  fs::path path = MakeBase(dir.path());
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_JET_ERROR(ChangeEverything(*db, writer), kIo,
                   path.string() + ": writing failed: Permission denied");
  EXPECT_FALSE(writer.InBatch());
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(State(path), "old");
}

}  // namespace
}  // namespace jet
