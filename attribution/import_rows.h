// What every import layout shares once a head's texts are read: the text
// checks of the columns they go to, one city row per distinct province, city,
// postal code and area code, card types numbered by first appearance, and the
// summary of the rows that needed care.
#ifndef ATTRIBUTION_IMPORT_ROWS_H_
#define ATTRIBUTION_IMPORT_ROWS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "attribution/import_data.h"

namespace attribution {

// Why `text` cannot be stored in a text column of `size` characters, or
// empty when it can; on success `out` holds it in UTF-16. Empty text is
// refused only when `required`. Refused: bytes that are not UTF-8, control
// characters, single quotes, characters GBK cannot represent, text longer
// than `size`.
std::string TextFault(std::string_view text, size_t size, bool required, std::u16string& out);

// The fault of `text` in `column` as a message: "<column> '<text>' <why>",
// or, for text that is not UTF-8, a message that does not echo its bytes
// and says how to convert a GBK file.
std::string ColumnFault(std::string_view column, std::string_view text, const std::string& why);

// The hint given with text that is not UTF-8.
inline constexpr char kNotUtf8Hint[] =
    "is not UTF-8 (is the file GBK? convert it with iconv -f GBK -t UTF-8)";

// `area_code` without one leading "0", if it has one; `dropped` tells.
std::string_view WithoutTrunkZero(std::string_view area_code, bool& dropped);

// Builds the city and cardtype rows of `data` from the texts of heads, for
// the layouts that give texts rather than keys.
class HeadCollector {
 public:
  explicit HeadCollector(AttributionData& data) : data_(data) {}

  // Sets `index` to the key of the city row of these texts, adding the row
  // (keys 1, 2, ... in order of first sight) when no row has them all. The
  // area code loses one leading "0" first. Returns false with `fault` set to
  // "<column> '<text>' <why>" when a text cannot be stored.
  bool City(std::string_view province, std::string_view city, std::string_view postal_code,
            std::string_view area_code, int32_t& index, std::string& fault);

  // Sets `position` to the card type row described by `description`, adding
  // it when new with key `key` (empty: "1", "2", ... in order of first
  // sight). Returns false with `fault` set as City does.
  bool CardType(std::string_view description, std::string_view key, uint32_t& position,
                std::string& fault);

 private:
  AttributionData& data_;
  std::unordered_map<std::string, int32_t> city_of_;       // texts joined by \x1f
  std::unordered_map<std::string, uint32_t> card_type_of_;  // description
  std::string joined_;
  // The texts of the last city and card type asked for, and their answers:
  // neighbouring lines mostly repeat them.
  std::string last_joined_;
  int32_t last_city_ = 0;
  std::string last_description_;
  uint32_t last_card_type_ = UINT32_MAX;
};

// Fills `data.summary` from its rows: names held by several city rows, city
// rows with an empty text, city rows whose area code lost its "0", each
// with the heads they hold.
void Summarize(AttributionData& data);

}  // namespace attribution

#endif  // ATTRIBUTION_IMPORT_ROWS_H_
