// Readers beside a writer: reader processes scan and look rows up in a loop
// while a writer process commits batch after batch (inserts that add pages,
// updates that move rows), now and then killed outright. No reader may fail
// or see a row half changed, and every row count seen must be a committed
// one. Each reader has its own handle of the file, and locks belong to the
// handle, so reader threads exclude the writer as reader processes would.
// Also the lock levels between two handles of one file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>

#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/testing/crash_rows.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/file/file_lock.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/attribution_db.h"
#include "platform/process.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kInsertBatch = 9;
constexpr int kInsertCount = 1000000;  // never reached: the test stops it

void MakeRowsDatabase(const fs::path& path) {
  CreateDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  CreateTable(*db, writer, u"rows",
              {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 40},
               {u"note", ColumnKind::kMemo}},
              {{u"PrimaryKey", {u"id"}, true}});
  writer.Commit();
}

platform::ChildProcess StartWriter(const fs::path& path, bool inserts) {
  if (inserts) {
    return platform::ChildProcess::Start({JET_INSERT_HELPER, path.string(),
                                          std::to_string(kInsertBatch), "0",
                                          std::to_string(kInsertCount)});
  }
  return platform::ChildProcess::Start({JET_UPDATE_HELPER, path.string(), "3", "0"});
}

// What one reader checks: a failure is a message, else empty.
class RowsReader {
 public:
  virtual ~RowsReader() = default;
  // One statement's worth of reading under the lock: a scan, or lookups of
  // rows seen by an earlier scan.
  virtual std::string Scan(Database& db) = 0;
  virtual std::string Lookup(Database& db, std::mt19937& random) = 0;
};

// "rows" as the insert helper fills it: 0, 1, ... each whole, in whole
// batches.
class InsertedRows : public RowsReader {
 public:
  std::string Scan(Database& db) override {
    ReadLock lock(db);
    auto table = db.GetTable(u"rows");
    RowCursor cursor = db.Scan(table);
    std::vector<RowLocation> seen;
    for (; cursor.Next();) {
      if (auto bad = Check(cursor.row(), static_cast<int32_t>(seen.size()))) return *bad;
      seen.push_back(cursor.row().location());
    }
    const size_t n = seen.size();
    if (n != table->row_count) {
      return "scan found " + std::to_string(n) + " rows, the table says " +
             std::to_string(table->row_count);
    }
    if (n % kInsertBatch != 0) return "row count " + std::to_string(n) + " was never committed";
    locations_ = std::move(seen);
    return {};
  }

  std::string Lookup(Database& db, std::mt19937& random) override {
    if (locations_.empty()) return {};
    ReadLock lock(db);
    auto table = db.GetTable(u"rows");
    for (int k = 0; k < 20; ++k) {
      size_t i = std::uniform_int_distribution<size_t>(0, locations_.size() - 1)(random);
      std::optional<Row> row = db.ReadRow(table, locations_[i]);
      if (!row) return "row " + std::to_string(i) + " is gone";
      if (auto bad = Check(*row, static_cast<int32_t>(i))) return *bad;
    }
    return {};
  }

 private:
  static std::optional<std::string> Check(const Row& row, int32_t id) {
    bool whole = row.Get(0) == Value{id} && row.Get(1) == Value{testing::CrashRowText(id)} &&
                 (id % 3 == 0 ? row.Get(2) == Value{testing::CrashRowNote(id)} : row.IsNull(2));
    if (whole) return std::nullopt;
    return "row " + std::to_string(id) + " is not whole";
  }

  std::vector<RowLocation> locations_;
};

// numindex under the maintenance run: every row wholly old or wholly new.
class UpdatedRows : public RowsReader {
 public:
  UpdatedRows(json before, json after) : before_(std::move(before)), after_(std::move(after)) {}

