// Loading the attribution index: city and cardtype into small tables, then
// one scan of numindex, its heads decoded on a second thread. Rows of one
// city and card type come in runs, so the city key and card type of a row
// are resolved again only when its stored bytes differ from the row before.
#include "attribution/attribution_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>

#include "attribution/batch_pipeline.h"
#include "attribution/column_values.h"
#include "attribution/read_ahead_file.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/read/index_seek.h"
#include "db/jet/format/text.h"
#include "db/sql/text_compare.h"

namespace attribution {

namespace {

// Pages cached by a HeadSeeker: the small tables and the upper levels of
// the index stay while heads are sought one after another.
constexpr size_t kSeekCachePages = 64;

}  // namespace

class IndexLoader {
 public:
  IndexLoader(jet::Database& db, LoadReport* report) : db_(db), report_(report) {}

  // Whether numindex.numhead is text kept in the row with an index to seek
  // heads through.
  bool Seekable() {
    auto table = db_.GetTable(u"numindex");
    const size_t numhead = table->ColumnIndex(u"numhead");
    return table->columns[numhead].kind == jet::ColumnKind::kText &&
           jet::PlanIndexSeek(*table, numhead, jet::Value(std::u16string(u"0"))).has_value();
  }

  // Adds the answers of `heads`, none of them added before, after Prepare.
  void Add(const std::vector<uint32_t>& heads) {
    OnlyFor(heads);
    LoadHeads();
  }

  const AttributionIndex& index() const { return index_; }

  // Keeps only the rows whose stored head is one of `heads`: their
  // scrambled and plain text, each as compressed and as two-byte text.
  void OnlyFor(const std::vector<uint32_t>& heads) {
    filtered_ = true;
    wanted_.clear();
    wanted_texts_.clear();
    for (uint32_t head : heads) {
      const std::string plain = std::to_string(head);
      for (const std::string& text : {codec::EncodeNumberHead(plain), plain}) {
        wanted_texts_.emplace_back(text.begin(), text.end());
        std::vector<uint8_t> compressed{0xFF, 0xFE};
        std::vector<uint8_t> wide;
        for (char c : text) {
          compressed.push_back(static_cast<uint8_t>(c));
          wide.push_back(static_cast<uint8_t>(c));
          wide.push_back(0);
        }
        for (const auto* form : {&compressed, &wide}) {
          wanted_.emplace_back(Hash(*form), *form);
        }
      }
    }
    std::sort(wanted_.begin(), wanted_.end());
  }

  // The small tables, and the head table still empty.
  void Prepare() {
    LoadCities();
    LoadCardTypes();
    index_.heads_.reset(static_cast<uint32_t*>(std::calloc(kHeadSpan, sizeof(uint32_t))));
    if (!index_.heads_) throw std::bad_alloc();
  }

  AttributionIndex Run() {
    Prepare();
    LoadHeads();
    if (report_ != nullptr) {
      report_->undecodable_rows = undecodable_scanned_ + undecodable_placed_;
      for (std::string& text : undecodable_placed_examples_) {
        if (report_->undecodable_examples.size() >= kExamples) break;
        report_->undecodable_examples.push_back(std::move(text));
      }
    }
    return std::move(index_);
  }

 private:
  static constexpr uint32_t kNoCity = UINT32_MAX;
  static constexpr size_t kExamples = 5;

  struct City {
    std::string province, city, postal_code, area_code;
  };

  // A column's stored bytes and what they resolved to, for the next row.
  struct Memo {
    std::vector<uint8_t> bytes;
    uint32_t value = 0;
    bool valid = false;

    bool Holds(std::span<const uint8_t> raw) const {
      return valid && raw.size() == bytes.size() &&
             (raw.empty() || std::memcmp(raw.data(), bytes.data(), raw.size()) == 0);
    }
    void Keep(std::span<const uint8_t> raw, uint32_t resolved) {
      bytes.assign(raw.begin(), raw.end());
      value = resolved;
      valid = true;
    }
  };

  static std::u16string Folded(std::u16string text) {
    for (char16_t& c : text) c = sql::FoldCase(c);
    return text;
  }

