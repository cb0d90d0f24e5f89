// The two-stage pipeline: every item consumed once, in order, across many
// batches; a failure of the consumer comes back from Finish; a pipeline
// dropped midway stops cleanly.
#include "attribution/batch_pipeline.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace attribution {
namespace {

TEST(BatchPipeline, ConsumesEveryItemInOrder) {
  for (size_t count : {0u, 1u, 63u, 64u, 65u, 10000u}) {
    std::vector<int> seen;
    std::vector<size_t> batch_sizes;
    BatchPipeline<int> pipeline(
        [&](std::span<const int> items) {
          batch_sizes.push_back(items.size());
          seen.insert(seen.end(), items.begin(), items.end());
        },
        64);
    for (size_t i = 0; i < count; ++i) pipeline.Add() = static_cast<int>(i);
    pipeline.Finish();
    ASSERT_EQ(seen.size(), count);
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(seen[i], static_cast<int>(i));
    for (size_t size : batch_sizes) EXPECT_LE(size, 64u);
    EXPECT_EQ(batch_sizes.size(), (count + 63) / 64);
  }
}

TEST(BatchPipeline, FinishRaisesWhatTheConsumerRaised) {
  size_t consumed = 0;
  BatchPipeline<int> pipeline(
      [&](std::span<const int> items) {
        consumed += items.size();
        if (consumed > 100) throw std::runtime_error("bad item");
      },
      10);
  for (int i = 0; i < 1000; ++i) pipeline.Add() = i;
  try {
    pipeline.Finish();
    ADD_FAILURE() << "the consumer's failure was lost";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "bad item");
  }
  // Nothing more was consumed once it failed.
  EXPECT_EQ(consumed, 110u);
}

TEST(BatchPipeline, DroppedWithoutFinishing) {
  std::vector<int> seen;
  {
    BatchPipeline<int> pipeline(
        [&](std::span<const int> items) { seen.insert(seen.end(), items.begin(), items.end()); },
        8);
    for (int i = 0; i < 500; ++i) pipeline.Add() = i;
  }
  // Whatever was consumed is a prefix of what was added.
  for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], static_cast<int>(i));
}

}  // namespace
}  // namespace attribution
