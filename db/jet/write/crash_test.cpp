// Real crashes: a helper process runs the maintenance run and is killed
// (SIGKILL) at a random moment; the file it leaves must open, read and
// check sound with every row wholly old or wholly new, and the run must
// then finish. The same for a helper that inserts rows. Also two writers
// at once. On the shared fixtures and on databases our engine writes.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>
#include <variant>
#include <vector>

#include "db/jet/testing/crash_rows.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/file/journal.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "platform/file.h"
#include "platform/process.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"

extern char** environ;

namespace jet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A sanitized helper takes about 100 ms under load before it reaches the
// database; a kill before then would test nothing.
constexpr int kStartupUs = testing::kSanitized ? 120000 : 0;

using platform::ChildProcess;

ChildProcess StartInserter(const fs::path& file, size_t batch, bool sync, int count) {
  return ChildProcess::Start({JET_INSERT_HELPER, file.string(), std::to_string(batch),
                              sync ? "1" : "0", std::to_string(count)});
}

ChildProcess StartHelper(const fs::path& file, size_t batch, bool sync) {
  return ChildProcess::Start(
      {JET_UPDATE_HELPER, file.string(), std::to_string(batch), sync ? "1" : "0"});
}

// Kills `child` after `us` microseconds (a crash at a random moment).
void KillAfter(ChildProcess& child, int us) {
  std::this_thread::sleep_for(std::chrono::microseconds(kStartupUs + us));
  child.Kill();
  child.Wait();
}

// Waits until the inserter has begun to write `file` (its stamp or size
// moves), then kills it after `us` microseconds: a process start under load,
// or under wine, can take longer than the whole random span.
void KillAfterFirstWrite(ChildProcess& child, const fs::path& file, int us) {
  const auto before = platform::PathInfo(file);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < give_up && !child.TryWait()) {
    const auto now = platform::PathInfo(file);
    if (!now || !before || now->modified_ns != before->modified_ns ||
        now->size != before->size) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  std::this_thread::sleep_for(std::chrono::microseconds(us));
  child.Kill();
  child.Wait();
}

int Wait(ChildProcess child) { return child.Wait().Succeeded() ? 0 : 1; }

using testing::AttributionFile;
using testing::ExpectSound;
using testing::Source;

// Each case on databases of our own and on the shared fixtures.
class CrashTest : public ::testing::TestWithParam<Source> {};

// Plain heads with the odd ones and 2200 more, no indexes.
testing_support::DemoOptions ManyPlainHeads() {
  testing_support::DemoOptions options = testing_support::MixedHeads();
  options.extra_heads = 2200;
  return options;
}

TEST_P(CrashTest, KilledWritersLeaveEveryRowWhollyOldOrNew) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(plain, GetParam(), dir.path(), "attrdata-plain", ManyPlainHeads(),
                     "plain.mdb");
  JET_PLACE_DATABASE(indexed, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads(), "indexed.mdb");
  // Fewer runs on our own databases, which are smaller: the fixtures have the many.
  const int runs = GetParam() == Source::kOurs ? (testing::kSanitized ? 6 : 30)
                                               : (testing::kSanitized ? 10 : 120);
  std::mt19937 random(20261208);
  int interrupted = 0;  // runs killed with some rows old and some new
  for (int run = 0; run < runs; ++run) {
    const AttributionFile& f = run % 2 ? indexed : plain;
    size_t batch = std::array<size_t, 4>{1, 7, 60, 400}[run / 2 % 4];
    bool sync = run % 7 == 0;
    SCOPED_TRACE("run " + std::to_string(run) + " batch " + std::to_string(batch));
    fs::path path = dir.CopyIn(f.path, "run.mdb");
    ChildProcess child = StartHelper(path, batch, sync);
    KillAfter(child, std::uniform_int_distribution<int>(0, 60000)(random));
    bool hot = JournalExists(JournalPathFor(path));
    auto db = Database::Open(path, OpenMode::kReadWrite);
    EXPECT_FALSE(JournalExists(JournalPathFor(path)));
    json rows = testing::ReadNumindex(*db);
    testing::ExpectEachRowOldOrNew(rows, f.before, f.after);
    if (rows != f.before && rows != f.after) ++interrupted;
    ExpectSound(*db);
    if (run % 4 == 0 || hot) {
      if (auto lines = testing::MdbExportNumindex(path)) {
        EXPECT_EQ(*lines, testing::ExportLines(rows));
      }
    }
    Writer writer(*db, WriterOptions{.sync = false});
    testing::RunMaintenance(*db, writer, f.after, 500);
    EXPECT_EQ(testing::ReadNumindex(*db), f.after);
    ExpectSound(*db);
    if (::testing::Test::HasFailure()) break;
  }
  std::printf("%d of %d runs were killed part way\n", interrupted, runs);
  EXPECT_GT(interrupted, 0);
}

