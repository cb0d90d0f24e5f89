// Reading and writing phone.dat files.
#include "attribution/phone_dat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <vector>

#include "attribution/import_rows.h"
#include "attribution/phone_dat_format.h"
#include "db/jet/format/byte_reader.h"
#include "platform/file.h"
#include "platform/path_text.h"

namespace attribution {

using namespace phone_dat;

namespace {

// The length of the longest prefix of `text` that is well-formed UTF-8
// (shortest forms, no surrogates, at most U+10FFFF).
size_t Utf8Prefix(std::string_view text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t extra;
    uint8_t low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (n - i <= extra || p[i + 1] < low || p[i + 1] > high) return i;
    for (size_t k = 2; k <= extra; ++k) {
      if (p[i + k] < 0x80 || p[i + k] > 0xBF) return i;
    }
    i += extra + 1;
  }
  return n;
}

class Parser {
 public:
  Parser(std::span<const uint8_t> bytes, const std::string& name)
      : bytes_(bytes), name_(name), collector_(data_) {}

  AttributionData Run() {
    const size_t size = bytes_.size();
    if (size < kHeaderSize) {
      Fail(0, "a header of " + std::to_string(kHeaderSize) + " bytes expected, the file has " +
                  std::to_string(size));
    }
    for (size_t i = 0; i < kVersionSize; ++i) {
      const uint8_t c = bytes_[kVersionOffset + i];
      if (c < '0' || c > '9') Fail(kVersionOffset, "the version is not four digits");
    }
    const uint32_t index = jet::LoadU32(&bytes_[kIndexOffsetOffset]);
    if (index < kHeaderSize || index > size) {
      Fail(kIndexOffsetOffset, "index offset " + std::to_string(index) +
                                   " lies outside the file's " + std::to_string(size) +
                                   " bytes after the header");
    }
    if ((size - index) % kEntrySize != 0) {
      Fail(index, "the index's " + std::to_string(size - index) +
                      " bytes are not a whole number of " + std::to_string(kEntrySize) +
                      "-byte entries");
    }
    index_ = index;
    ReadRecords();
    ReadEntries();
    return std::move(data_);
  }

 private:
  [[noreturn]] void Fail(size_t offset, const std::string& what) const {
    throw InputError(name_ + ": byte " + std::to_string(offset) + ": " + what);
  }

  // Finds every record's start, checking its end and its bytes.
  void ReadRecords() {
    const char* text = reinterpret_cast<const char*>(bytes_.data());
    size_t at = kHeaderSize;
    while (at < index_) {
      const void* end = std::memchr(text + at, kRecordEnd, index_ - at);
      if (end == nullptr) Fail(at, "the record has no NUL before the index");
      const size_t length = static_cast<size_t>(static_cast<const char*>(end) - (text + at));
      const std::string_view record(text + at, length);
      const size_t good = Utf8Prefix(record);
      if (good != length) Fail(at + good, "the record is not UTF-8");
      starts_.push_back(static_cast<uint32_t>(at));
      at += length + 1;
    }
    city_of_record_.assign(starts_.size(), 0);
  }

  // The number of the record that starts at `offset`, for the entry at `entry`.
  size_t RecordAt(uint32_t offset, size_t entry) {
    if (offset < kHeaderSize || offset >= index_) {
      Fail(entry + kEntryRecord, "record offset " + std::to_string(offset) +
                                     " lies outside the record area (bytes " +
                                     std::to_string(kHeaderSize) + " to " +
                                     std::to_string(index_) + ")");
    }
    if (last_record_ < starts_.size() && starts_[last_record_] == offset) return last_record_;
    auto it = std::lower_bound(starts_.begin(), starts_.end(), offset);
    if (it == starts_.end() || *it != offset) {
      Fail(entry + kEntryRecord,
           "record offset " + std::to_string(offset) + " is not the start of a record");
    }
    return last_record_ = static_cast<size_t>(it - starts_.begin());
  }

  int32_t CityOf(size_t record) {
    if (city_of_record_[record] != 0) return city_of_record_[record];
    const size_t at = starts_[record];
    const char* text = reinterpret_cast<const char*>(bytes_.data()) + at;
    std::string_view fields[kRecordFields];
    std::string_view rest(text, std::strlen(text));
    const std::string_view whole = rest;
    size_t count = 0;
    while (true) {
      const size_t bar = rest.find(kFieldSeparator);
      if (count < kRecordFields) fields[count] = rest.substr(0, bar);
      ++count;
      if (bar == std::string_view::npos) break;
      rest.remove_prefix(bar + 1);
    }
    if (count != kRecordFields) {
      Fail(at, "the record '" + std::string(whole) + "' has " + std::to_string(count) +
                   " fields, " + std::to_string(kRecordFields) + " expected");
    }
    int32_t city = 0;
    std::string fault;
    if (!collector_.City(fields[0], fields[1], fields[2], fields[3], city, fault)) {
      Fail(at, fault);
    }
    return city_of_record_[record] = city;
  }

