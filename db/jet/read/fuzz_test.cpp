// Thousands of randomly damaged copies of a small fixture: each must read
// through or fail with jet::Error, never crash, hang or read outside the
// file (run under the sanitizers in CI).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "db/jet/read/database.h"
#include "db/jet/format/format.h"
#include "db/jet/testing/test_databases.h"
#include "db/jet/testing/test_util.h"

namespace jet {
namespace {

// Rows read per table: enough to reach every structure of the fixture (each
// kind of value, moved rows, long-value chains) while keeping a copy cheap.
constexpr int kRowsPerTable = 40;

// Reads every value of the first rows of every table, the catalog included.
void ReadEverything(Database& db) {
  std::vector<std::u16string> names = db.TableNames();
  for (const auto& name : db.SystemTableNames()) names.push_back(name);
  for (const auto& name : names) {
    auto table = db.FindTable(name, true);
    if (!table) continue;
    RowCursor cursor = db.Scan(table);
    for (int i = 0; i < kRowsPerTable && cursor.Next(); ++i) {
      for (size_t c = 0; c < table->columns.size(); ++c) cursor.row().Get(c);
      if (i % 4 == 0) db.ReadRow(table, cursor.row().location());
    }
  }
}

// The fixture's bytes with a few bytes changed, without copying the file.
class PatchedFile : public PageFile {
 public:
  explicit PatchedFile(const std::vector<uint8_t>& base) : base_(base) {}
  const std::string& Name() const override { return name_; }
  uint64_t Size() override { return base_.size(); }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) override {
    pages_read.insert(static_cast<uint32_t>(offset / format::kPageSize));
    if (offset >= base_.size()) return 0;
    size_t n = std::min<uint64_t>(length, base_.size() - offset);
    std::memcpy(out, base_.data() + offset, n);
    for (auto it = patches.lower_bound(offset); it != patches.end() && it->first < offset + n; ++it) {
      out[it->first - offset] = it->second;
    }
    return n;
  }
  void WriteAt(uint64_t, const uint8_t*, size_t) override { RaiseReadOnly(name_); }
  void Sync() override {}
  FileStamp Stamp() override { return {}; }
  bool Writable() const override { return false; }

  std::map<uint64_t, uint8_t> patches;
  std::set<uint32_t> pages_read;

 private:
  const std::vector<uint8_t>& base_;
  std::string name_ = "patched";
};

// Damages a few places on the pages a clean read uses (the header page
// excluded), half of them in the first bytes of a page where the page and
// table headers lie: random bytes, single bits, or small numbers that look
// like page numbers, row numbers and lengths.
void Damage(PatchedFile& file, const std::vector<uint32_t>& used,
            std::mt19937& random) {
  uint32_t pages = static_cast<uint32_t>(file.Size() / format::kPageSize);
  int changes = std::uniform_int_distribution<int>(1, 6)(random);
  for (int i = 0; i < changes; ++i) {
    uint32_t page = used[random() % used.size()];
    size_t limit = random() % 2 ? 96 : format::kPageSize - 4;
    uint64_t at = uint64_t{page} * format::kPageSize + random() % limit;
    uint8_t bytes[4];
    file.ReadAt(at, bytes, 4);
    switch (random() % 4) {
      case 0: bytes[0] = static_cast<uint8_t>(random()); break;
      case 1: bytes[0] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
      case 2: StoreU16(bytes, static_cast<uint16_t>(random() % 4200)); break;
      default: StoreU32(bytes, (random() % (pages + 4)) << (random() % 2 ? 8 : 0)); break;
    }
    for (int k = 0; k < 4; ++k) file.patches[at + k] = bytes[k];
  }
}

using testing::Source;

class FuzzTest : public ::testing::TestWithParam<Source> {};

// Damaged copies of our own file (the three tables with mixed and odd heads,
// 2000 more, and the table of every kind) or of the shared one of every kind
// and storage feature.
TEST_P(FuzzTest, DamagedCopiesFailCleanly) {
  testing_support::ScratchDir dir;
  testing_support::DemoOptions options = testing_support::MixedHeads();
  options.extra_heads = 2000;
  JET_PLACE_DATABASE(source, GetParam(), dir.path(), "attrdata-types", options);
  if (GetParam() == Source::kOurs) testing_support::AddKindsTable(source.path);
  const std::vector<uint8_t> good = testing::ReadFileBytes(source.path);
  std::vector<uint32_t> used;
  {
    auto file = std::make_unique<PatchedFile>(good);
    PatchedFile* clean = file.get();
    Database db(std::move(file));
    ReadEverything(db);
    for (uint32_t page : clean->pages_read) {
      if (page != 0) used.push_back(page);
    }
  }
  ASSERT_GT(used.size(), 20u);
  std::mt19937 random(20261208);
  // Fewer under the sanitizers, which slow the reader some forty-fold.
  const int kCopies = testing::kSanitized ? 1000 : 5000;
  int failed = 0;
  double slowest = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCopies; ++i) {
    auto file = std::make_unique<PatchedFile>(good);
    Damage(*file, used, random);
    auto copy_start = std::chrono::steady_clock::now();
    try {
      Database db(std::move(file));
      ReadEverything(db);
    } catch (const Error&) {
      ++failed;
    }
    slowest = std::max(slowest, std::chrono::duration<double>(
                                    std::chrono::steady_clock::now() - copy_start).count());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // No copy may come near a hang: a clean read takes well under a second
  // even under the sanitizers.
  EXPECT_LT(slowest, 2.0);
  // Most damage lands in bytes no reader looks at; some must be caught.
  EXPECT_GT(failed, kCopies / 50);
  ::testing::Test::RecordProperty("failed", failed);
  ::testing::Test::RecordProperty("seconds", std::to_string(seconds));
}

INSTANTIATE_TEST_SUITE_P(Databases, FuzzTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

}  // namespace
}  // namespace jet