TEST_P(CrashTest, WritersAtOnceLeaveASoundFile) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(f, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads(), "indexed.mdb");
  std::vector<size_t> batches{3, 40};
  if (GetParam() == Source::kSharedFixture && !testing::kSanitized) {
    batches = {1, 3, 10, 40, 200};
  }
  for (size_t batch : batches) {
    fs::path path = dir.CopyIn(f.path, "both.mdb");
    ChildProcess a = StartHelper(path, batch, false);
    ChildProcess b = StartHelper(path, batch, false);
    ChildProcess c = StartHelper(path, batch + 1, false);
    // Any of them may stop at a row another moved under its scan.
    a.Wait();
    b.Wait();
    c.Wait();
    auto db = Database::Open(path, OpenMode::kReadWrite);
    testing::ExpectEachRowOldOrNew(testing::ReadNumindex(*db), f.before, f.after);
    ExpectSound(*db);
    Writer writer(*db, WriterOptions{.sync = false});
    testing::RunMaintenance(*db, writer, f.after, 500);
    EXPECT_EQ(testing::ReadNumindex(*db), f.after);
    ExpectSound(*db);
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, CrashTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

// A new database holding the empty table "rows" the insert helper fills,
// with an index on its text as well when `text_index`.
void MakeRowsDatabase(const fs::path& path, bool text_index) {
  CreateDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  std::vector<IndexSpec> indexes{{u"PrimaryKey", {u"id"}, true}};
  if (text_index) indexes.push_back({u"text", {u"text"}});
  CreateTable(*db, writer, u"rows",
              {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 40},
               {u"note", ColumnKind::kMemo}},
              indexes);
  writer.Commit();
}

// The rows of "rows" must be 0, 1, ... each once and whole; returns how
// many there are. Their order on the pages is not that of the ids: a batch
// may take room left on an earlier page by a longer row.
int CheckInsertedRows(Database& db) {
  auto table = db.GetTable(u"rows");
  RowCursor cursor = db.Scan(table);
  std::vector<bool> seen;
  int rows = 0;
  for (; cursor.Next(); ++rows) {
    const Row& row = cursor.row();
    const Value id_value = row.Get(0);
    const int32_t* id = std::get_if<int32_t>(&id_value);
    if (id == nullptr || *id < 0 || *id >= (1 << 20)) {
      ADD_FAILURE() << "row " << rows << " has no id in range";
      break;
    }
    if (seen.size() <= static_cast<size_t>(*id)) seen.resize(*id + 1);
    EXPECT_FALSE(seen[*id]) << "id " << *id << " twice";
    seen[*id] = true;
    EXPECT_EQ(row.Get(1), Value{testing::CrashRowText(*id)}) << "id " << *id;
    if (*id % 3 == 0) {
      EXPECT_EQ(row.Get(2), Value{testing::CrashRowNote(*id)}) << "id " << *id;
    } else {
      EXPECT_TRUE(row.IsNull(2)) << "id " << *id;
    }
    if (::testing::Test::HasFailure()) break;
  }
  // No id missing below the largest.
  EXPECT_EQ(seen.size(), static_cast<size_t>(rows));
  EXPECT_EQ(table->row_count, static_cast<uint32_t>(rows));
  return rows;
}

TEST(Crash, KilledInsertersLeaveWholeCommittedBatches) {
  testing_support::ScratchDir dir;
  const fs::path source = dir.path() / "source.mdb";
  MakeRowsDatabase(source, true);
  const int runs = testing::kSanitized ? 6 : 40;
  const int count = 3000;
  std::mt19937 random(20261209);
  int interrupted = 0;
  for (int run = 0; run < runs; ++run) {
    size_t batch = std::array<size_t, 4>{1, 9, 100, 700}[run % 4];
    SCOPED_TRACE("run " + std::to_string(run) + " batch " + std::to_string(batch));
    fs::path path = dir.path() / "run.mdb";
    testing_support::CopyOver(source, path);
    ChildProcess child = StartInserter(path, batch, run % 5 == 0, count);
    KillAfterFirstWrite(child, path, std::uniform_int_distribution<int>(0, 80000)(random));
    int rows = 0;
    {
      auto db = Database::Open(path, OpenMode::kReadWrite);
      rows = CheckInsertedRows(*db);
      EXPECT_TRUE(rows % static_cast<int>(batch) == 0 || rows == count) << rows;
      if (rows > 0 && rows < count) ++interrupted;
      ExpectSound(*db);
    }
    if (run % 8 == 0) {
      EXPECT_EQ(testing::MdbExportLineCount(path, "rows").value_or(rows), static_cast<size_t>(rows));
    }
    // The next run carries on where the killed one stopped.
    EXPECT_EQ(Wait(StartInserter(path, 500, false, count)), 0);
    auto db = Database::Open(path, OpenMode::kReadOnly);
    EXPECT_EQ(CheckInsertedRows(*db), count);
    ExpectSound(*db);
    if (HasFailure()) break;
  }
  std::printf("%d of %d insert runs were killed part way\n", interrupted, runs);
  EXPECT_GT(interrupted, 0);
}

TEST(Crash, InsertersAtOnceShareTheWorkAndLoseNoRow) {
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "both.mdb";
  MakeRowsDatabase(path, false);
  const int count = testing::kSanitized ? 600 : 3000;
  ChildProcess a = StartInserter(path, 7, false, count);
  ChildProcess b = StartInserter(path, 50, false, count);
  ChildProcess c = StartInserter(path, 13, false, count);
  EXPECT_TRUE(a.Wait().Succeeded());
  EXPECT_TRUE(b.Wait().Succeeded());
  EXPECT_TRUE(c.Wait().Succeeded());
  auto db = Database::Open(path, OpenMode::kReadOnly);
  EXPECT_EQ(CheckInsertedRows(*db), count);
  ExpectSound(*db);
}

}  // namespace
}  // namespace jet