  uint32_t CardTypeOf(uint8_t code, size_t entry) {
    if (card_type_of_code_[code] >= 0) return static_cast<uint32_t>(card_type_of_code_[code]);
    const std::string key = std::to_string(code);
    std::string_view name = code < std::size(kCardTypeNames) && code > 0
                                ? kCardTypeNames[code]
                                : std::string_view(key);
    uint32_t position = 0;
    std::string fault;
    if (!collector_.CardType(name, key, position, fault)) Fail(entry + kEntryCardType, fault);
    card_type_of_code_[code] = position;
    return position;
  }

  void ReadEntries() {
    const size_t count = (bytes_.size() - index_) / kEntrySize;
    data_.heads.reserve(count);
    std::vector<bool> used(starts_.size(), false);
    std::fill(std::begin(card_type_of_code_), std::end(card_type_of_code_), -1);
    int64_t previous = -1;
    for (size_t i = 0; i < count; ++i) {
      const size_t entry = index_ + i * kEntrySize;
      const uint8_t* p = &bytes_[entry];
      const auto head = static_cast<int32_t>(jet::LoadU32(p + kEntryHead));
      if (head < 1000000 || head > 1999999) {
        Fail(entry, "head " + std::to_string(head) + " is not seven digits starting with 1");
      }
      if (head <= previous) {
        Fail(entry, "head " + std::to_string(head) + " does not follow " +
                        std::to_string(previous) + " (the index must be sorted by head)");
      }
      previous = head;
      const size_t record = RecordAt(jet::LoadU32(p + kEntryRecord), entry);
      used[record] = true;
      HeadRow row;
      row.head = std::to_string(head);
      row.city = CityOf(record);
      row.card_type = CardTypeOf(p[kEntryCardType], entry);
      data_.heads.push_back(std::move(row));
    }
    data_.summary.unused_records =
        static_cast<size_t>(std::count(used.begin(), used.end(), false));
    data_.summary.trailing_unused_records = static_cast<size_t>(
        std::find(used.rbegin(), used.rend(), true) - used.rbegin());
  }

  std::span<const uint8_t> bytes_;
  const std::string& name_;
  AttributionData data_;
  HeadCollector collector_;
  size_t index_ = 0;
  std::vector<uint32_t> starts_;         // each record's offset, ascending
  std::vector<int32_t> city_of_record_;  // city key, 0 until first used
  size_t last_record_ = SIZE_MAX;
  int64_t card_type_of_code_[256];       // position in card_types, -1: not yet
};

// A whole file's bytes: mapped where the system allows, else read.
class WholeFile {
 public:
  explicit WholeFile(const std::filesystem::path& path) {
    try {
      file_ = platform::File::Open(path, platform::Access::kRead);
      const platform::FileInfo info = file_.Info();
      if (info.kind != platform::FileKind::kRegular) Refuse(path, EINVAL);
      if (info.size == 0) return;
      map_ = platform::MappedFile::Map(file_, info.size);
      if (map_) {
        bytes_ = {map_->data(), map_->size()};
      } else {
        copy_.resize(static_cast<size_t>(info.size));
        copy_.resize(file_.ReadAt(0, copy_.data(), copy_.size()));
        bytes_ = copy_;
      }
    } catch (const std::system_error& e) {
      Refuse(path, e.code().value());
    }
  }

  std::span<const uint8_t> bytes() const { return bytes_; }

 private:
  [[noreturn]] static void Refuse(const std::filesystem::path& path, int error) {
    throw InputError(platform::Utf8Of(path) + ": cannot be read (" + std::strerror(error) + ")");
  }

  platform::File file_;
  std::optional<platform::MappedFile> map_;
  std::vector<uint8_t> copy_;
  std::span<const uint8_t> bytes_;
};

}  // namespace

bool LooksLikePhoneDat(std::string_view start) {
  if (start.size() < kHeaderSize) return false;
  return std::all_of(start.begin(), start.begin() + kVersionSize,
                     [](char c) { return c >= '0' && c <= '9'; });
}

AttributionData ReadPhoneDat(const std::filesystem::path& path, const std::string& name) {
  WholeFile file(path);
  return ParsePhoneDat(file.bytes(), name.empty() ? platform::Utf8Of(path) : name);
}

