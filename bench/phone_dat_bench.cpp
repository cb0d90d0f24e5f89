// phone.dat in process, apart from the database: reading a file of 500 000
// heads into import data, and writing one head by head. bench/data_bench.sh
// times the whole programs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "attribution/phone_dat.h"

namespace {

constexpr uint32_t kHeads = 500000;

// Heads 1300000 ... over 340 cities, area codes with their 0, the eight
// card types; the texts of city c made once.
struct Made {
  std::string province[340], city[340], postal[340], area[340];
  Made() {
    for (int c = 0; c < 340; ++c) {
      province[c] = "省份" + std::to_string(c % 34);
      city[c] = "城市" + std::to_string(c);
      postal[c] = std::to_string(100000 + c * 100);
      area[c] = "0" + std::to_string(300 + c);
    }
  }
  void AddTo(attribution::PhoneDatWriter& writer) const {
    for (uint32_t i = 0; i < kHeads; ++i) {
      const uint32_t c = i / 100 % 340;
      writer.Add(1300000 + i, province[c], city[c], postal[c], area[c],
                 static_cast<uint8_t>(i % 8 + 1));
    }
  }
};

const Made& Texts() {
  static const Made made;
  return made;
}

void BM_WritePhoneDat(benchmark::State& state) {
  for (auto _ : state) {
    attribution::PhoneDatWriter writer;
    Texts().AddTo(writer);
    benchmark::DoNotOptimize(writer.Finish("2412").size());
  }
  state.SetItemsProcessed(state.iterations() * kHeads);
}
BENCHMARK(BM_WritePhoneDat)->Unit(benchmark::kMillisecond);

void BM_ParsePhoneDat(benchmark::State& state) {
  attribution::PhoneDatWriter writer;
  Texts().AddTo(writer);
  const std::string file = writer.Finish("2412");
  for (auto _ : state) {
    attribution::AttributionData data = attribution::ParsePhoneDat(
        {reinterpret_cast<const uint8_t*>(file.data()), file.size()}, "phone.dat");
    benchmark::DoNotOptimize(data.heads.size());
  }
  state.SetItemsProcessed(state.iterations() * kHeads);
}
BENCHMARK(BM_ParsePhoneDat)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
