// The table of entries and the one way a fuzzed promise fails.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_entries.h"

namespace fuzz {

std::span<const Entry> Entries() {
  static constexpr Entry kEntries[] = {
      {"read_database", ReadDatabaseFile},
      {"parse_statement", ParseStatement},
      {"parameter_scan", ScanParameterMarkers},
      {"text_to_integer", ConvertInteger},
      {"number_head", DecodeDigits},
      {"update_sequence", UpdateSequence},
      {"index_seek", SeekDamagedIndex},
      {"phone_dat", ReadPhoneDatBytes},
      {"csv_import", ReadImportCsv},
      {"merge_plan", MergeImport},
  };
  return kEntries;
}

const Entry* FindEntry(std::string_view name) {
  for (const Entry& entry : Entries()) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz: %.*s\n", static_cast<int>(what.size()), what.data());
  std::fflush(stderr);
  std::abort();
}

}  // namespace fuzz
