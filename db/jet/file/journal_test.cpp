// Rollback: a file double that dies after N page writes of a commit leaves
// behind the file and journal as a crash would; reopening rolls the batch
// back, reading read-only reads through the journal, and a journal cut
// short is dropped.
#include "db/jet/file/journal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>

#include "db/jet/format/error.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Passes writes to the real file until `budget` runs out; then copies the
// file and its journal to `snapshot` (what a crash at that instant leaves)
// and fails.
class DyingFile : public PageFile {
 public:
  DyingFile(const fs::path& path, int budget, fs::path snapshot)
      : inner_(OpenPageFile(path, OpenMode::kReadWrite)), path_(path),
        budget_(budget), snapshot_(std::move(snapshot)) {}
  const std::string& Name() const override { return inner_->Name(); }
  uint64_t Size() override { return inner_->Size(); }
  size_t ReadAt(uint64_t o, uint8_t* out, size_t n) override {
    return inner_->ReadAt(o, out, n);
  }
  void WriteAt(uint64_t o, const uint8_t* data, size_t n) override {
    if (budget_-- == 0) {
      testing_support::CopyOver(path_, snapshot_);
      if (fs::exists(JournalPathFor(path_))) {
        testing_support::CopyOver(JournalPathFor(path_), JournalPathFor(snapshot_));
      }
      died_ = true;
      RaiseIoError(Name(), "writing", EIO);
    }
    inner_->WriteAt(o, data, n);
  }
  void Sync() override {}
  FileStamp Stamp() override { return inner_->Stamp(); }
  bool Writable() const override { return true; }
  bool died() const { return died_; }

 private:
  std::unique_ptr<PageFile> inner_;
  fs::path path_;
  int budget_;
  fs::path snapshot_;
  bool died_ = false;
};

using testing::ExpectSound;
using testing::Source;

// Each case on a database of our own and on a shared fixture.
class JournalTest : public ::testing::TestWithParam<Source> {};

// Batches of 700 rows: the third dies part way through its pages.
TEST_P(JournalTest, ADeathDuringACommitRollsBackOnReopen) {
  testing_support::ScratchDir source_dir;
  JET_PLACE_DATABASE(source, GetParam(), source_dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads());
  for (int budget : {0, 1, 2, 5, 9, 14, 30}) {
    SCOPED_TRACE("writes before death: " + std::to_string(budget));
    testing_support::ScratchDir dir;
    fs::path path = dir.CopyIn(source.path, "db.mdb");
    fs::path crashed = dir.path() / "crashed.mdb";
    {
      auto dying = std::make_unique<DyingFile>(path, budget, crashed);
      DyingFile* probe = dying.get();
      Database db(std::make_unique<JournaledFile>(std::move(dying),
                                                  JournalPathFor(path), path));
      Writer writer(db, WriterOptions{.sync = false});
      EXPECT_THROW(testing::RunMaintenance(db, writer, source.after, 700), Error);
      ASSERT_TRUE(probe->died());
      EXPECT_FALSE(writer.InBatch());
    }
    // The failed commit put the pages back at once.
    EXPECT_FALSE(JournalExists(JournalPathFor(path)));
    {
      auto db = Database::Open(path, OpenMode::kReadOnly);
      testing::ExpectEachRowOldOrNew(testing::ReadNumindex(*db), source.before, source.after);
      ExpectSound(*db);
    }
    // The copy taken at the moment of death: read-only reads through the
    // journal and leaves it; read-write rolls it back.
    ASSERT_TRUE(JournalExists(JournalPathFor(crashed)));
    json seen;
    {
      auto db = Database::Open(crashed, OpenMode::kReadOnly);
      seen = testing::ReadNumindex(*db);
      testing::ExpectEachRowOldOrNew(seen, source.before, source.after);
      ExpectSound(*db);
    }
    EXPECT_TRUE(JournalExists(JournalPathFor(crashed)));
    auto db = Database::Open(crashed, OpenMode::kReadWrite);
    EXPECT_FALSE(JournalExists(JournalPathFor(crashed)));
    EXPECT_EQ(testing::ReadNumindex(*db), seen);
    ExpectSound(*db);
    if (auto lines = testing::MdbExportNumindex(crashed)) {
      EXPECT_EQ(*lines, testing::ExportLines(seen));
    }
    Writer writer(*db, WriterOptions{.sync = false});
    testing::RunMaintenance(*db, writer, source.after, 700);
    EXPECT_EQ(testing::ReadNumindex(*db), source.after);
    ExpectSound(*db);
  }
}

TEST_P(JournalTest, AJournalCutShortIsDroppedAndTheFileKept) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(db, GetParam(), dir.path(), "attrdata-plain",
                     testing_support::MixedHeads());
  auto original = testing::ReadFileBytes(db.path);
  fs::path journal = JournalPathFor(db.path);
  for (size_t length : {0, 20, 32, 4000}) {
    {
      std::ofstream out(journal, std::ios::binary);
      std::vector<char> junk(length, 'J');
      out.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    Database::Open(db.path, OpenMode::kReadWrite);
    EXPECT_FALSE(JournalExists(journal)) << length;
    EXPECT_EQ(testing::ReadFileBytes(db.path), original) << length;
  }
}

