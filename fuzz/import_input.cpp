// Import input files for the fuzz entries: writing, reading, checking.
#include "fuzz/import_input.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <tuple>
#include <unordered_set>

#include "attribution/import_rows.h"
#include "attribution/phone_dat.h"
#include "base/utf.h"
#include "fuzz/fuzz_entries.h"
#include "platform/file.h"
#include "platform/path_text.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;
using attribution::AttributionData;

constexpr const char* kTableFiles[] = {"city.csv", "cardtype.csv", "numindex.csv"};

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + path.string());
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digits at the start of `text`, taken off it; false when there are none.
bool TakeNumber(std::string_view& text, size_t& number) {
  size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) ++n;
  if (n == 0 || n > 18) return false;
  std::from_chars(text.data(), text.data() + n, number);
  text.remove_prefix(n);
  return true;
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char c : base::Utf16ToUtf8(text)) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

std::u16string AreaWithZero(const attribution::CityRow& city) {
  return city.zero_dropped ? u"0" + city.area_code : city.area_code;
}

std::string CityFields(const attribution::CityRow& c) {
  return Quoted(c.province) + "," + Quoted(c.city) + "," + Quoted(c.postal_code) + "," +
         Quoted(AreaWithZero(c));
}

const attribution::CityRow& CityOf(const AttributionData& data, int32_t key) {
  for (const attribution::CityRow& c : data.cities) {
    if (c.index == key) return c;
  }
  Fail("a head refers to city " + std::to_string(key) + ", which the data lacks");
}

std::string OneFile(const AttributionData& data) {
  std::string out = "head,province,city,postal_code,area_code,card_type\n";
  for (const attribution::HeadRow& h : data.heads) {
    out += Quoted(base::Utf8ToUtf16(h.head)) + "," + CityFields(CityOf(data, h.city)) + "," +
           Quoted(data.card_types[h.card_type].description) + "\n";
  }
  return out;
}

std::string Tables(const AttributionData& data) {
  std::string city = "index,sheng,shi,youbian,quhao\n";
  for (const attribution::CityRow& c : data.cities) {
    city += std::to_string(c.index) + "," + CityFields(c) + "\n";
  }
  std::string cardtype = "cardtype,describe\n";
  for (const attribution::CardTypeRow& t : data.card_types) {
    cardtype += Quoted(t.key) + "," + Quoted(t.description) + "\n";
  }
  std::string numindex = "head,index,cardtype\n";
  for (const attribution::HeadRow& h : data.heads) {
    numindex += h.head + "," + std::to_string(h.city) + "," +
                Quoted(data.card_types[h.card_type].key) + "\n";
  }
  return JoinTables(city, cardtype, numindex);
}

std::string PhoneDat(const AttributionData& data) {
  std::vector<const attribution::HeadRow*> heads;
  for (const attribution::HeadRow& h : data.heads) heads.push_back(&h);
  std::sort(heads.begin(), heads.end(), [](auto* a, auto* b) { return a->head < b->head; });
  attribution::PhoneDatWriter writer;
  for (const attribution::HeadRow* h : heads) {
    const attribution::CityRow& c = CityOf(data, h->city);
    const attribution::CardTypeRow& t = data.card_types[h->card_type];
    std::optional<uint8_t> code = attribution::PhoneDatCardType(base::Utf16ToUtf8(t.description));
    writer.Add(static_cast<uint32_t>(std::stoul(h->head)), base::Utf16ToUtf8(c.province),
               base::Utf16ToUtf8(c.city), base::Utf16ToUtf8(c.postal_code),
               base::Utf16ToUtf8(AreaWithZero(c)), code.value_or(0));
  }
  return writer.Finish("2406");
}

void CheckText(std::u16string_view text, size_t size, bool required, std::string_view what) {
  std::u16string again;
  if (!attribution::TextFault(base::Utf16ToUtf8(text), size, required, again).empty() ||
      again != text) {
    Fail(std::string("an accepted ") + std::string(what) + " cannot be stored: '" +
         base::Utf16ToUtf8(text) + "'");
  }
}

}  // namespace

