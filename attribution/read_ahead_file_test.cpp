// Block-wise reading gives the bytes the file holds, wherever a read falls.
#include "attribution/read_ahead_file.h"

#include <gtest/gtest.h>

#include "db/jet/format/error.h"

namespace attribution {
namespace {

TEST(ReadAheadFile, ReadsWhatTheFileHoldsAtAnyOffset) {
  std::vector<uint8_t> bytes(1000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
  ReadAheadFile file(std::make_unique<jet::MemoryPageFile>(bytes, false), 64);
  EXPECT_EQ(file.Size(), 1000u);
  // Within a block, across blocks, larger than a block, up to and past the
  // end, and back to an earlier block.
  const std::vector<std::pair<uint64_t, size_t>> reads = {
      {0, 10}, {10, 54}, {60, 8}, {64, 64}, {100, 300}, {990, 10}, {995, 20},
      {960, 64}, {1000, 4}, {2000, 4}, {3, 1}};
  for (const auto& [offset, length] : reads) {
    std::vector<uint8_t> out(length, 0xEE);
    const size_t n = file.ReadAt(offset, out.data(), length);
    const size_t expected = offset >= bytes.size()
                                ? 0
                                : std::min<size_t>(length, bytes.size() - offset);
    ASSERT_EQ(n, expected) << offset << "+" << length;
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], bytes[offset + i]) << offset + i;
  }
}

TEST(ReadAheadFile, RefusesWrites) {
  ReadAheadFile file(std::make_unique<jet::MemoryPageFile>(std::vector<uint8_t>(16), true));
  const uint8_t byte = 1;
  EXPECT_FALSE(file.Writable());
  try {
    file.WriteAt(0, &byte, 1);
    ADD_FAILURE() << "a write went through";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::kReadOnly);
  }
}

}  // namespace
}  // namespace attribution