  void LoadCities() {
    auto table = db_.GetTable(u"city");
    const size_t index = table->ColumnIndex(u"index");
    const size_t sheng = table->ColumnIndex(u"sheng");
    const size_t shi = table->ColumnIndex(u"shi");
    const size_t youbian = table->ColumnIndex(u"youbian");
    const size_t quhao = table->ColumnIndex(u"quhao");
    jet::RowCursor cursor = db_.Scan(table);
    while (cursor.Next()) {
      const jet::Row& row = cursor.row();
      if (report_ != nullptr) {
        report_->cities.push_back({ColumnUtf8(row, index), ColumnUtf8(row, sheng),
                                   ColumnUtf8(row, shi), ColumnUtf8(row, youbian),
                                   ColumnUtf8(row, quhao), false});
      }
      std::optional<double> key = ColumnNumber(row, index);
      // A key that no integer equals is never asked for.
      if (!key || *key != std::trunc(*key) || std::abs(*key) > INT32_MAX) continue;
      const auto position = static_cast<uint32_t>(cities_.size());
      if (!city_of_key_.emplace(static_cast<int32_t>(*key), position).second) continue;
      if (report_ != nullptr) {
        report_->cities.back().used = true;
        report_row_of_city_.push_back(static_cast<uint32_t>(report_->cities.size() - 1));
      }
      City city{ColumnUtf8(row, sheng), ColumnUtf8(row, shi), ColumnUtf8(row, youbian),
                ColumnUtf8(row, quhao)};
      if (!city.area_code.empty()) city.area_code = "0" + city.area_code;
      cities_.push_back(std::move(city));
    }
  }

  void LoadCardTypes() {
    auto table = db_.GetTable(u"cardtype");
    const size_t key = table->ColumnIndex(u"cardtype");
    const size_t describe = table->ColumnIndex(u"describe");
    jet::RowCursor cursor = db_.Scan(table);
    while (cursor.Next()) {
      const jet::Row& row = cursor.row();
      if (row.IsNull(key)) continue;
      description_of_key_.emplace(Folded(ColumnText(row, key)),
                                  ColumnUtf8(row, describe));
    }
  }

  // The number of the card type shown for numindex key `key`.
  uint32_t CardTypeOf(const std::u16string& key) {
    auto found = description_of_key_.find(Folded(key));
    const bool known = found != description_of_key_.end();
    std::string shown = known ? found->second : base::Utf16ToUtf8(key);
    if (!known && report_ != nullptr) AddOnce(report_->missing_card_type_keys, shown);
    auto it = std::find(card_types_.begin(), card_types_.end(), shown);
    if (it != card_types_.end()) return static_cast<uint32_t>(it - card_types_.begin());
    card_types_.push_back(std::move(shown));
    card_type_known_.push_back(known);
    return static_cast<uint32_t>(card_types_.size() - 1);
  }

  uint32_t CityOf(std::optional<int32_t> key, const jet::Row& row) {
    auto found = key ? city_of_key_.find(*key) : city_of_key_.end();
    if (found != city_of_key_.end()) return found->second;
    if (report_ != nullptr) AddOnce(report_->missing_city_keys, ColumnUtf8(row, index_column_));
    return kNoCity;
  }

  static void AddOnce(std::vector<std::string>& list, const std::string& text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
  }

  uint32_t AnswerOf(uint32_t city, uint32_t card_type) {
    const uint64_t pair = (uint64_t{city} << 32) | card_type;
    if (pair == last_pair_ && last_answer_ != 0) return last_answer_;
    return NewPair(pair, city, card_type);
  }

  uint32_t NewPair(uint64_t pair, uint32_t city, uint32_t card_type) {
    last_pair_ = pair;
    auto [it, added] = answer_of_pair_.emplace(pair, 0);
    if (!added) return last_answer_ = it->second;
    Attribution answer;
    if (city != kNoCity) {
      const City& c = cities_[city];
      answer = Attribution{c.province, c.city, c.postal_code, c.area_code, {}};
    }
    answer.card_type = card_types_[card_type];
    index_.answers_.push_back(std::move(answer));
    if (report_ != nullptr) {
      report_->city_of_answer.push_back(city == kNoCity ? LoadReport::kNone
                                                        : report_row_of_city_[city]);
      report_->card_type_known.push_back(card_type_known_[card_type] ? 1 : 0);
    }
    it->second = index_.AnswerCount();
    return last_answer_ = it->second;
  }

