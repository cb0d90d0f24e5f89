// Attribution databases made by our own engine for the tests: a new file,
// the application's three tables, and rows from a small dataset in code.
#ifndef TESTING_ATTRIBUTION_DB_H_
#define TESTING_ATTRIBUTION_DB_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "attribution/schema.h"

namespace testing_support {

struct CityRow {
  int32_t index;
  std::u16string sheng, shi, youbian, quhao;
};

struct CardTypeRow {
  std::u16string cardtype, describe;
};

// A numindex row as stored: `numhead` is written as it is (nothing = null).
struct HeadRow {
  std::optional<std::string> numhead;
  int32_t index;
  std::string cardtype;
};

struct AttributionData {
  std::vector<CityRow> cities;          // in table order
  std::vector<CardTypeRow> card_types;  // in table order
  std::vector<HeadRow> heads;           // in table order
  attribution::AttributionSchemaOptions schema;
};

// Writes a new database file at `path` holding `data`'s tables and rows.
// Raises jet::Error when the path is taken or writing fails.
void WriteAttributionDatabase(const std::filesystem::path& path,
                              const AttributionData& data);

// How DemoAttribution stores its number heads.
enum class HeadForm {
  kScrambled,  // EncodeNumberHead of the head, 21 digits
  kPlain,      // the seven digits themselves
  kMixed,      // plain, but every tenth row (rows 0, 10, 20, ...) scrambled
};

struct DemoOptions {
  HeadForm heads = HeadForm::kScrambled;
  // Adds four rows of city 5 (珠海) whose heads are not seven digits:
  // "189560", "18956001", "" and null, after the row at position 40.
  bool odd_heads = false;
  // Adds this many rows at the end (scrambled with kScrambled, else plain):
  // row i holds head 1470000 + (7919 * i mod 10000), city 1 + i mod 11,
  // card type '1'.
  int extra_heads = 0;
  attribution::AttributionSchemaOptions schema;
};

// Variations the engine's tests share: plain heads, every tenth scrambled,
// with the odd heads (a file half encoded by an older tool); plain heads in
// a TEXT(10) column; 1976 plain heads under the three indexes.
inline DemoOptions MixedHeads() {
  DemoOptions options;
  options.heads = HeadForm::kMixed;
  options.odd_heads = true;
  return options;
}
inline DemoOptions NarrowHeads() {
  DemoOptions options;
  options.heads = HeadForm::kPlain;
  options.schema.numhead_size = 10;
  return options;
}
inline DemoOptions IndexedHeads() {
  DemoOptions options;
  options.heads = HeadForm::kPlain;
  options.extra_heads = 1700;
  options.schema.indexes = true;
  return options;
}

// The demonstration dataset the tests share.
//
// city (index sheng shi youbian quhao), in this order:
//   1 北京 北京 100000 10     2 上海 上海 200000 21    3 广东 广州 510000 20
//   4 广东 深圳 518000 755    5 广东 珠海 519000 756   6 四川 成都 610000 28
//   7 吉林 吉林 132000 432    8 辽宁 朝阳 122000 421   9 北京 朝阳 100020 10
//  10 广东 深圳 518100 755   11 演示 演示区😀 000000 0  (GBK has no 😀)
// so the provinces in first-seen order are 北京 上海 广东 四川 吉林 辽宁 演示,
// 广东 lists 广州 深圳 珠海 深圳, and 朝阳 lies in two provinces.
// cardtype: 1 中国移动, 2 中国联通, 3 中国电信, 4 中国广电.
//
// numindex: blocks of consecutive heads (first head, count, city, card type)
//   1380100 40 1 '1'   1390210 30 2 '1'   1860200 50 3 '2'
//   1355500 60 4 '1'   1895600 20 5 '3'   1332800 40 6 '3'
//   1504320 10 7 '1'   1314210 10 8 '2'   1921000  5 9 '4'
//   1776550  5 10 '3'  1990000  3 11 '3'
// Within a block the j-th row holds first + (7 * j mod count), so 深圳's
// rows begin 1355500, 1355507, 1355514; the blocks are interleaved row by
// row (one row of each block still going, in the order above). After them:
//   1355500 6 '3'   (a head stored twice: the first row, 深圳, wins)
//   1530999 999 '3' (no city of that index)
//   1860999 3 '9'   (no card type '9')
// 276 rows in all (280 with odd_heads).
AttributionData DemoAttribution(const DemoOptions& options = {});

// Writes DemoAttribution(options) as the file `name` in `folder`; returns
// its path.
std::filesystem::path WriteDemoDatabase(const std::filesystem::path& folder,
                                        const DemoOptions& options,
                                        const std::string& name = "db.mdb");

// Number of numindex rows of DemoAttribution (without odd or extra heads).
inline constexpr int kDemoHeadRows = 276;

// The plain heads of the rows of DemoAttribution with city index `index`,
// in table order (seven digits each; odd and extra heads left out).
std::vector<std::string> DemoHeadsOf(int32_t index);

// The numhead of each row of `data` as the bulk encoding leaves it: a
// seven-character head becomes EncodeNumberHead of it cut to the column's
// size; every other value (and null) stays.
std::vector<std::optional<std::string>> HeadsAfterEncoding(const AttributionData& data);

// Adds to the database at `path` a table "kinds" of a column of each kind
// the cursor formats: id (autonumber), flag BOOLEAN, tiny BYTE, small INT,
// big LONG, price MONEY, ratio FLOAT, measure DOUBLE, stamp DATETIME,
// txt TEXT(20), bin BINARY(8); and four rows:
//   id 1: True 255 1 2147483647 1234.5678 3.14159f 3.14159265358979
//         1900-01-01 "广州市天河区" 01 02
//   id 2: False null -1 null -0.0001 -1.5e-20f 1e300 1899-12-29 12:00
//         "emoji 😀 和 hello" null
//   id 3: True, measure 7.5, txt "hello", the rest null
//   id 4: False, the rest null
void AddKindsTable(const std::filesystem::path& path);

}  // namespace testing_support

#endif  // TESTING_ATTRIBUTION_DB_H_