ScratchFolder::ScratchFolder() {
  static int made = 0;
  path_ = fs::temp_directory_path() /
          ("attr-fuzz-" + std::to_string(platform::ProcessId()) + "-" + std::to_string(made++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path ScratchFolder::Write(InputLayout layout, std::string_view bytes) {
  const std::string n = std::to_string(written_++);
  if (layout != InputLayout::kTables) {
    fs::path file = path_ / ((layout == InputLayout::kCsv ? "input-" : "phone-") + n);
    WriteFile(file, bytes);
    return file;
  }
  fs::path folder = path_ / ("tables-" + n);
  fs::create_directory(folder);
  // The last file takes any further separators as its own bytes.
  for (size_t i = 0; i < std::size(kTableFiles); ++i) {
    const size_t end = i + 1 < std::size(kTableFiles) ? bytes.find(kFileSeparator)
                                                       : std::string_view::npos;
    WriteFile(folder / kTableFiles[i], bytes.substr(0, end));
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + kFileSeparator.size());
  }
  return folder;
}

std::string JoinTables(std::string_view city, std::string_view cardtype,
                       std::string_view numindex) {
  std::string out(city);
  out.append(kFileSeparator).append(cardtype).append(kFileSeparator).append(numindex);
  return out;
}

std::vector<fs::path> CsvFilesOf(const fs::path& path, InputLayout layout) {
  if (layout != InputLayout::kTables) return {path};
  std::vector<fs::path> files;
  for (const char* name : kTableFiles) files.push_back(path / name);
  return files;
}

std::optional<AttributionData> ReadInput(const fs::path& path, InputLayout layout,
                                         bool detect) {
  using attribution::ImportFormat;
  const ImportFormat format = detect                               ? ImportFormat::kDetect
                              : layout == InputLayout::kCsv        ? ImportFormat::kCsv
                              : layout == InputLayout::kPhoneDat   ? ImportFormat::kPhoneDat
                                                                   : ImportFormat::kTables;
  try {
    return attribution::ReadImportInput(path, format, kInputName);
  } catch (const attribution::InputError& e) {
    std::error_code error;
    const uintmax_t size = layout == InputLayout::kTables ? 0 : fs::file_size(path, error);
    if (layout == InputLayout::kTables) {
      const std::string files[] = {platform::Utf8Of(path / kTableFiles[0]),
                                   platform::Utf8Of(path / kTableFiles[1]),
                                   platform::Utf8Of(path / kTableFiles[2])};
      CheckRefusal(e.what(), {files[0], files[1], files[2]}, 0);
    } else {
      CheckRefusal(e.what(), {kInputName}, static_cast<size_t>(size));
    }
    return std::nullopt;
  }
}

void CheckRefusal(std::string_view message, std::initializer_list<std::string_view> names,
                  size_t size) {
  for (std::string_view name : names) {
    if (!message.starts_with(name) || message.size() <= name.size() ||
        message[name.size()] != ':') {
      continue;
    }
    std::string_view rest = message.substr(name.size() + 1);
    size_t number = 0;
    if (rest.starts_with(" byte ")) {
      rest.remove_prefix(6);
      if (TakeNumber(rest, number) && number <= size && rest.starts_with(": ") &&
          rest.size() > 2) {
        return;
      }
    } else if (rest.starts_with(" ")) {
      if (rest.size() > 1) return;
    } else if (TakeNumber(rest, number) && number >= 1 && rest.starts_with(": ") &&
               rest.size() > 2) {
      return;
    }
    break;
  }
  Fail("a refusal of another form: " + std::string(message));
}

void CheckAcceptedData(const AttributionData& data, InputLayout layout) {
  using namespace attribution;
  const bool keys_given = layout == InputLayout::kTables;
  std::set<int32_t> city_keys;
  for (size_t i = 0; i < data.cities.size(); ++i) {
    const CityRow& c = data.cities[i];
    if (!city_keys.insert(c.index).second) Fail("a city key accepted twice");
    if (c.index < 0 || (!keys_given && c.index != static_cast<int32_t>(i + 1))) {
      Fail("city key " + std::to_string(c.index) + " at position " + std::to_string(i));
    }
    CheckText(c.province, kProvinceSize, false, "province");
    CheckText(c.city, kCitySize, false, "city");
    CheckText(c.postal_code, kPostalCodeSize, false, "postal code");
    CheckText(c.area_code, kAreaCodeSize, false, "area code");
  }
  std::set<std::u16string> card_keys;
  for (const CardTypeRow& t : data.card_types) {
    if (!card_keys.insert(t.key).second) Fail("a card type key accepted twice");
    CheckText(t.key, kCardTypeKeySize, true, "card type key");
    CheckText(t.description, kCardTypeTextSize, false, "card type");
  }
  std::unordered_set<std::string> heads;
  for (const HeadRow& h : data.heads) {
    if (h.head.size() != 7 || h.head[0] != '1' ||
        !std::all_of(h.head.begin(), h.head.end(), IsDigit)) {
      Fail("head '" + h.head + "' accepted");
    }
    if (!heads.insert(h.head).second) Fail("head " + h.head + " accepted twice");
    if (!city_keys.count(h.city)) Fail("head " + h.head + " refers to a city not given");
    if (h.card_type >= data.card_types.size()) Fail("head " + h.head + ": no such card type");
  }
}

bool SameRows(const AttributionData& a, const AttributionData& b) {
  auto city = [](const attribution::CityRow& c) {
    return std::tie(c.index, c.province, c.city, c.postal_code, c.area_code, c.zero_dropped);
  };
  auto card = [](const attribution::CardTypeRow& t) { return std::tie(t.key, t.description); };
  auto head = [](const attribution::HeadRow& h) { return std::tie(h.head, h.city, h.card_type); };
  return std::ranges::equal(a.cities, b.cities, {}, city, city) &&
         std::ranges::equal(a.card_types, b.card_types, {}, card, card) &&
         std::ranges::equal(a.heads, b.heads, {}, head, head);
}

std::string WriteInputOf(const AttributionData& data, InputLayout layout) {
  switch (layout) {
    case InputLayout::kCsv: return OneFile(data);
    case InputLayout::kTables: return Tables(data);
    case InputLayout::kPhoneDat: return PhoneDat(data);
  }
  return {};
}

}  // namespace fuzz