TEST_P(JournalTest, ABatchNotCommittedLeavesTheFileAsItWas) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-plain",
                     testing_support::MixedHeads());
  auto original = testing::ReadFileBytes(file.path);
  auto db = Database::Open(file.path, OpenMode::kReadWrite);
  {
    Writer writer(*db);
    writer.Begin();
    auto table = db->GetTable(u"numindex");
    RowCursor cursor = db->Scan(table);
    while (cursor.Next()) {
      writer.UpdateRow(table, cursor.row().location(), {{0, std::u16string(30, u'9')}});
    }
    // Reads in the batch see its changes.
    EXPECT_EQ(testing::ReadNumindex(*db)[0][0], std::string(30, '9'));
  }  // destroyed without Commit
  EXPECT_EQ(testing::ReadFileBytes(file.path), original);
  EXPECT_EQ(testing::ReadNumindex(*db), file.before);
}

// A file nobody may write (like the shared fixtures, even for root) opens
// read-only, and a writer over it is refused before anything happens.
TEST_P(JournalTest, AFileMarkedReadOnlyIsNeverWritten) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-plain",
                     testing_support::MixedHeads());
  fs::permissions(file.path, fs::perms::owner_write | fs::perms::group_write |
                                 fs::perms::others_write,
                  fs::perm_options::remove);
  auto db = Database::Open(file.path, OpenMode::kReadWrite);
  EXPECT_JET_ERROR(Writer writer(*db), kReadOnly,
                   file.path.string() + ": the database is open read-only");
  EXPECT_FALSE(JournalExists(JournalPathFor(file.path)));
}

INSTANTIATE_TEST_SUITE_P(Databases, JournalTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// A reader with the file open (its pages cached) meets, at its next
// statement, what a writer killed part way through its pages leaves: it
// rolls the journal back when it may write, else reads through it; either
// way it sees the rows as they were before the interrupted batch.
class OpenReaderMeetsACrash : public ::testing::TestWithParam<OpenMode> {};

TEST_P(OpenReaderMeetsACrash, SeesTheStateBeforeTheBatch) {
  const auto data = testing_support::DemoAttribution(testing_support::IndexedHeads());
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "db.mdb", crashed = dir.path() / "crashed.mdb";
  testing_support::WriteAttributionDatabase(path, data);
  fs::copy_file(path, dir.path() / "work.mdb");
  {
    // A commit dies after 5 page writes; the snapshot is what a kill leaves.
    auto dying = std::make_unique<DyingFile>(dir.path() / "work.mdb", 5, crashed);
    Database db(std::make_unique<JournaledFile>(std::move(dying),
                                                JournalPathFor(dir.path() / "work.mdb"),
                                                dir.path() / "work.mdb"));
    Writer writer(db, WriterOptions{.sync = false});
    EXPECT_THROW(testing::RunMaintenance(db, writer, testing::DemoRows(data, true), 5000), Error);
  }
  ASSERT_TRUE(JournalExists(JournalPathFor(crashed)));

  auto reader = Database::Open(path, GetParam());
  json seen;
  {
    ReadLock lock(*reader);
    seen = testing::ReadNumindex(*reader);
  }
  EXPECT_EQ(seen, testing::DemoRows(data, false));
  // The crash happens under the open reader: the file's bytes change in
  // place and the journal appears beside it.
  {
    auto bytes = testing::ReadFileBytes(crashed);
    // Written over in place, never cut: where the reader maps the file
    // (Windows), it cannot shrink meanwhile, and a crash only grows it.
    ASSERT_GE(bytes.size(), fs::file_size(path));
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  fs::copy_file(JournalPathFor(crashed), JournalPathFor(path));
  {
    ReadLock lock(*reader);
    EXPECT_TRUE(lock.changed());
    EXPECT_EQ(testing::ReadNumindex(*reader), seen);
    ExpectSound(*reader);
  }
  EXPECT_EQ(JournalExists(JournalPathFor(path)), GetParam() == OpenMode::kReadOnly);
  // Rolled back by whoever may write next.
  auto writer_db = Database::Open(path, OpenMode::kReadWrite);
  EXPECT_FALSE(JournalExists(JournalPathFor(path)));
  ReadLock lock(*reader);
  EXPECT_EQ(testing::ReadNumindex(*reader), seen);
}

INSTANTIATE_TEST_SUITE_P(Modes, OpenReaderMeetsACrash,
                         ::testing::Values(OpenMode::kReadOnly, OpenMode::kReadWrite),
                         [](const auto& info) {
                           return info.param == OpenMode::kReadOnly ? "ReadOnly" : "ReadWrite";
                         });

}  // namespace
}  // namespace jet
