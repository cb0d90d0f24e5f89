// Reading and checking the import's CSV input.
#include "attribution/import_data.h"

#include <charconv>
#include <string_view>
#include <unordered_map>

#include "base/gbk.h"
#include "base/utf.h"

namespace attribution {
namespace {

constexpr int kHeadSpace = 10'000'000;  // seven digits

// Why `text` cannot be stored in a text column of `size` characters, or
// empty when it can; on success `out` holds it in UTF-16.
std::string TextFault(std::string_view text, size_t size, bool required,
                      std::u16string& out) {
  out = base::Utf8ToUtf16(text);
  if (base::Utf16ToUtf8(out) != text) return "is not UTF-8";
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

std::u16string Text(const CsvReader& in, std::string_view column, std::string_view text,
                    size_t size, bool required) {
  std::u16string out;
  std::string fault = TextFault(text, size, required, out);
  if (!fault.empty()) throw in.Error(std::string(column) + " '" + std::string(text) + "' " + fault);
  return out;
}

// A seven-digit head starting with 1, as its number.
int HeadNumber(const CsvReader& in, const std::string& head) {
  bool ok = head.size() == 7 && head[0] == '1';
  int n = 0;
  for (char c : head) {
    ok = ok && c >= '0' && c <= '9';
    n = n * 10 + (c - '0');
  }
  if (!ok) throw in.Error("bad head '" + head + "': seven digits starting with 1 expected");
  return n;
}

int32_t CityKey(const CsvReader& in, std::string_view column, const std::string& text) {
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size()) {
    throw in.Error(std::string(column) + " '" + text + "' is not a whole number from 0 to 2147483647");
  }
  return value;
}

// Reads records of `in` after checking its header against `header`; calls
// `each` with the fields of every record.
template <typename Each>
void ReadTable(CsvReader& in, std::string_view header, Each each) {
  std::vector<std::string> fields;
  std::string expected(header);
  size_t columns = 1;
  for (char c : expected) columns += c == ',';
  if (!in.Next(fields)) throw InputError(in.name() + ": empty, header '" + expected + "' expected");
  std::string got;
  for (size_t i = 0; i < fields.size(); ++i) got += (i ? "," : "") + fields[i];
  if (got != expected) throw in.Error("header '" + expected + "' expected, found '" + got + "'");
  while (in.Next(fields)) {
    if (fields.size() != columns) {
      throw in.Error(std::to_string(fields.size()) + " fields, " + std::to_string(columns) +
                     " expected");
    }
    each(fields);
  }
}

// Refuses a head seen before, naming the line where it was first given.
class HeadSet {
 public:
  HeadSet() : seen_(kHeadSpace) {}
  void Add(const CsvReader& in, const std::string& head, std::vector<int>& lines, size_t row) {
    int n = HeadNumber(in, head);
    if (seen_[n]) {
      throw in.Error("head " + head + " given twice (first on line " +
                     std::to_string(FirstLine(n, lines, row)) + ")");
    }
    seen_[n] = true;
    number_.push_back(n);
  }

