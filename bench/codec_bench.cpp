// Encoding and decoding one number head, as a lookup and a listing do per row.
#include <benchmark/benchmark.h>

#include "codec/number_head.h"

namespace {

void BM_EncodeNumberHead(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(codec::EncodeNumberHead("1380013"));
  }
}
BENCHMARK(BM_EncodeNumberHead);

void BM_DecodeNumberHead(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(codec::DecodeNumberHead("048254120249091211081"));
  }
}
BENCHMARK(BM_DecodeNumberHead);

}  // namespace

BENCHMARK_MAIN();
