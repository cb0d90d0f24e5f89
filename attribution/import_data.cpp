// Reading and checking the import's input, and telling its layout.
#include "attribution/import_data.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <unordered_map>

#include "attribution/import_rows.h"
#include "attribution/phone_dat.h"
#include "base/utf.h"
#include "platform/path_text.h"

namespace attribution {
namespace {

constexpr int kHeadSpace = 10'000'000;  // seven digits
constexpr std::string_view kOneFileHeader = "head,province,city,postal_code,area_code,card_type";

std::u16string Text(const CsvReader& in, std::string_view column, std::string_view text,
                    size_t size, bool required) {
  std::u16string out;
  std::string fault = TextFault(text, size, required, out);
  if (!fault.empty()) throw in.Error(ColumnFault(column, text, fault));
  return out;
}

// A seven-digit head starting with 1, as its number.
int HeadNumber(const CsvReader& in, std::string_view head) {
  bool ok = head.size() == 7 && head[0] == '1';
  int n = 0;
  for (char c : head) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) n = n * 10 + (c - '0');  // at most seven digits: no overflow
  }
  if (!ok) {
    throw in.Error("bad head '" + std::string(head) + "': seven digits starting with 1 expected");
  }
  return n;
}

int32_t CityKey(const CsvReader& in, std::string_view column, std::string_view text) {
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size()) {
    throw in.Error(std::string(column) + " '" + std::string(text) +
                   "' is not a whole number from 0 to 2147483647");
  }
  return value;
}

// A header line found in place of the expected one, quoted when it is
// text; a file of another kind is named instead of echoing its bytes.
std::string Shown(const std::string& got) {
  const bool text = base::IsUtf8(got) &&
                    std::none_of(got.begin(), got.end(), [](char c) {
                      return static_cast<unsigned char>(c) < 0x20 && c != '\t';
                    });
  if (text) return "'" + got + "'";
  if (LooksLikePhoneDat(got)) {
    return "binary data that looks like a phone.dat file (use --format phonedat, or leave "
           "--format out)";
  }
  if (!base::IsUtf8(got)) {
    return std::string("a line that ") + kNotUtf8Hint;
  }
  return "binary data, not CSV text";
}

