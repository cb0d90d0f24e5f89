// Every committed regression input and every seed, run through its entry:
// the crashes the fuzzers once found stay fixed, and the seeds stay valid
// inputs. A broken promise aborts the test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "attribution/import_data.h"
#include "db/jet/read/database.h"
#include "db/jet/format/error.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/import_input.h"
#include "fuzz/seeds.h"

namespace fuzz {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzReplay, RegressionInputsRunCleanly) {
  const std::filesystem::path root = FUZZ_REGRESSIONS_DIR;
  ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
  for (const auto& folder : std::filesystem::directory_iterator(root)) {
    if (!folder.is_directory()) continue;
    const Entry* entry = FindEntry(folder.path().filename().string());
    ASSERT_NE(entry, nullptr) << "no entry for " << folder.path();
    for (const auto& item : std::filesystem::directory_iterator(folder.path())) {
      if (!item.is_regular_file() || item.path().filename().string().starts_with(".")) continue;
      SCOPED_TRACE(item.path().string());
      std::vector<uint8_t> bytes = ReadFile(item.path());
      entry->run(bytes.data(), bytes.size());
    }
  }
}

TEST(FuzzReplay, SeedsRunCleanly) {
  for (const Entry& entry : Entries()) {
    std::vector<std::vector<uint8_t>> seeds = Seeds(entry.name);
    EXPECT_FALSE(seeds.empty()) << entry.name;
    for (const auto& seed : seeds) entry.run(seed.data(), seed.size());
  }
}

TEST(FuzzReplay, EmptyAndOneByteInputs) {
  for (const Entry& entry : Entries()) {
    entry.run(nullptr, 0);
    for (int b = 0; b < 256; b += 17) {
      const uint8_t byte = static_cast<uint8_t>(b);
      entry.run(&byte, 1);
    }
  }
}

// What the fuzzers found, beyond "it no longer crashes": the exact error.

// A damaged catalog TDEF gave two columns the number 0; the checker then
// took one column's value for the other's index key (std::bad_variant_access).
TEST(FuzzFindings, TwoColumnsWithOneNumberAreCorrupt) {
  const auto path = std::filesystem::path(FUZZ_REGRESSIONS_DIR) / "read_database" /
                    "catalog-two-columns-numbered-0.mdb";
  std::vector<uint8_t> bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 7u * 4096);
  jet::Database db(std::make_unique<jet::MemoryPageFile>(bytes, false, "damaged"));
  try {
    db.TableNames();
    FAIL() << "a catalog with two columns numbered 0 was read";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::kCorrupt);
    EXPECT_STREQ(e.what(), "damaged database: page 2: column number 0 used twice");
  }
}

// Import input the readers once took wrongly, and the refusal it gets now.
struct RefusedInput {
  const char* name;
  InputLayout layout;
  std::string_view bytes;
  const char* message;  // after the input's name
};

void PrintTo(const RefusedInput& input, std::ostream* out) { *out << input.name; }

class FuzzFindingsInput : public ::testing::TestWithParam<RefusedInput> {};

TEST_P(FuzzFindingsInput, IsRefusedWithItsMessage) {
  const RefusedInput& param = GetParam();
  ScratchFolder folder;
  try {
    attribution::ReadImportInput(folder.Write(param.layout, param.bytes),
                                 attribution::ImportFormat::kDetect, kInputName);
    FAIL() << "accepted";
  } catch (const attribution::InputError& e) {
    EXPECT_EQ(e.what(), std::string(kInputName) + param.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Import, FuzzFindingsInput,
    ::testing::Values(
        // The head's number was worked out over all its digits, overflowing.
        RefusedInput{"WholeNumberForAHead", InputLayout::kCsv,
                     "head,province,city,postal_code,area_code,card_type\n"
                     "13800138000,北京,北京,100000,010,中国移动\n",
                     ":2: bad head '13800138000': seven digits starting with 1 expected"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fuzz
