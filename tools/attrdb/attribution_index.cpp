// Loading the attribution index: city and cardtype into small tables, then
// one scan of numindex. Rows of one city and card type come in runs, so the
// city key and card type of a row are resolved again only when their stored
// bytes differ from the row before.
#include "tools/attrdb/attribution_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>

#include "base/utf.h"
#include "db/jet/text.h"
#include "db/sql/text_compare.h"
#include "tools/attrdb/column_values.h"

namespace attrdb {

class IndexLoader {
 public:
  explicit IndexLoader(jet::Database& db) : db_(db) {}

  AttributionIndex Run() {
    LoadCities();
    LoadCardTypes();
    index_.heads_.reset(static_cast<uint32_t*>(std::calloc(kHeadSpan, sizeof(uint32_t))));
    if (!index_.heads_) throw std::bad_alloc();
    LoadHeads();
    return std::move(index_);
  }

 private:
  static constexpr uint32_t kNoCity = UINT32_MAX;

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
      std::optional<double> key = ColumnNumber(row, index);
      // A key that no integer equals is never asked for.
      if (!key || *key != std::trunc(*key) || std::abs(*key) > INT32_MAX) continue;
      const auto position = static_cast<uint32_t>(cities_.size());
      if (!city_of_key_.emplace(static_cast<int32_t>(*key), position).second) continue;
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
    std::string shown = found != description_of_key_.end() ? found->second
                                                           : base::Utf16ToUtf8(key);
    auto it = std::find(card_types_.begin(), card_types_.end(), shown);
    if (it != card_types_.end()) return static_cast<uint32_t>(it - card_types_.begin());
    card_types_.push_back(std::move(shown));
    return static_cast<uint32_t>(card_types_.size() - 1);
  }

  uint32_t CityOf(std::optional<int32_t> key) const {
    if (!key) return kNoCity;
    auto found = city_of_key_.find(*key);
    return found != city_of_key_.end() ? found->second : kNoCity;
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
    it->second = index_.AnswerCount();
    return last_answer_ = it->second;
  }

  void LoadHeads() {
    auto table = db_.GetTable(u"numindex");
    const size_t numhead = table->ColumnIndex(u"numhead");
    const size_t index = table->ColumnIndex(u"index");
    const size_t cardtype = table->ColumnIndex(u"cardtype");
    // Text stored in the row itself is taken as its bytes and decoded here,
    // so that those bytes can mark off the rest of the row (below).
    const bool head_in_row = table->columns[numhead].kind == jet::ColumnKind::kText;
    std::u16string stored;
    StoredHeadDecoder decoder;
    Memo city_memo, card_memo;
    // The row's bytes before and after the head's, and the answer they gave:
    // a row equal to the one before in all but its head holds the same city
    // key and card type.
    Memo before_head, after_head;
    uint32_t rest_answer = 0;
    jet::RowCursor cursor = db_.Scan(table);
    while (cursor.Next()) {
      const jet::Row& row = cursor.row();
      std::span<const uint8_t> head_bytes;
      if (head_in_row) {
        head_bytes = row.RawBytes(numhead);
        jet::DecodeText(head_bytes, stored);
      } else if (!row.GetText(numhead, stored)) {
        continue;
      }
      uint32_t head = 0;
      bool plain = false;
      if (!decoder.Decode(stored, head, plain)) continue;
      uint32_t& entry = index_.heads_[head - kFirstHead];
      const bool taken = entry != 0;
      // The first row of a head wins, but a scrambled row beats a plain one.
      if (taken && (plain || (entry & AttributionIndex::kFromPlain) == 0)) continue;

      uint32_t answer = 0;
      std::span<const uint8_t> before, after;
      if (!head_bytes.empty()) {
        const std::span<const uint8_t> all = row.bytes();
        const auto at = static_cast<size_t>(head_bytes.data() - all.data());
        before = all.first(at);
        after = all.subspan(at + head_bytes.size());
        if (before_head.Holds(before) && after_head.Holds(after)) answer = rest_answer;
      }
      if (answer == 0) {
        std::span<const uint8_t> city_bytes = row.RawBytes(index);
        if (!city_memo.Holds(city_bytes)) {
          city_memo.Keep(city_bytes, CityOf(ColumnInteger(row, index)));
        }
        std::span<const uint8_t> card_bytes = row.RawBytes(cardtype);
        if (!card_memo.Holds(card_bytes)) {
          card_memo.Keep(card_bytes, CardTypeOf(ColumnText(row, cardtype)));
        }
        answer = AnswerOf(city_memo.value, card_memo.value);
        if (!head_bytes.empty()) {
          before_head.Keep(before, 0);
          after_head.Keep(after, 0);
          rest_answer = answer;
        }
      }
      entry = answer | (plain ? AttributionIndex::kFromPlain : 0);
      if (!taken) ++index_.head_count_;
    }
  }

  jet::Database& db_;
  AttributionIndex index_;
  std::vector<City> cities_;
  std::unordered_map<int32_t, uint32_t> city_of_key_;  // first city row of a key
  std::unordered_map<std::u16string, std::string> description_of_key_;  // folded key
  std::vector<std::string> card_types_;  // as shown, each once
  std::unordered_map<uint64_t, uint32_t> answer_of_pair_;  // (city, card type)
  uint64_t last_pair_ = 0;
  uint32_t last_answer_ = 0;  // of last_pair_; 0 before the first
};

AttributionIndex AttributionIndex::Load(jet::Database& db) {
  return IndexLoader(db).Run();
}

}  // namespace attrdb