// Reads records of `in` after checking its header against `header`; calls
// `each` with the fields of every record.
template <typename Each>
void ReadTable(CsvReader& in, std::string_view header, Each each) {
  std::vector<std::string_view> fields;
  std::string expected(header);
  size_t columns = 1;
  for (char c : expected) columns += c == ',';
  if (!in.Next(fields)) throw InputError(in.name() + ": empty, header '" + expected + "' expected");
  std::string got;
  for (size_t i = 0; i < fields.size(); ++i) got.append(i ? "," : "").append(fields[i]);
  if (got != expected) throw in.Error("header '" + expected + "' expected, found " + Shown(got));
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
  explicit HeadSet(size_t expected) : seen_(kHeadSpace) { number_.reserve(expected); }
  void Add(const CsvReader& in, std::string_view head, std::vector<int>& lines, size_t row) {
    int n = HeadNumber(in, head);
    if (seen_[n]) {
      throw in.Error("head " + std::string(head) + " given twice (first on line " +
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

AttributionData ReadOneFile(const std::filesystem::path& file, const std::string& name) {
  AttributionData data;
  CsvReader in(file, size_t{1} << 20, name);
  HeadCollector collector(data);
  const size_t expected = in.EstimatedLines();
  data.heads.reserve(expected);
  std::vector<int> lines;
  lines.reserve(expected);
  HeadSet heads(expected);
  std::string fault;
  ReadTable(in, kOneFileHeader, [&](const std::vector<std::string_view>& f) {
    HeadRow row;
    row.head = f[0];
    heads.Add(in, f[0], lines, data.heads.size());
    if (!collector.City(f[1], f[2], f[3], f[4], row.city, fault) ||
        !collector.CardType(f[5], {}, row.card_type, fault)) {
      throw in.Error(fault);
    }
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
    ReadTable(in, "index,sheng,shi,youbian,quhao", [&](const std::vector<std::string_view>& f) {
      CityRow c;
      c.index = CityKey(in, "index", f[0]);
      if (auto [it, fresh] = city_line.emplace(c.index, in.line()); !fresh) {
        throw in.Error("index " + std::string(f[0]) + " given twice (first on line " +
                       std::to_string(it->second) + ")");
      }
      c.province = Text(in, "sheng", f[1], kProvinceSize, false);
      c.city = Text(in, "shi", f[2], kCitySize, false);
      c.postal_code = Text(in, "youbian", f[3], kPostalCodeSize, false);
      c.area_code = Text(in, "quhao", WithoutTrunkZero(f[4], c.zero_dropped), kAreaCodeSize,
                         false);
      data.cities.push_back(std::move(c));
    });
  }
  std::unordered_map<std::string, uint32_t> card_type_of;
  {
    CsvReader in(folder / "cardtype.csv");
    std::unordered_map<std::string, int> type_line;
    ReadTable(in, "cardtype,describe", [&](const std::vector<std::string_view>& f) {
      CardTypeRow t;
      t.key = Text(in, "cardtype", f[0], kCardTypeKeySize, true);
      t.description = Text(in, "describe", f[1], kCardTypeTextSize, false);
      if (auto [it, fresh] = type_line.emplace(std::string(f[0]), in.line()); !fresh) {
        throw in.Error("cardtype " + std::string(f[0]) + " given twice (first on line " +
                       std::to_string(it->second) + ")");
      }
      card_type_of.emplace(std::string(f[0]), static_cast<uint32_t>(data.card_types.size()));
      data.card_types.push_back(std::move(t));
    });
  }
  CsvReader in(folder / "numindex.csv");
  const size_t expected = in.EstimatedLines();
  data.heads.reserve(expected);
  std::vector<int> lines;
  lines.reserve(expected);
  HeadSet heads(expected);
  ReadTable(in, "head,index,cardtype", [&](const std::vector<std::string_view>& f) {
    HeadRow row;
    heads.Add(in, f[0], lines, data.heads.size());
    row.head = f[0];
    row.city = CityKey(in, "index", f[1]);
    if (!city_line.count(row.city)) {
      throw in.Error("index " + std::string(f[1]) + " is not in city.csv");
    }
    auto type = card_type_of.find(std::string(f[2]));
    if (type == card_type_of.end()) {
      throw in.Error("cardtype " + std::string(f[2]) + " is not in cardtype.csv");
    }
    row.card_type = type->second;
    lines.push_back(in.line());
    data.heads.push_back(std::move(row));
  });
  return data;
}

// The layout of `path` told by its content.
ImportFormat Detect(const std::filesystem::path& path, const std::string& name) {
  if (std::filesystem::is_directory(path)) return ImportFormat::kTables;
  std::ifstream in(path, std::ios::binary);
  std::string start(kOneFileHeader.size() + 3, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<size_t>(in.gcount()));
  if (!in.good() && !in.eof()) return ImportFormat::kCsv;  // the reader says why
  if (start.starts_with("\xEF\xBB\xBF")) start.erase(0, 3);
  if (start.starts_with(kOneFileHeader) || start.empty()) return ImportFormat::kCsv;
  if (LooksLikePhoneDat(start)) return ImportFormat::kPhoneDat;
  if (start.starts_with("head,")) return ImportFormat::kCsv;  // the reader names the header
  throw InputError((name.empty() ? platform::Utf8Of(path) : name) +
                   ": the format cannot be told (use --format)");
}

}  // namespace

AttributionData ReadImportInput(const std::filesystem::path& path, ImportFormat format,
                                const std::string& name) {
  if (format == ImportFormat::kDetect) format = Detect(path, name);
  AttributionData data;
  switch (format) {
    case ImportFormat::kTables:
      data = ReadFolder(path);
      break;
    case ImportFormat::kPhoneDat:
      data = ReadPhoneDat(path, name);
      break;
    default:
      data = ReadOneFile(path, name);
  }
  Summarize(data);
  return data;
}

}  // namespace attribution
