// attrdb lookup in process, apart from starting a program: loading the
// attribution index of the large fixture, and answering numbers from memory
// into the output buffer.
// Usage: lookup_bench [--shared_dir=DIR] [benchmark flags]; the shared
// folder also comes from $ATTR_SHARED_DIR. bench/lookup_bench.sh times the
// whole program.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "attribution/attribution_index.h"
#include "attribution/mobile_number.h"
#include "attribution/read_ahead_file.h"
#include "db/jet/read/database.h"
#include "db/jet/file/journal.h"
#include "tools/attrdb/lookup_output.h"

namespace {

std::filesystem::path g_file;

std::unique_ptr<jet::Database> OpenLarge() {
  return std::make_unique<jet::Database>(
      std::make_unique<attribution::ReadAheadFile>(
          jet::OpenJournaledFile(g_file, jet::OpenMode::kReadOnly)),
      16);
}

// Opening the file and loading every head, as attrdb lookup does first.
void BM_LoadIndex(benchmark::State& state) {
  for (auto _ : state) {
    auto db = OpenLarge();
    attribution::AttributionIndex index = attribution::AttributionIndex::Load(*db);
    benchmark::DoNotOptimize(index.HeadCount());
  }
}
BENCHMARK(BM_LoadIndex)->Unit(benchmark::kMillisecond);

// Lines of random numbers (every twentieth written with +86 and dashes)
// normalized, looked up and written as TSV into the writer's buffer.
void BM_AnswerLines(benchmark::State& state) {
  auto db = OpenLarge();
  const attribution::AttributionIndex index = attribution::AttributionIndex::Load(*db);
  std::mt19937 random(5);
  std::vector<std::string> lines;
  for (int i = 0; i < 1 << 20; ++i) {
    std::string number = std::to_string(13000000000ULL + random() % 7000000000ULL);
    if (i % 20 == 0) number = "+86 " + number.substr(0, 3) + "-" + number.substr(3);
    lines.push_back(std::move(number));
  }
  std::FILE* sink = std::fopen("/dev/null", "w");
  {
    attrdb::LookupWriter writer(sink, attrdb::OutputFormat::kTsv);
    writer.Use(index);
    for (auto _ : state) {
      for (const std::string& line : lines) {
        char digits[attribution::kMobileDigits];
        if (attribution::NormalizeMobile(line, digits)) {
          writer.WriteNumber(digits, index.Find(attribution::HeadOf(digits)));
        } else {
          writer.WriteNotMobile(line);
        }
      }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
  }
  std::fclose(sink);
}
BENCHMARK(BM_AnswerLines)->Unit(benchmark::kMillisecond);

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
    std::printf("lookup_bench: %s is absent; nothing to measure\n", g_file.string().c_str());
    return 0;
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
