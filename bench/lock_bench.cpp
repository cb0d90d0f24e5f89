// What the locks between readers and writers cost: a warm lookup statement
// and a whole scan with and without them, the lock of one statement alone,
// and how long lookups through the query cursor wait while attrdb
// encode-all commits its batches into the same file.
// Usage: lock_bench [benchmark flags]; the shared folder comes from
// $ATTR_SHARED_DIR.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/jet/read/database.h"
#include "db/jet/file/journal.h"
#include "db/query.h"
#include "db/sql/session.h"
#include "platform/file.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path LargePlain() {
  const char* env = std::getenv("ATTR_SHARED_DIR");
  fs::path dir = env && *env ? env : ATTR_DEFAULT_SHARED_DIR;
  return dir / "fixtures" / "attrdata-large-plain.mdb";
}

// The file with the locks (Database::Open) or, as before they existed,
// without.
std::unique_ptr<jet::Database> OpenLarge(bool locked, size_t cache_pages) {
  const fs::path path = LargePlain();
  if (locked) return jet::Database::Open(path, jet::OpenMode::kReadOnly, cache_pages);
  return std::make_unique<jet::Database>(
      std::make_unique<jet::JournaledFile>(jet::OpenPageFile(path, jet::OpenMode::kReadOnly),
                                           jet::JournalPathFor(path), fs::path()),
      cache_pages);
}

bool Present(benchmark::State& state) {
  if (fs::exists(LargePlain())) return true;
  state.SkipWithError("attrdata-large-plain.mdb absent");
  return false;
}

// One statement's lock (with the check of the file it makes) against the
// check a statement made before the locks.
void BM_StatementLock(benchmark::State& state) {
  if (!Present(state)) return;
  const bool locked = state.range(0) != 0;
  auto db = OpenLarge(locked, jet::Database::kDefaultCachePages);
  for (auto _ : state) {
    if (locked) {
      jet::ReadLock lock(*db);
      benchmark::DoNotOptimize(lock.changed());
    } else {
      benchmark::DoNotOptimize(db->RefreshIfChanged());
    }
  }
}
BENCHMARK(BM_StatementLock)->Arg(0)->Arg(1);

// One cheap system call (fstat), the unit the lock's cost is made of: a
// statement's lock adds three (lock, test, unlock), the check of the file
// being one it made already.
void BM_OneSystemCall(benchmark::State& state) {
  platform::File file = platform::File::Open(LargePlain(), platform::Access::kRead);
  for (auto _ : state) benchmark::DoNotOptimize(file.Info());
}
BENCHMARK(BM_OneSystemCall);

// A lookup by head on a warm equality index (the statement the window's
// lookup runs first), through the statement session.
void BM_WarmLookupStatement(benchmark::State& state) {
  if (!Present(state)) return;
  auto db = OpenLarge(state.range(0) != 0, jet::Database::kDefaultCachePages);
  sql::Session session(*db);
  const char16_t* heads[] = {u"1300000", u"1351234", u"1860000", u"1991234"};
  session.Execute(u"SELECT * FROM numindex WHERE numhead = '1300000'");
  size_t i = 0, rows = 0;
  for (auto _ : state) {
    std::u16string text = u"SELECT * FROM numindex WHERE numhead = '";
    text += heads[i++ % 4];
    text += u"'";
    rows += session.Execute(text).rows.size();
  }
  state.counters["rows"] = static_cast<double>(rows) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WarmLookupStatement)->Arg(0)->Arg(1);

// The same lookup through the query cursor (close, new text, open, read).
void BM_WarmLookupCursor(benchmark::State& state) {
  if (!Present(state)) return;
  db::TADOConnection connection;
  connection.SetDataSource(LargePlain().string());
  db::TADOQuery query(connection);
  query.SetParamCheck(false);
  const char* heads[] = {"1300000", "1351234", "1860000", "1991234"};
  size_t i = 0;
  for (auto _ : state) {
    query.Close();
    query.SQL().Clear();
    query.SQL().Add(std::string("select * from numindex where numhead='") + heads[i++ % 4] + "'");
    query.Open();
    benchmark::DoNotOptimize(query.RowCount());
  }
}
BENCHMARK(BM_WarmLookupCursor);

// A whole scan of numindex (507 620 rows) reading every column, as an
// export does, under one lock or none.
void BM_ExportScan(benchmark::State& state) {
  if (!Present(state)) return;
  const bool locked = state.range(0) != 0;
  auto db = OpenLarge(locked, 256);
  size_t rows = 0;
  for (auto _ : state) {
    std::unique_ptr<jet::ReadLock> lock;
    if (locked) lock = std::make_unique<jet::ReadLock>(*db);
    auto table = db->GetTable(u"numindex");
    jet::RowCursor cursor = db->Scan(table);
    rows = 0;
    std::u16string text;
    int64_t number = 0;
    while (cursor.Next()) {
      cursor.row().GetText(0, text);
      cursor.row().GetInteger(1, number);
      cursor.row().GetText(2, text);
      benchmark::DoNotOptimize(text.data());
      ++rows;
    }
    db->pages().Reset();  // each scan reads the file, as a fresh export
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ExportScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Lookups through the cursor in a loop while attrdb encode-all scrambles a
// copy of the large plain database in another process: how long a lookup
// takes while commits come and go (the wait for a commit's pages included).
// Argument 0: the encoding alone, for its time without readers.
void BM_LookupDuringEncodeAll(benchmark::State& state) {
  if (!Present(state)) return;
  const fs::path copy = fs::temp_directory_path() / ("lock_bench_" + std::to_string(::getpid()) + ".mdb");
  for (auto _ : state) {
    fs::copy_file(LargePlain(), copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
    db::TADOConnection connection;
    connection.SetDataSource(copy.string());
    db::TADOQuery query(connection);
    query.SetParamCheck(false);
    const char* heads[] = {"1300000", "1351234", "1860000", "1991234"};
    auto lookup = [&](size_t i) {
      query.Close();
      query.SQL().Clear();
      query.SQL().Add(std::string("select * from numindex where numhead='") + heads[i % 4] + "'");
      query.Open();
    };
    lookup(0);
    std::string program = ATTRDB_PROGRAM, command = "encode-all", file = copy.string();
    char* argv[] = {program.data(), command.data(), file.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const auto started = std::chrono::steady_clock::now();
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("attrdb cannot be started");
      return;
    }
    std::vector<double> micros;
    int status = 0;
    if (state.range(0) == 0) ::waitpid(pid, &status, 0);  // the run alone
    for (size_t i = 1; ::waitpid(pid, &status, WNOHANG) == 0; ++i) {
      auto start = std::chrono::steady_clock::now();
      lookup(i);
      micros.push_back(std::chrono::duration<double, std::micro>(
                           std::chrono::steady_clock::now() - start).count());
    }
    const double run_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    posix_spawn_file_actions_destroy(&actions);
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros.empty() ? 0.0 : micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    state.counters["lookups"] = static_cast<double>(micros.size());
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = micros.empty() ? 0.0 : micros.back();
    state.counters["over_1ms"] = static_cast<double>(
        micros.end() - std::upper_bound(micros.begin(), micros.end(), 1000.0));
    state.counters["encode_s"] = run_s;
    state.counters["ok"] = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  fs::remove(copy);
}
BENCHMARK(BM_LookupDuringEncodeAll)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