  // A numindex row handed from the scan to the thread that decodes heads.
  struct ScannedRow {
    enum Kind : uint8_t { kStored, kDecoded, kNoHead };
    uint32_t answer;
    uint32_t head;  // kDecoded
    Kind kind;
    bool plain;     // kDecoded
    uint8_t size;   // kStored: bytes of the stored head
    uint8_t bytes[48];
  };

  // The answer of `row`, whose head's bytes are `head_bytes` (empty when
  // not known). A row equal to the one before in all but its head holds the
  // same city key and card type.
  uint32_t AnswerOfRow(const jet::Row& row, std::span<const uint8_t> head_bytes) {
    std::span<const uint8_t> before, after;
    if (!head_bytes.empty()) {
      const std::span<const uint8_t> all = row.bytes();
      const auto at = static_cast<size_t>(head_bytes.data() - all.data());
      before = all.first(at);
      after = all.subspan(at + head_bytes.size());
      if (before_head_.Holds(before) && after_head_.Holds(after)) return before_head_.value;
    }
    std::span<const uint8_t> city_bytes = row.RawBytes(index_column_);
    if (!city_memo_.Holds(city_bytes)) {
      city_memo_.Keep(city_bytes, CityOf(ColumnInteger(row, index_column_), row));
    }
    std::span<const uint8_t> card_bytes = row.RawBytes(cardtype_column_);
    if (!card_memo_.Holds(card_bytes)) {
      card_memo_.Keep(card_bytes, CardTypeOf(ColumnText(row, cardtype_column_)));
    }
    const uint32_t answer = AnswerOf(city_memo_.value, card_memo_.value);
    if (!head_bytes.empty()) {
      before_head_.Keep(before, answer);
      after_head_.Keep(after, answer);
    }
    return answer;
  }

  // A hash of stored bytes from three words covering a head's text
  // (beginning, middle, end), cheap enough to take of every row.
  static uint64_t Hash(std::span<const uint8_t> bytes) {
    const size_t n = bytes.size();
    if (n == 0) return 0;
    uint64_t first = 0, middle = 0, last = 0;
    std::memcpy(&first, bytes.data(), std::min<size_t>(n, 8));
    if (n > 8) std::memcpy(&last, bytes.data() + n - 8, 8);
    if (n > 16) std::memcpy(&middle, bytes.data() + n / 2 - 4, 8);
    return (first * 0x9E3779B97F4A7C15ull) ^ (middle * 0xC2B2AE3D27D4EB4Full) ^
           (last * 0x165667B19E3779F9ull) ^ n;
  }

  bool Wanted(std::span<const uint8_t> bytes) const {
    const uint64_t h = Hash(bytes);
    auto it = std::lower_bound(wanted_.begin(), wanted_.end(), h,
                               [](const auto& entry, uint64_t key) { return entry.first < key; });
    for (; it != wanted_.end() && it->first == h; ++it) {
      if (std::equal(bytes.begin(), bytes.end(), it->second.begin(), it->second.end())) return true;
    }
    return false;
  }