AttributionData ParsePhoneDat(std::span<const uint8_t> bytes, const std::string& name) {
  return Parser(bytes, name).Run();
}

std::optional<uint8_t> PhoneDatCardType(std::string_view description, bool* near) {
  constexpr std::string_view kCountry = "中国";
  if (near != nullptr) *near = false;
  for (size_t code = 1; code < std::size(kCardTypeNames); ++code) {
    if (kCardTypeNames[code] == description) return static_cast<uint8_t>(code);
  }
  for (size_t code = 1; near != nullptr && code < std::size(kCardTypeNames); ++code) {
    const std::string_view name = kCardTypeNames[code];
    if (name.substr(kCountry.size()) == description && !description.empty()) {
      *near = true;
      return static_cast<uint8_t>(code);
    }
  }
  if (description.empty() || description.size() > 3 ||
      !std::all_of(description.begin(), description.end(),
                   [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const int n = std::stoi(std::string(description));
  if (n > 255 || std::to_string(n) != description) return std::nullopt;
  return static_cast<uint8_t>(n);
}

void PhoneDatWriter::Add(uint32_t head, std::string_view province, std::string_view city,
                         std::string_view postal_code, std::string_view area_code,
                         uint8_t card_type) {
  record_.clear();
  const std::pair<const char*, std::string_view> fields[] = {
      {"province", province}, {"city", city}, {"postal_code", postal_code},
      {"area_code", area_code}};
  for (size_t i = 0; i < std::size(fields); ++i) {
    const auto& [column, text] = fields[i];
    if (text.find(kFieldSeparator) != std::string_view::npos ||
        text.find(kRecordEnd) != std::string_view::npos) {
      throw InputError("head " + std::to_string(head) + ": " + column + " '" +
                       std::string(text) + "' holds '|' or a NUL byte, which phone.dat "
                       "cannot carry");
    }
    if (i > 0) record_ += kFieldSeparator;
    record_ += text;
  }
  // Heads of one record come in runs: the one before is asked first.
  if (!have_previous_ || record_ != previous_) {
    auto [it, fresh] = record_at_.emplace(record_, 0);
    if (fresh) {
      it->second = static_cast<uint32_t>(kHeaderSize + records_.size());
      records_ += record_;
      records_ += kRecordEnd;
    }
    previous_offset_ = it->second;
    previous_.swap(record_);
    have_previous_ = true;
  }
  char entry[kEntrySize];
  jet::StoreU32(reinterpret_cast<uint8_t*>(entry + kEntryHead), head);
  jet::StoreU32(reinterpret_cast<uint8_t*>(entry + kEntryRecord), previous_offset_);
  entry[kEntryCardType] = static_cast<char>(card_type);
  entries_.append(entry, kEntrySize);
}

std::string PhoneDatWriter::Finish(std::string_view version) const {
  std::string out;
  out.reserve(kHeaderSize + records_.size() + entries_.size());
  out.append(version.substr(0, kVersionSize));
  uint8_t offset[4];
  jet::StoreU32(offset, static_cast<uint32_t>(kHeaderSize + records_.size()));
  out.append(reinterpret_cast<const char*>(offset), 4);
  out += records_;
  out += entries_;
  return out;
}

std::string WritePhoneDat(const AttributionIndex& index, std::string_view version,
                          std::vector<std::string>* renamed) {
  std::vector<uint8_t> codes(index.AnswerCount() + 1, 0);
  for (uint32_t n = 1; n <= index.AnswerCount(); ++n) {
    const std::string& name = index.Answer(n).card_type;
    bool near = false;
    std::optional<uint8_t> code = PhoneDatCardType(name, &near);
    if (!code) {
      throw InputError("card type '" + name +
                       "' has no phone.dat code (a name of the format or a number)");
    }
    if (near && renamed != nullptr) {
      // Only names of the format are near ones.
      std::string note = "'" + name + "' as " + std::to_string(*code) + " " +
                         std::string(kCardTypeNames[*code]);
      if (std::find(renamed->begin(), renamed->end(), note) == renamed->end()) {
        renamed->push_back(std::move(note));
      }
    }
    codes[n] = *code;
  }
  PhoneDatWriter writer;
  for (uint32_t head = kFirstHead; head < kFirstHead + kHeadSpan; ++head) {
    const uint32_t n = index.Find(head);
    if (n == 0) continue;
    const Attribution& a = index.Answer(n);
    writer.Add(head, a.province, a.city, a.postal_code, a.area_code, codes[n]);
  }
  return writer.Finish(version);
}

}  // namespace attribution
