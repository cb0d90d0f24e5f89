// The query cursor on the large attribution database: a warm number-head
// lookup as the lookup command makes it, the province list, and the first
// statement after opening the file.
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

// One connection and cursor for the warm benchmarks, with some stored heads.
struct Warm {
  db::TADOConnection connection;
  db::TADOQuery query{connection};
  std::vector<std::string> heads;

  Warm() {
    connection.SetDataSource(LargeFixture().string());
    query.SQL().Add("select * from numindex where index=1");
    query.Open();
    for (int i = 0; i < 64 && !query.AtEnd(); ++i, query.Next()) {
      heads.push_back(query.FieldText("numhead"));
    }
  }
};

Warm* SharedWarm(benchmark::State& state) {
  if (!std::filesystem::exists(LargeFixture())) {
    state.SkipWithError("attrdata-large.mdb absent");
    return nullptr;
  }
  static Warm warm;
  return &warm;
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
BENCHMARK(BM_LookupWarm)->Repetitions(5)->ReportAggregatesOnly(true);

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
BENCHMARK(BM_DistinctShengWarm)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// A fresh connection each time: opening, reading the catalog, the table
// definition, and the scan that builds the numhead index.
void BM_FirstLookupAfterOpen(benchmark::State& state) {
  Warm* warm = SharedWarm(state);
  if (!warm) return;
  for (auto _ : state) {
    db::TADOConnection connection;
    connection.SetDataSource(LargeFixture().string());
    db::TADOQuery query(connection);
    RunLookup(query, warm->heads[1]);
  }
}
BENCHMARK(BM_FirstLookupAfterOpen)->Iterations(3)->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
