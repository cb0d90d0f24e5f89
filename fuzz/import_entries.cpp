// The readers of the import's input over any bytes: phone.dat, and the CSV
// reader in the one-file and the folder layout. A refusal must be an
// InputError of the documented form; what is accepted must be data an import
// may write, and must read back the same once written out again.
#include <string>
#include <vector>

#include "attribution/csv_reader.h"
#include "attribution/import_rows.h"
#include "attribution/phone_dat.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/import_input.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;
using attribution::AttributionData;

// Blocks the CSV reader is run with: one that holds any input whole (the
// import's own block is larger still), and small ones, whose ends records
// then cross.
constexpr size_t kWholeBlock = size_t{1} << 16;
constexpr size_t kSmallBlocks[] = {16, 17, 31, 64};

struct CsvReading {
  std::vector<std::pair<int, std::vector<std::string>>> records;  // line, fields
  std::string error;
};

CsvReading ReadRecords(const fs::path& file, size_t block) {
  CsvReading reading;
  try {
    attribution::CsvReader in(file, block, kInputName);
    std::vector<std::string> fields;
    while (in.Next(fields)) {
      const int previous = reading.records.empty() ? 0 : reading.records.back().first;
      if (in.line() <= previous) Fail("a record begins on a line before the last one's");
      reading.records.emplace_back(in.line(), fields);
    }
  } catch (const attribution::InputError& e) {
    reading.error = e.what();
  }
  return reading;
}

// The reader gives the same records, on the same lines, and the same error
// whatever its block size.
void CompareBlockSizes(const fs::path& file, size_t small_block) {
  const CsvReading whole = ReadRecords(file, kWholeBlock);
  const CsvReading blocks = ReadRecords(file, small_block);
  if (whole.records != blocks.records) {
    Fail("the CSV reader gives other records in blocks of " + std::to_string(small_block));
  }
  if (whole.error != blocks.error) {
    Fail("the CSV reader fails otherwise in blocks of " + std::to_string(small_block) + ": '" +
         whole.error + "' / '" + blocks.error + "'");
  }
  if (!whole.error.empty()) CheckRefusal(whole.error, {kInputName}, 0);
}

void CheckSummary(const attribution::ImportSummary& s, const AttributionData& data) {
  const size_t cities = data.cities.size(), heads = data.heads.size();
  if (s.split_rows > cities || s.empty_rows > cities || s.unzeroed_rows > cities ||
      s.split_heads > heads || s.empty_heads > heads || s.unzeroed_heads > heads ||
      s.split_names * 2 > s.split_rows || s.trailing_unused_records > s.unused_records) {
    Fail("the summary counts more rows than there are");
  }
}

}  // namespace

void ReadPhoneDatBytes(const uint8_t* data, size_t size) {
  AttributionData parsed;
  try {
    parsed = attribution::ParsePhoneDat({data, size}, kInputName);
  } catch (const attribution::InputError& e) {
    CheckRefusal(e.what(), {kInputName}, size);
    return;
  }
  CheckAcceptedData(parsed, InputLayout::kPhoneDat);
  for (size_t i = 1; i < parsed.heads.size(); ++i) {
    if (parsed.heads[i - 1].head >= parsed.heads[i].head) Fail("heads read out of order");
  }
  attribution::Summarize(parsed);
  CheckSummary(parsed.summary, parsed);
  // Written again by the writer: the same rows, every record used.
  std::string again;
  try {
    again = WriteInputOf(parsed, InputLayout::kPhoneDat);
  } catch (const attribution::InputError& e) {
    Fail(std::string("accepted phone.dat data cannot be written: ") + e.what());
  }
  try {
    const AttributionData reread = attribution::ParsePhoneDat(
        {reinterpret_cast<const uint8_t*>(again.data()), again.size()}, kInputName);
    if (!SameRows(parsed, reread)) Fail("phone.dat written again reads back otherwise");
    if (reread.summary.unused_records != 0) Fail("the writer left a record unused");
  } catch (const attribution::InputError& e) {
    Fail(std::string("phone.dat written again is refused: ") + e.what());
  }
}

void ReadImportCsv(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const uint8_t mode = data[0];
  const InputLayout layout = (mode & 1) != 0 ? InputLayout::kTables : InputLayout::kCsv;
  const bool detect = (mode & 2) != 0;
  const size_t block = kSmallBlocks[(mode >> 2) & 3];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  ScratchFolder folder;
  const fs::path input = folder.Write(layout, bytes);
  for (const fs::path& file : CsvFilesOf(input, layout)) CompareBlockSizes(file, block);
  const std::optional<AttributionData> read = ReadInput(input, layout, false);
  if (detect) {
    // Telling the layout from the content reads valid input the same or
    // refuses it; a folder is always the folder layout.
    const std::optional<AttributionData> told = ReadInput(input, layout, true);
    if (read && told && !SameRows(*read, *told)) Fail("detection changed what was read");
    if (layout == InputLayout::kTables && read.has_value() != told.has_value()) {
      Fail("a folder read otherwise with detection");
    }
    if (layout == InputLayout::kCsv && told && !read) {
      CheckAcceptedData(*told, InputLayout::kPhoneDat);
    }
  }
  if (!read) return;
  CheckAcceptedData(*read, layout);
  CheckSummary(read->summary, *read);
  const fs::path again = folder.Write(layout, WriteInputOf(*read, layout));
  const std::optional<AttributionData> reread = ReadInput(again, layout, false);
  if (!reread || !SameRows(*read, *reread)) Fail("accepted CSV written again reads back otherwise");
}

}  // namespace fuzz
