// The query cursor on the large attribution database: a warm number-head
// lookup as the lookup command makes it, the province list, and the first
// statement after opening the file. With ATTR_BENCH_INDEXED_DB naming a copy
// that has indexes (bench/run_all.sh makes one), the lookups run on it too,
// side by side: "/scan" on the shared file, "/indexed" on the copy.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/query.h"

namespace {

std::filesystem::path LargeFixture() {
  const char* env = std::getenv("ATTR_SHARED_DIR");
  std::filesystem::path dir = env && *env ? env : ATTR_DEFAULT_SHARED_DIR;
  return dir / "fixtures" / "attrdata-large.mdb";
}

std::filesystem::path IndexedCopy() {
  const char* env = std::getenv("ATTR_BENCH_INDEXED_DB");
  return env && *env ? env : "";
}

// The database of benchmark argument 0 (the shared file) or 1 (the copy).
std::filesystem::path Database(const benchmark::State& state) {
  return state.range(0) == 0 ? LargeFixture() : IndexedCopy();
}

// One connection and cursor for the warm benchmarks, with some stored heads.
struct Warm {
  db::TADOConnection connection;
  db::TADOQuery query{connection};
  std::vector<std::string> heads;

  explicit Warm(const std::filesystem::path& path) {
    connection.SetDataSource(path.string());
    query.SQL().Add("select * from numindex where index=1");
    query.Open();
    for (int i = 0; i < 64 && !query.AtEnd(); ++i, query.Next()) {
      heads.push_back(query.FieldText("numhead"));
    }
  }
};

Warm* SharedWarm(benchmark::State& state) {
  const std::filesystem::path path = Database(state);
  if (path.empty() || !std::filesystem::exists(path)) {
    state.SkipWithError("database absent (attrdata-large.mdb, ATTR_BENCH_INDEXED_DB)");
    return nullptr;
  }
  static Warm scan(LargeFixture());
  if (state.range(0) == 0) return &scan;
  static Warm indexed(IndexedCopy());
  return &indexed;
}

void ScanAndIndexed(benchmark::internal::Benchmark* b) {
  b->ArgName("indexed")->Arg(0)->Arg(1);
}

void RunLookup(db::TADOQuery& query, const std::string& head) {
  query.Close();
  query.SQL().Clear();
  query.SQL().Add("select * from numindex where numhead='" + head + "'");
  query.Open();
  benchmark::DoNotOptimize(query.FieldInteger("index"));
  benchmark::DoNotOptimize(query.FieldText("cardtype"));
  benchmark::DoNotOptimize(query.FieldText("numhead"));
}

void BM_LookupWarm(benchmark::State& state) {
  Warm* warm = SharedWarm(state);
  if (!warm) return;
  size_t i = 0;
  RunLookup(warm->query, warm->heads[0]);
  for (auto _ : state) {
    RunLookup(warm->query, warm->heads[i++ % warm->heads.size()]);
  }
}
BENCHMARK(BM_LookupWarm)->Apply(ScanAndIndexed)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_DistinctShengWarm(benchmark::State& state) {
  Warm* warm = SharedWarm(state);
  if (!warm) return;
  db::TADOQuery& query = warm->query;
  for (auto _ : state) {
    query.Close();
    query.SQL().Clear();
    query.SQL().Add("select distinct sheng from city");
    query.Open();
    while (!query.AtEnd()) {
      benchmark::DoNotOptimize(query.FieldText("sheng"));
      query.Next();
    }
  }
}
BENCHMARK(BM_DistinctShengWarm)->Arg(0)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// A fresh connection each time: opening, reading the catalog, the table
// definition, and either the scan that builds the numhead hash or a seek
// through the file's index.
void BM_FirstLookupAfterOpen(benchmark::State& state) {
  Warm* warm = SharedWarm(state);
  if (!warm) return;
  for (auto _ : state) {
    db::TADOConnection connection;
    connection.SetDataSource(Database(state).string());
    db::TADOQuery query(connection);
    RunLookup(query, warm->heads[1]);
  }
}
BENCHMARK(BM_FirstLookupAfterOpen)->Apply(ScanAndIndexed)->Iterations(3)->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
