// What an import puts into the attribution tables, read and checked from the
// CSV input before anything is written. Two layouts are read:
//
//  - one file with a header line
//      head,province,city,postal_code,area_code,card_type
//    and one line per number head; cities get keys 1, 2, ... and card types
//    (by their description) keys "1", "2", ... in order of first appearance;
//  - a folder holding city.csv (index,sheng,shi,youbian,quhao), cardtype.csv
//    (cardtype,describe) and numindex.csv (head,index,cardtype), the tables
//    as they are stored, keys given.
#ifndef ATTRIBUTION_IMPORT_DATA_H_
#define ATTRIBUTION_IMPORT_DATA_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "attribution/csv_reader.h"

namespace attribution {

// Declared sizes, in characters, of the text columns the import fills
// (db::CreateAttributionTables).
inline constexpr size_t kProvinceSize = 50;      // city.sheng
inline constexpr size_t kCitySize = 50;          // city.shi
inline constexpr size_t kPostalCodeSize = 10;    // city.youbian
inline constexpr size_t kAreaCodeSize = 10;      // city.quhao
inline constexpr size_t kCardTypeKeySize = 10;   // cardtype.cardtype, numindex.cardtype
inline constexpr size_t kCardTypeTextSize = 50;  // cardtype.describe

struct CityRow {
  int32_t index = 0;
  std::u16string province, city, postal_code, area_code;
};

struct CardTypeRow {
  std::u16string key, description;
};

struct HeadRow {
  std::string head;     // seven ASCII digits
  int32_t city = 0;     // CityRow::index
  uint32_t card_type = 0;  // position in AttributionData::card_types
};

struct AttributionData {
  std::vector<CityRow> cities;
  std::vector<CardTypeRow> card_types;
  std::vector<HeadRow> heads;
};

// Reads `path`: the folder layout when it is a folder, else the one-file
// layout. Raises InputError naming the file and line of the first fault: a
// missing file, a wrong header, a wrong number of fields, a head that is not
// seven digits starting with 1, a head given twice, a key that is not a
// number or given twice, a reference to a city or card type not defined,
// text that is empty where required, not UTF-8, holds a control character
// or a single quote (the lookups put text between single quotes), has a
// character GBK cannot represent or is longer than its column; in the
// one-file layout, a city given with two postal or area codes.
AttributionData ReadImportInput(const std::filesystem::path& path);

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_DATA_H_
