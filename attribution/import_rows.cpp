// Checking the texts of imported rows and collecting their cities and card
// types.
#include "attribution/import_rows.h"

#include <map>
#include <utility>

#include "base/gbk.h"
#include "base/utf.h"

namespace attribution {
namespace {

constexpr char kNotUtf8[] = "is not UTF-8";

}  // namespace

std::string TextFault(std::string_view text, size_t size, bool required, std::u16string& out) {
  out = base::Utf8ToUtf16(text);
  if (base::Utf16ToUtf8(out) != text) return kNotUtf8;
  if (required && out.empty()) return "is empty";
  for (char16_t c : out) {
    if (c < 0x20 || c == 0x7F) return "holds a control character";
    if (c == u'\'') return "holds a single quote, which lookups cannot carry";
  }
  if (base::GbkToUtf16(base::Utf16ToGbk(out)) != out) {
    for (size_t i = 0; i < out.size(); ++i) {
      size_t n = (out[i] >= 0xD800 && out[i] < 0xDC00 && i + 1 < out.size()) ? 2 : 1;
      std::u16string one = out.substr(i, n);
      if (base::GbkToUtf16(base::Utf16ToGbk(one)) != one) {
        return "holds " + base::Utf16ToUtf8(one) + ", which GBK cannot represent";
      }
      i += n - 1;
    }
    return "holds text GBK cannot represent";
  }
  if (out.size() > size) {
    return "is " + std::to_string(out.size()) + " characters long, at most " +
           std::to_string(size) + " fit";
  }
  return {};
}

std::string_view WithoutTrunkZero(std::string_view area_code, bool& dropped) {
  dropped = area_code.starts_with('0');
  return dropped ? area_code.substr(1) : area_code;
}

namespace {

// Checks `text` for a column; on a fault sets `fault` and returns false.
bool Checked(std::string_view column, std::string_view text, size_t size, bool required,
             std::u16string& out, std::string& fault) {
  std::string why = TextFault(text, size, required, out);
  if (why.empty()) return true;
  fault = ColumnFault(column, text, why);
  return false;
}

}  // namespace

std::string ColumnFault(std::string_view column, std::string_view text, const std::string& why) {
  if (why == kNotUtf8) return std::string(column) + " " + kNotUtf8Hint;
  return std::string(column) + " '" + std::string(text) + "' " + why;
}

bool HeadCollector::City(std::string_view province, std::string_view city,
                         std::string_view postal_code, std::string_view area_code,
                         int32_t& index, std::string& fault) {
  bool dropped = false;
  area_code = WithoutTrunkZero(area_code, dropped);
  joined_.assign(province).append(1, '\x1f').append(city).append(1, '\x1f');
  joined_.append(postal_code).append(1, '\x1f').append(area_code);
  if (last_city_ != 0 && joined_ == last_joined_) {
    index = last_city_;
    if (dropped) data_.cities[static_cast<size_t>(index - 1)].zero_dropped = true;
    return true;
  }
  if (auto found = city_of_.find(joined_); found != city_of_.end()) {
    index = found->second;
    if (dropped) data_.cities[static_cast<size_t>(index - 1)].zero_dropped = true;
    last_joined_ = joined_;
    last_city_ = index;
    return true;
  }
  CityRow row;
  row.index = static_cast<int32_t>(data_.cities.size() + 1);
  row.zero_dropped = dropped;
  if (!Checked("province", province, kProvinceSize, false, row.province, fault) ||
      !Checked("city", city, kCitySize, false, row.city, fault) ||
      !Checked("postal_code", postal_code, kPostalCodeSize, false, row.postal_code, fault) ||
      !Checked("area_code", area_code, kAreaCodeSize, false, row.area_code, fault)) {
    return false;
  }
  index = row.index;
  city_of_.emplace(joined_, index);
  last_joined_ = joined_;
  last_city_ = index;
  data_.cities.push_back(std::move(row));
  return true;
}

bool HeadCollector::CardType(std::string_view description, std::string_view key,
                             uint32_t& position, std::string& fault) {
  if (last_card_type_ != UINT32_MAX && description == last_description_) {
    position = last_card_type_;
    return true;
  }
  if (auto found = card_type_of_.find(std::string(description)); found != card_type_of_.end()) {
    position = found->second;
    last_description_ = description;
    last_card_type_ = position;
    return true;
  }
  CardTypeRow row;
  if (!Checked("card_type", description, kCardTypeTextSize, false, row.description, fault)) {
    return false;
  }
  row.key = key.empty() ? base::Utf8ToUtf16(std::to_string(data_.card_types.size() + 1))
                        : base::Utf8ToUtf16(key);
  position = static_cast<uint32_t>(data_.card_types.size());
  card_type_of_.emplace(std::string(description), position);
  last_description_ = description;
  last_card_type_ = position;
  data_.card_types.push_back(std::move(row));
  return true;
}

void Summarize(AttributionData& data) {
  ImportSummary& s = data.summary;
  std::unordered_map<int32_t, size_t> heads_of_key;
  for (const HeadRow& head : data.heads) ++heads_of_key[head.city];
  std::map<std::pair<std::u16string, std::u16string>, std::pair<size_t, size_t>> names;
  for (const CityRow& city : data.cities) {
    auto found = heads_of_key.find(city.index);
    const size_t heads = found == heads_of_key.end() ? 0 : found->second;
    auto& [rows, name_heads] = names[{city.province, city.city}];
    ++rows;
    name_heads += heads;
    if (city.province.empty() || city.city.empty() || city.postal_code.empty() ||
        city.area_code.empty()) {
      ++s.empty_rows;
      s.empty_heads += heads;
    }
    if (city.zero_dropped) {
      ++s.unzeroed_rows;
      s.unzeroed_heads += heads;
    }
  }
  for (const auto& [name, counts] : names) {
    if (counts.first < 2) continue;
    ++s.split_names;
    s.split_rows += counts.first;
    s.split_heads += counts.second;
  }
}

}  // namespace attribution