 private:
  int FirstLine(int n, const std::vector<int>& lines, size_t row) const {
    for (size_t i = 0; i < row; ++i) {
      if (number_[i] == n) return lines[i];
    }
    return 0;
  }
  std::vector<bool> seen_;
  std::vector<int> number_;
};

AttributionData ReadOneFile(const std::filesystem::path& file) {
  AttributionData data;
  CsvReader in(file);
  std::unordered_map<std::string, size_t> city_of;       // province \x1f city -> row
  std::vector<std::string> city_codes;  // per city: postal \x1f area, as written
  std::vector<int> city_line;
  std::unordered_map<std::string, uint32_t> card_type_of;  // description -> row
  std::vector<int> lines;
  HeadSet heads;
  std::string key;
  ReadTable(in, "head,province,city,postal_code,area_code,card_type",
            [&](const std::vector<std::string>& f) {
    HeadRow row;
    row.head = f[0];
    heads.Add(in, f[0], lines, data.heads.size());
    key = f[1] + '\x1f' + f[2];
    auto city = city_of.find(key);
    if (city == city_of.end()) {
      CityRow c;
      c.index = static_cast<int32_t>(data.cities.size() + 1);
      c.province = Text(in, "province", f[1], kProvinceSize, true);
      c.city = Text(in, "city", f[2], kCitySize, true);
      c.postal_code = Text(in, "postal_code", f[3], kPostalCodeSize, false);
      c.area_code = Text(in, "area_code", f[4], kAreaCodeSize, false);
      city = city_of.emplace(key, data.cities.size()).first;
      city_codes.push_back(f[3] + '\x1f' + f[4]);
      city_line.push_back(in.line());
      data.cities.push_back(std::move(c));
    } else if (city_codes[city->second].size() != f[3].size() + f[4].size() + 1 ||
               city_codes[city->second] != f[3] + '\x1f' + f[4]) {
      const CityRow& c = data.cities[city->second];
      throw in.Error(f[1] + " " + f[2] + " has postal code '" + f[3] + "' and area code '" +
                     f[4] + "', but '" + base::Utf16ToUtf8(c.postal_code) + "' and '" +
                     base::Utf16ToUtf8(c.area_code) + "' on line " +
                     std::to_string(city_line[city->second]));
    }
    row.city = data.cities[city->second].index;
    auto type = card_type_of.find(f[5]);
    if (type == card_type_of.end()) {
      CardTypeRow t;
      t.description = Text(in, "card_type", f[5], kCardTypeTextSize, true);
      t.key = base::Utf8ToUtf16(std::to_string(data.card_types.size() + 1));
      type = card_type_of.emplace(f[5], static_cast<uint32_t>(data.card_types.size())).first;
      data.card_types.push_back(std::move(t));
    }
    row.card_type = type->second;
    lines.push_back(in.line());
    data.heads.push_back(std::move(row));
  });
  return data;
}

AttributionData ReadFolder(const std::filesystem::path& folder) {
  AttributionData data;
  std::unordered_map<int32_t, int> city_line;
  {
    CsvReader in(folder / "city.csv");
    ReadTable(in, "index,sheng,shi,youbian,quhao", [&](const std::vector<std::string>& f) {
      CityRow c;
      c.index = CityKey(in, "index", f[0]);
      if (auto [it, fresh] = city_line.emplace(c.index, in.line()); !fresh) {
        throw in.Error("index " + f[0] + " given twice (first on line " +
                       std::to_string(it->second) + ")");
      }
      c.province = Text(in, "sheng", f[1], kProvinceSize, true);
      c.city = Text(in, "shi", f[2], kCitySize, true);
      c.postal_code = Text(in, "youbian", f[3], kPostalCodeSize, false);
      c.area_code = Text(in, "quhao", f[4], kAreaCodeSize, false);
      data.cities.push_back(std::move(c));
    });
  }
  std::unordered_map<std::string, uint32_t> card_type_of;
  {
    CsvReader in(folder / "cardtype.csv");
    std::unordered_map<std::string, int> type_line;
    ReadTable(in, "cardtype,describe", [&](const std::vector<std::string>& f) {
      CardTypeRow t;
      t.key = Text(in, "cardtype", f[0], kCardTypeKeySize, true);
      t.description = Text(in, "describe", f[1], kCardTypeTextSize, true);
      if (auto [it, fresh] = type_line.emplace(f[0], in.line()); !fresh) {
        throw in.Error("cardtype " + f[0] + " given twice (first on line " +
                       std::to_string(it->second) + ")");
      }
      card_type_of.emplace(f[0], static_cast<uint32_t>(data.card_types.size()));
      data.card_types.push_back(std::move(t));
    });
  }
  CsvReader in(folder / "numindex.csv");
  std::vector<int> lines;
  HeadSet heads;
  ReadTable(in, "head,index,cardtype", [&](const std::vector<std::string>& f) {
    HeadRow row;
    heads.Add(in, f[0], lines, data.heads.size());
    row.head = f[0];
    row.city = CityKey(in, "index", f[1]);
    if (!city_line.count(row.city)) throw in.Error("index " + f[1] + " is not in city.csv");
    auto type = card_type_of.find(f[2]);
    if (type == card_type_of.end()) throw in.Error("cardtype " + f[2] + " is not in cardtype.csv");
    row.card_type = type->second;
    lines.push_back(in.line());
    data.heads.push_back(std::move(row));
  });
  return data;
}

}  // namespace

AttributionData ReadImportInput(const std::filesystem::path& path) {
  if (std::filesystem::is_directory(path)) return ReadFolder(path);
  return ReadOneFile(path);
}

}  // namespace attribution
