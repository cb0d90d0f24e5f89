// The engine's row access on the large fixture: a full scan of numindex
// reading every column, and reading one row by its location.
// Usage: jet_scan_bench [--shared_dir=DIR] [benchmark flags]; the shared
// folder also comes from $ATTR_SHARED_DIR.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/file/page_file.h"

namespace {

std::filesystem::path g_file;

void ScanAll(jet::Database& db, benchmark::State& state) {
  auto table = db.GetTable(u"numindex");
  size_t head = table->ColumnIndex(u"numhead");
  size_t index = table->ColumnIndex(u"index");
  size_t cardtype = table->ColumnIndex(u"cardtype");
  std::u16string text;
  int64_t number = 0;
  size_t rows = 0;
  jet::RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    row.GetText(head, text);
    benchmark::DoNotOptimize(text.data());
    row.GetInteger(index, number);
    benchmark::DoNotOptimize(number);
    row.GetText(cardtype, text);
    benchmark::DoNotOptimize(text.data());
    ++rows;
  }
  state.counters["rows"] = static_cast<double>(rows);
}

// A scan with the database already open (its page cache holds what fits).
void BM_ScanNumindexEveryColumn(benchmark::State& state) {
  auto db = jet::Database::Open(g_file, jet::OpenMode::kReadOnly);
  for (auto _ : state) ScanAll(*db, state);
}
BENCHMARK(BM_ScanNumindexEveryColumn)->Unit(benchmark::kMillisecond);

// Opening the file, reading the catalog and the definition, then the scan;
// pages read through the mapping (mapped:1) or one system call each
// (mapped:0).
void BM_OpenAndScanNumindex(benchmark::State& state) {
  jet::SetMappedReads(state.range(0) != 0);
  for (auto _ : state) {
    auto db = jet::Database::Open(g_file, jet::OpenMode::kReadOnly);
    ScanAll(*db, state);
  }
  jet::SetMappedReads(true);
}
BENCHMARK(BM_OpenAndScanNumindex)->ArgName("mapped")->Arg(0)->Arg(1)
    ->Unit(benchmark::kMillisecond);

// One row by its location, with its three columns, from a warm cache: what
// an equality lookup through an in-memory index costs per match.
void BM_ReadRowByLocation(benchmark::State& state) {
  auto db = jet::Database::Open(g_file, jet::OpenMode::kReadOnly);
  auto table = db->GetTable(u"numindex");
  std::vector<jet::RowLocation> locations;
  jet::RowCursor cursor = db->Scan(table);
  while (cursor.Next()) locations.push_back(cursor.row().location());
  std::mt19937 random(7);
  std::vector<jet::RowLocation> picks;
  for (int i = 0; i < 4096; ++i) picks.push_back(locations[random() % locations.size()]);
  for (const auto& l : picks) db->ReadRow(table, l);  // warm the cache
  std::u16string text;
  int64_t number = 0;
  size_t i = 0;
  for (auto _ : state) {
    std::optional<jet::Row> row = db->ReadRow(table, picks[i++ % picks.size()]);
    row->GetText(0, text);
    row->GetInteger(1, number);
    benchmark::DoNotOptimize(text.data());
    benchmark::DoNotOptimize(number);
  }
}
BENCHMARK(BM_ReadRowByLocation);

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path shared = ATTR_DEFAULT_SHARED_DIR;
  if (const char* env = std::getenv("ATTR_SHARED_DIR"); env && *env) shared = env;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--shared_dir=", 13) == 0) {
      shared = argv[i] + 13;
    } else {
      args.push_back(argv[i]);
    }
  }
  g_file = shared / "fixtures" / "attrdata-large.mdb";
  if (!std::filesystem::exists(g_file)) {
    std::printf("jet_scan_bench: %s is absent; nothing to measure\n",
                g_file.string().c_str());
    return 0;
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
