// What an import puts into the attribution tables, read and checked from the
// input before anything is written. Three layouts are read:
//
//  - one CSV file with a header line
//      head,province,city,postal_code,area_code,card_type
//    and one line per number head; cities get keys 1, 2, ... (one row per
//    distinct province, city, postal code and area code) and card types (by
//    their description) keys "1", "2", ... in order of first appearance;
//  - a folder holding city.csv (index,sheng,shi,youbian,quhao), cardtype.csv
//    (cardtype,describe) and numindex.csv (head,index,cardtype), the tables
//    as they are stored, keys given;
//  - a phone.dat file (attribution/phone_dat.h).
//
// In all of them an area code loses one leading "0" (quhao is stored
// without it), and empty texts are stored as empty.
#ifndef ATTRIBUTION_IMPORT_DATA_H_
#define ATTRIBUTION_IMPORT_DATA_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "attribution/csv_reader.h"

namespace attribution {

// Declared sizes, in characters, of the text columns the import fills
// (attribution::CreateAttributionTables).
inline constexpr size_t kProvinceSize = 50;      // city.sheng
inline constexpr size_t kCitySize = 50;          // city.shi
inline constexpr size_t kPostalCodeSize = 10;    // city.youbian
inline constexpr size_t kAreaCodeSize = 10;      // city.quhao
inline constexpr size_t kCardTypeKeySize = 10;   // cardtype.cardtype, numindex.cardtype
inline constexpr size_t kCardTypeTextSize = 50;  // cardtype.describe

struct CityRow {
  int32_t index = 0;
  std::u16string province, city, postal_code, area_code;
  bool zero_dropped = false;  // the area code was given with a leading "0"
};

struct CardTypeRow {
  std::u16string key, description;
};

struct HeadRow {
  std::string head;     // seven ASCII digits
  int32_t city = 0;     // CityRow::index
  uint32_t card_type = 0;  // position in AttributionData::card_types
};

// The rows of an import that needed care, for its summary.
struct ImportSummary {
  size_t split_names = 0;     // province and city names held by several city rows
  size_t split_rows = 0;      // the city rows of those names
  size_t split_heads = 0;     // the heads of those rows
  size_t empty_rows = 0;      // city rows with an empty text
  size_t empty_heads = 0;     // their heads
  size_t unzeroed_rows = 0;   // city rows whose area code lost its leading "0"
  size_t unzeroed_heads = 0;  // their heads
  size_t unused_records = 0;  // phone.dat records no head refers to (left out)
  // Of those, the ones at the end of the record area: a whole phone.dat's
  // index refers to its last record, so these mean the index was cut short.
  size_t trailing_unused_records = 0;
};

struct AttributionData {
  std::vector<CityRow> cities;
  std::vector<CardTypeRow> card_types;
  std::vector<HeadRow> heads;
  ImportSummary summary;
};

enum class ImportFormat {
  kDetect,    // a folder: kTables; a file starting with the CSV header: kCsv;
              // else a file whose first four bytes are digits: kPhoneDat
  kCsv,       // the one-file layout
  kTables,    // the folder layout
  kPhoneDat,  // phone.dat
};

// Reads `path` in `format`. Raises InputError naming the file and line (the
// byte offset in phone.dat) of the first fault: a missing file, a wrong
// header, a wrong number of fields, a head that is not seven digits starting
// with 1, a head given twice, a key that is not a number, empty or given
// twice, a reference to a city or card type not defined, text that is not
// UTF-8, holds a control character or a single quote (the lookups put text
// between single quotes), has a character GBK cannot represent or is longer
// than its column; for kDetect, "<path>: the format cannot be told (use
// --format)" when no layout fits. Messages name the file `name` (the path
// when empty), for a copy of input that had no name of its own.
AttributionData ReadImportInput(const std::filesystem::path& path,
                                ImportFormat format = ImportFormat::kDetect,
                                const std::string& name = {});

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_DATA_H_