  std::string Scan(Database& db) override {
    ReadLock lock(db);
    json rows = testing::ReadNumindex(db);
    if (rows.size() != before_.size()) return "numindex has " + std::to_string(rows.size()) + " rows";
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] != before_[i] && rows[i] != after_[i]) return "row " + rows[i].dump() + " is half changed";
    }
    auto table = db.GetTable(u"numindex");
    RowCursor cursor = db.Scan(table);
    locations_.clear();
    while (cursor.Next()) locations_.push_back(cursor.row().location());
    return {};
  }

  std::string Lookup(Database& db, std::mt19937& random) override {
    if (locations_.empty()) return {};
    ReadLock lock(db);
    auto table = db.GetTable(u"numindex");
    for (int k = 0; k < 20; ++k) {
      size_t i = std::uniform_int_distribution<size_t>(0, locations_.size() - 1)(random);
      std::optional<Row> row = db.ReadRow(table, locations_[i]);
      if (!row) return "row " + std::to_string(i) + " is gone";
      json r = json::array();
      for (size_t c = 0; c < 3; ++c) {
        Value v = row->Get(c);
        if (auto* s = std::get_if<std::u16string>(&v)) {
          r.push_back(base::Utf16ToUtf8(*s));
        } else if (auto* n = std::get_if<int32_t>(&v)) {
          r.push_back(*n);
        } else {
          r.push_back(nullptr);
        }
      }
      if (r != before_[i] && r != after_[i]) return "looked-up row " + r.dump() + " is half changed";
    }
    return {};
  }

 private:
  json before_, after_;
  std::vector<RowLocation> locations_;
};

