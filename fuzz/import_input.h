// The import's input as the fuzz entries make it from bytes: the layout, the
// files written into a scratch folder, the errors the readers may raise, the
// checks of what they accept, and the writers that give accepted data back
// as input (for the round trips and the seeds).
#ifndef FUZZ_IMPORT_INPUT_H_
#define FUZZ_IMPORT_INPUT_H_

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "attribution/import_data.h"

namespace fuzz {

enum class InputLayout : uint8_t { kCsv, kTables, kPhoneDat };

// The folder layout in one input: city.csv, cardtype.csv and numindex.csv
// in this order, separated by this sequence; a file not given is missing.
inline constexpr std::string_view kFileSeparator = "\xFF\xFF";

// The name messages give a one-file input (CSV or phone.dat).
inline constexpr char kInputName[] = "fuzzed-input";

// A folder of its own under the system's temporary folder, removed with
// everything in it when destroyed.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` as `layout`'s input, under a name of its own (the folder
  // layout as the folder "tables-<n>" of the files split at
  // kFileSeparator); returns the path to read.
  std::filesystem::path Write(InputLayout layout, std::string_view bytes);

 private:
  std::filesystem::path path_;
  int written_ = 0;
};

// The three tables as one input of the folder layout.
std::string JoinTables(std::string_view city, std::string_view cardtype,
                       std::string_view numindex);

// The CSV files of the input at `path` (the one file, or the folder's
// three; missing ones too).
std::vector<std::filesystem::path> CsvFilesOf(const std::filesystem::path& path,
                                              InputLayout layout);

// ReadImportInput of `path` in `layout` (kDetect when `detect`), messages
// naming kInputName for one file. A refusal gives nothing; it must be an
// InputError whose message names the input (or the table read) and then,
// after a colon, a line, a byte offset or the fault of the whole file.
// Anything else raised fails.
std::optional<attribution::AttributionData> ReadInput(const std::filesystem::path& path,
                                                      InputLayout layout, bool detect);

// Fails unless a refused input's message has the documented form: one of
// `names`, a colon, then "<line>: ", " byte <offset>: " (offset at most
// `size`) or " " and the fault.
void CheckRefusal(std::string_view message, std::initializer_list<std::string_view> names,
                  size_t size);

// Fails unless `data`, read in `layout`, holds what an import may write:
// seven-digit heads starting with 1, each once; references to rows given;
// unique city keys (1, 2, ... in order for the layouts that give texts);
// card type keys unique and not empty; every text one its column can hold.
void CheckAcceptedData(const attribution::AttributionData& data, InputLayout layout);

// Whether `a` and `b` hold the same rows (the summary is not compared).
bool SameRows(const attribution::AttributionData& a, const attribution::AttributionData& b);

// `data` written in `layout`: every field quoted, area codes with the "0"
// they lost; phone.dat through PhoneDatWriter (heads in increasing order,
// card types by their code), version "2406".
std::string WriteInputOf(const attribution::AttributionData& data, InputLayout layout);

}  // namespace fuzz

#endif  // FUZZ_IMPORT_INPUT_H_