  // The scan stays on this thread; the heads are decoded and placed on
  // another, since the scan alone takes as long as both would on one.
  void LoadHeads() {
    auto table = db_.GetTable(u"numindex");
    const size_t numhead = table->ColumnIndex(u"numhead");
    index_column_ = table->ColumnIndex(u"index");
    cardtype_column_ = table->ColumnIndex(u"cardtype");
    // Text kept in the row itself is handed over as its stored bytes.
    const bool head_in_row = table->columns[numhead].kind == jet::ColumnKind::kText;
    std::u16string stored;
    StoredHeadDecoder decoder;
    // The few rows of a filtered load are placed here, without a second thread.
    std::vector<ScannedRow> few;
    std::optional<BatchPipeline<ScannedRow>> pipeline;
    if (!filtered_) pipeline.emplace([this](std::span<const ScannedRow> rows) { Place(rows); });
    auto take = [&](const jet::Row& row) {
      std::span<const uint8_t> head_bytes;
      if (head_in_row) head_bytes = row.RawBytes(numhead);
      if (filtered_ && head_in_row && !Wanted(head_bytes)) return;
      ScannedRow& scanned = pipeline ? pipeline->Add() : few.emplace_back();
      if (head_in_row && head_bytes.size() <= sizeof scanned.bytes) {
        scanned.kind = ScannedRow::kStored;
        scanned.size = static_cast<uint8_t>(head_bytes.size());
        std::copy(head_bytes.begin(), head_bytes.end(), scanned.bytes);
      } else {
        bool text = true;
        if (head_in_row) {
          jet::DecodeText(head_bytes, stored);
        } else {
          text = row.GetText(numhead, stored);
        }
        scanned.kind = text && decoder.Decode(stored, scanned.head, scanned.plain)
                           ? ScannedRow::kDecoded
                           : ScannedRow::kNoHead;
        if (scanned.kind == ScannedRow::kNoHead) {
          NoteUndecodable(text && !stored.empty() ? base::Utf16ToUtf8(stored) : "(empty)");
          if (!pipeline) few.pop_back();
          return;
        }
      }
      scanned.answer = AnswerOfRow(row, head_bytes);
    };
    // A few heads under an index on numhead: their rows alone, read by
    // location in the order a scan would meet them.
    if (std::optional<std::vector<jet::RowLocation>> rows =
            filtered_ && head_in_row ? SeekWanted(*table, numhead) : std::nullopt) {
      for (const jet::RowLocation& location : *rows) {
        if (std::optional<jet::Row> row = db_.ReadRow(table, location)) take(*row);
      }
    } else {
      jet::RowCursor cursor = db_.Scan(table);
      while (cursor.Next()) take(cursor.row());
    }
    if (pipeline) {
      pipeline->Finish();
    } else {
      Place(few);
    }
  }