// The body of a reader: reads until `until`, counting the statements it
// ran. Returns the first failure, else empty.
std::string RunReader(const fs::path& path, OpenMode mode, RowsReader& reader,
                      Clock::time_point until, unsigned seed, int& statements) {
  try {
    auto db = Database::Open(path, mode);
    std::mt19937 random(seed);
    while (Clock::now() < until) {
      std::string failure = reader.Scan(*db);
      if (failure.empty()) failure = reader.Lookup(*db, random);
      if (!failure.empty()) return failure;
      statements += 2;
    }
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

struct Scenario {
  const char* name;
  bool inserts;  // else updates that move rows
  bool kill;     // the writer is killed at random moments and started again
};

class ReadersBesideAWriter : public ::testing::TestWithParam<Scenario> {};

TEST_P(ReadersBesideAWriter, SeeOnlyWholeCommits) {
  const Scenario& s = GetParam();
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "shared.mdb";
  std::function<std::unique_ptr<RowsReader>()> make_reader;
  if (s.inserts) {
    MakeRowsDatabase(path);
    make_reader = [] { return std::make_unique<InsertedRows>(); };
  } else {
    testing_support::DemoOptions options = testing_support::MixedHeads();
    options.extra_heads = 2200;
    const auto data = testing_support::DemoAttribution(options);
    testing_support::WriteAttributionDatabase(path, data);
    const auto after = testing_support::HeadsAfterEncoding(data);
    json before = json::array(), expected = json::array();
    for (size_t i = 0; i < data.heads.size(); ++i) {
      const auto& row = data.heads[i];
      before.push_back(json::array(
          {row.numhead ? json(*row.numhead) : json(nullptr), row.index, row.cardtype}));
      expected.push_back(json::array(
          {after[i] ? json(*after[i]) : json(nullptr), row.index, row.cardtype}));
    }
    make_reader = [before, expected] { return std::make_unique<UpdatedRows>(before, expected); };
  }

  const auto run_for = std::chrono::milliseconds(2500);
  const auto until = Clock::now() + run_for;
  // Two readers that only read (one reads through a crash's journal), one
  // that may write (it rolls such a journal back).
  const OpenMode modes[] = {OpenMode::kReadOnly, OpenMode::kReadOnly, OpenMode::kReadWrite};
  struct Reader {
    std::unique_ptr<RowsReader> rows;
    std::string failure;
    int statements = 0;
    std::thread thread;
  };
  std::vector<Reader> readers(std::size(modes));
  for (size_t r = 0; r < readers.size(); ++r) {
    Reader& reader = readers[r];
    reader.rows = make_reader();
    reader.thread = std::thread([&reader, &path, mode = modes[r], until, r] {
      reader.failure = RunReader(path, mode, *reader.rows, until,
                                 static_cast<unsigned>(20261209 + r), reader.statements);
    });
  }

  std::mt19937 random(20261209);
  int writers = 0, killed = 0;
  while (Clock::now() < until) {
    platform::ChildProcess writer = StartWriter(path, s.inserts);
    ++writers;
    if (s.kill) {
      // A sanitized helper needs about 100 ms to reach the file.
      std::this_thread::sleep_for(std::chrono::microseconds(
          (testing::kSanitized ? 120000 : 0) +
          std::uniform_int_distribution<int>(0, 150000)(random)));
      writer.Kill();
      killed += writer.Wait().killed ? 1 : 0;
      continue;
    }
    // Inserts go on until stopped; an update run ends when done.
    if (s.inserts) {
      std::this_thread::sleep_for(until - Clock::now());
      writer.Kill();
    }
    writer.Wait();
    if (!s.inserts) break;
  }

  int statements = 0;
  for (size_t r = 0; r < readers.size(); ++r) {
    readers[r].thread.join();
    EXPECT_EQ(readers[r].failure, "") << "reader " << r;
    statements += readers[r].statements;
  }
  std::printf("%d statements read beside %d writer runs (%d killed)\n", statements, writers,
              killed);
  EXPECT_GT(statements, 0);

  // What the last writer left opens sound.
  auto db = Database::Open(path, OpenMode::kReadWrite);
  EXPECT_FALSE(JournalExists(JournalPathFor(path)));
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  EXPECT_EQ(make_reader()->Scan(*db), "");
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ReadersBesideAWriter,
    ::testing::Values(Scenario{"Inserts", true, false}, Scenario{"Updates", false, false},
                      Scenario{"KilledInserts", true, true},
                      Scenario{"KilledUpdates", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Commits that follow each other faster than the file clock ticks are each
// noticed by a reader with pages cached: every commit leaves the file a
// modification time it never had.
TEST(ReadLock, NoticesEveryCommitOfAnotherHandle) {
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "often.mdb";
  MakeRowsDatabase(path);
  auto reader = Database::Open(path, OpenMode::kReadOnly);
  auto writer_db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*writer_db, WriterOptions{.sync = false});
  for (int32_t i = 0; i < 40; ++i) {
    writer.InsertRow(writer_db->GetTable(u"rows"),
                     {{0, i}, {1, testing::CrashRowText(i)}});
    ReadLock lock(*reader);
    EXPECT_TRUE(lock.changed()) << i;
    EXPECT_EQ(reader->GetTable(u"rows")->row_count, static_cast<uint32_t>(i + 1));
  }
  ReadLock lock(*reader);
  EXPECT_FALSE(lock.changed());
}

// What another handle of the file holds, and whether a statement and a
// writer's batch of this one get through it (each waits 100 ms at most).
struct Holding {
  const char* name;
  bool shared, reserved, pending, exclusive;
  bool read_passes, begin_passes, commit_passes;
};

class LockLevels : public ::testing::TestWithParam<Holding> {};

TEST_P(LockLevels, StatementsAndCommitsWaitOnlyWhereTheyMust) {
  const Holding& h = GetParam();
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "locked.mdb";
  MakeRowsDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  db->SetBusyTimeout(std::chrono::milliseconds(100));
  auto table = db->GetTable(u"rows");
  const auto original = testing::ReadFileBytes(path);

  FileLock other(path);
  if (h.shared) other.LockShared(other.Deadline());
  if (h.reserved) {
    ASSERT_TRUE(other.TryReserve());
  }
  if (h.pending) {
    ASSERT_TRUE(other.TryPending());
  }
  if (h.exclusive) other.WaitExclusive(other.Deadline());

  auto expect_busy = [&](auto&& body, bool passes) {
    if (passes) {
      EXPECT_NO_THROW(body());
      return;
    }
    auto start = Clock::now();
    try {
      body();
      ADD_FAILURE() << "not kept waiting";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kBusy);
      EXPECT_EQ(std::string(e.what()), path.string() +
                ": the database is busy: another program is using it; nothing was "
                "changed, try again");
    }
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
  };
  expect_busy([&] { ReadLock lock(*db); }, h.read_passes);
  Writer writer(*db, WriterOptions{.sync = false});
  expect_busy([&] { writer.Begin(); }, h.begin_passes);
  if (writer.InBatch()) {
    writer.InsertRow(table, {{0, int32_t{7}}, {1, std::u16string(u"seven")}});
    expect_busy([&] { writer.Commit(); }, h.commit_passes);
  }
  EXPECT_FALSE(writer.InBatch());
  // Nothing half done: the file is as it was, or holds the whole row.
  EXPECT_FALSE(JournalExists(JournalPathFor(path)));
  if (!h.commit_passes) {
    EXPECT_EQ(testing::ReadFileBytes(path), original);
  }

  other.UnlockAll();
  writer.InsertRow(db->GetTable(u"rows"), {{0, int32_t{8}}, {1, std::u16string(u"eight")}});
  ReadLock lock(*db);
  EXPECT_EQ(db->GetTable(u"rows")->row_count, h.commit_passes ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Holdings, LockLevels,
    ::testing::Values(
        Holding{"Nothing", false, false, false, false, true, true, true},
        Holding{"Shared", true, false, false, false, true, true, false},
        Holding{"Reserved", true, true, false, false, true, false, false},
        Holding{"Pending", true, false, true, false, false, false, false},
        Holding{"ReservedAndPending", true, true, true, false, false, false, false},
        Holding{"Exclusive", true, false, true, true, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jet