  // The rows of every wanted head's stored forms through an index on
  // column `numhead`, in table order; nothing when some form has no index
  // seek (then the table is scanned).
  std::optional<std::vector<jet::RowLocation>> SeekWanted(const jet::TableDef& table,
                                                          size_t numhead) {
    std::vector<jet::RowLocation> rows;
    for (const std::u16string& text : wanted_texts_) {
      std::optional<jet::IndexSeek> seek = jet::PlanIndexSeek(table, numhead, jet::Value(text));
      if (!seek) return std::nullopt;
      std::vector<jet::RowLocation> found = jet::SeekRows(db_.pages(), table, *seek);
      rows.insert(rows.end(), found.begin(), found.end());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
  }

  // A row whose head no lookup finds, seen by the scan.
  void NoteUndecodable(std::string stored) {
    if (report_ == nullptr) return;
    ++undecodable_scanned_;
    if (report_->undecodable_examples.size() < kExamples) {
      report_->undecodable_examples.push_back(std::move(stored));
    }
  }

  // Enters scanned rows into the head table (on the pipeline's thread).
  void Place(std::span<const ScannedRow> rows) {
    for (const ScannedRow& scanned : rows) {
      uint32_t head = scanned.head;
      bool plain = scanned.plain;
      if (scanned.kind == ScannedRow::kNoHead) continue;
      if (scanned.kind == ScannedRow::kStored) {
        jet::DecodeText(std::span<const uint8_t>(scanned.bytes, scanned.size), placed_text_);
        if (!placing_decoder_.Decode(placed_text_, head, plain)) {
          if (report_ != nullptr && undecodable_placed_++ < kExamples) {
            undecodable_placed_examples_.push_back(
                placed_text_.empty() ? "(empty)" : base::Utf16ToUtf8(placed_text_));
          }
          continue;
        }
      }
      uint32_t& entry = index_.heads_[head - kFirstHead];
      const bool taken = entry != 0;
      if (taken && report_ != nullptr) {
        report_->duplicates.push_back({head, entry & AttributionIndex::kAnswerMask, scanned.answer});
      }
      // The first row of a head wins, but a scrambled row beats a plain one.
      if (taken && (plain || (entry & AttributionIndex::kFromPlain) == 0)) continue;
      entry = scanned.answer | (plain ? AttributionIndex::kFromPlain : 0);
      if (!taken) ++index_.head_count_;
    }
  }

  jet::Database& db_;
  LoadReport* report_;
  std::vector<uint32_t> report_row_of_city_;  // by cities_ position
  std::vector<bool> card_type_known_;         // by card_types_ position
  size_t undecodable_scanned_ = 0;
  AttributionIndex index_;
  bool filtered_ = false;
  std::vector<std::pair<uint64_t, std::vector<uint8_t>>> wanted_;  // (hash, bytes)
  std::vector<std::u16string> wanted_texts_;  // each stored form of each head
  std::vector<City> cities_;
  std::unordered_map<int32_t, uint32_t> city_of_key_;  // first city row of a key
  std::unordered_map<std::u16string, std::string> description_of_key_;  // folded key
  std::vector<std::string> card_types_;  // as shown, each once
  std::unordered_map<uint64_t, uint32_t> answer_of_pair_;  // (city, card type)
  uint64_t last_pair_ = 0;
  uint32_t last_answer_ = 0;  // of last_pair_; 0 before the first
  size_t index_column_ = 0, cardtype_column_ = 0;  // of numindex
  Memo city_memo_, card_memo_;
  Memo before_head_, after_head_;  // row bytes around the head; the answer
  // Used on the pipeline's thread only.
  StoredHeadDecoder placing_decoder_;
  std::u16string placed_text_;
  size_t undecodable_placed_ = 0;
  std::vector<std::string> undecodable_placed_examples_;
};

AttributionIndex AttributionIndex::Load(jet::Database& db, LoadReport* report) {
  return IndexLoader(db, report).Run();
}

AttributionIndex AttributionIndex::LoadFor(jet::Database& db, const std::vector<uint32_t>& heads) {
  IndexLoader loader(db, nullptr);
  loader.OnlyFor(heads);
  return loader.Run();
}

HeadSeeker::HeadSeeker(const std::filesystem::path& file)
    : db_(jet::Database::Open(file, jet::OpenMode::kReadOnly, kSeekCachePages,
                              jet::PageReads::kCalls)) {}

HeadSeeker::~HeadSeeker() = default;

bool HeadSeeker::Seekable() {
  jet::ReadLock lock(*db_);
  return IndexLoader(*db_, nullptr).Seekable();
}

bool HeadSeeker::Seek(const std::vector<uint32_t>& heads) {
  jet::ReadLock lock(*db_);
  const bool changed = loader_ != nullptr && lock.changed();
  if (loader_ == nullptr || changed) {
    auto loader = std::make_unique<IndexLoader>(*db_, nullptr);
    loader->Prepare();
    loader_ = std::move(loader);
    sought_.clear();
  }
  std::vector<uint32_t> fresh;
  for (uint32_t head : heads) {
    if (!std::binary_search(sought_.begin(), sought_.end(), head)) fresh.push_back(head);
  }
  std::sort(fresh.begin(), fresh.end());
  fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
  if (!fresh.empty()) {
    loader_->Add(fresh);
    const size_t before = sought_.size();
    sought_.insert(sought_.end(), fresh.begin(), fresh.end());
    std::inplace_merge(sought_.begin(), sought_.begin() + static_cast<ptrdiff_t>(before),
                       sought_.end());
  }
  return changed;
}

const AttributionIndex& HeadSeeker::index() const { return loader_->index(); }

AttributionIndex LoadForLookup(const std::filesystem::path& file,
                               const std::vector<std::string>& numbers) {
  const bool few = !numbers.empty() && numbers.size() <= kFewNumbers;
  auto db = few ? jet::Database::Open(file, jet::OpenMode::kReadOnly, kSeekCachePages,
                                      jet::PageReads::kCalls)
                : OpenForScan(file);
  jet::ReadLock lock(*db);
  if (!few) return AttributionIndex::Load(*db);
  std::vector<uint32_t> heads;
  char digits[kMobileDigits];
  for (const std::string& number : numbers) {
    if (NormalizeMobile(number, digits)) heads.push_back(HeadOf(digits));
  }
  return AttributionIndex::LoadFor(*db, heads);
}

}  // namespace attribution
