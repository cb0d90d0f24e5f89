// Planning and writing a merge of import data into an existing database.
#include "attribution/import_merge.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "attribution/column_values.h"
#include "attribution/table_values.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/format/error.h"
#include "db/jet/write/writer.h"
#include "db/sql/text_compare.h"

namespace attribution {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw jet::Error(jet::ErrorKind::kInvalidArgument, message);
}

// A stored value as the text an import would have given: text itself,
// numbers in decimal, null as empty.
std::u16string TextOf(const jet::Row& row, size_t c) {
  jet::Value v = row.Get(c);
  return std::visit(
      [](const auto& x) -> std::u16string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::u16string>) {
          return x;
        } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
          std::string s = std::to_string(x);
          return std::u16string(s.begin(), s.end());
        } else if constexpr (std::is_floating_point_v<T>) {
          std::string s = std::to_string(static_cast<int64_t>(x));
          return std::u16string(s.begin(), s.end());
        } else {
          return u"";
        }
      },
      v);
}

std::optional<int64_t> NumberOf(std::u16string_view text) {
  std::string ascii(text.begin(), text.end());
  int64_t n = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), n);
  if (ascii.empty() || ec != std::errc() || end != ascii.data() + ascii.size()) return {};
  return n;
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// A card type key as lookups compare it: without regard to case.
std::u16string Folded(std::u16string text) {
  for (char16_t& c : text) c = sql::FoldCase(c);
  return text;
}

bool IsPlainHead(std::string_view s) {
  return s.size() == 7 && s[0] == '1' &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Seven-digit heads start with 1: 1000000 to 1999999.
constexpr size_t kFirstHead = 1'000'000;
constexpr size_t kHeadCount = 1'000'000;

// The position of `head` (IsPlainHead) among kHeadCount.
size_t HeadSlot(std::string_view head) {
  size_t n = 0;
  for (char c : head.substr(1)) n = n * 10 + static_cast<size_t>(c - '0');
  return n;
}

// The head a stored numhead stands for, or empty when it stands for none.
std::string HeadOf(const std::string& stored) {
  if (IsPlainHead(stored)) return stored;
  try {
    std::string head = codec::DecodeNumberHead(stored);
    if (IsPlainHead(head)) return head;
  } catch (...) {
  }
  return {};
}

struct CityTexts {
  std::u16string province, city, postal_code, area_code;
  bool operator==(const CityTexts&) const = default;
  std::u16string Joined() const {
    return province + u'\x1f' + city + u'\x1f' + postal_code + u'\x1f' + area_code;
  }
  std::u16string Name() const { return province + u'\x1f' + city; }
};

struct DbCity {
  jet::RowLocation row;
  std::optional<int64_t> key;
  CityTexts texts;
};

}  // namespace

MergePlan PlanMerge(jet::Database& db, const AttributionData& source,
                    const MergeOptions& options) {
  MergePlan plan;

  // Cities.
  auto city_table = db.GetTable(u"city");
  const size_t c_index = ColumnOf(*city_table, u"index"), c_sheng = ColumnOf(*city_table, u"sheng"),
               c_shi = ColumnOf(*city_table, u"shi"), c_youbian = ColumnOf(*city_table, u"youbian"),
               c_quhao = ColumnOf(*city_table, u"quhao");
  std::vector<DbCity> cities;
  {
    jet::RowCursor cursor = db.Scan(city_table);
    while (cursor.Next()) {
      const jet::Row& r = cursor.row();
      cities.push_back({r.location(), NumberOf(TextOf(r, c_index)),
                        {TextOf(r, c_sheng), TextOf(r, c_shi), TextOf(r, c_youbian),
                         TextOf(r, c_quhao)}});
    }
  }
  int64_t largest_city = 0;
  std::unordered_map<std::u16string, size_t> whole_match;  // joined texts -> cities position
  // Lookups take the first row of a key: a later row of the same key
  // answers for no head, so a source city cannot be given its key.
  std::vector<bool> answers(cities.size(), false);
  std::unordered_set<int64_t> keys_seen;
  for (size_t i = 0; i < cities.size(); ++i) {
    if (!cities[i].key) continue;
    largest_city = std::max(largest_city, *cities[i].key);
    answers[i] = keys_seen.insert(*cities[i].key).second;
    if (answers[i]) whole_match.try_emplace(cities[i].texts.Joined(), i);
  }
  std::vector<CityTexts> source_texts;
  for (const CityRow& c : source.cities) {
    source_texts.push_back({c.province, c.city, c.postal_code, c.area_code});
  }
  std::vector<int32_t> key_of_source(source.cities.size(), 0);
  std::vector<bool> claimed(cities.size(), false);
  for (size_t s = 0; s < source.cities.size(); ++s) {
    auto it = whole_match.find(source_texts[s].Joined());
    if (it != whole_match.end()) {
      key_of_source[s] = static_cast<int32_t>(*cities[it->second].key);
      claimed[it->second] = true;
    }
  }
  // A city whose codes changed: the unclaimed row of its name takes them.
  std::unordered_multimap<std::u16string, size_t> by_name;
  for (size_t i = 0; i < cities.size(); ++i) {
    if (answers[i] && !claimed[i]) by_name.emplace(cities[i].texts.Name(), i);
  }
  for (size_t s = 0; s < source.cities.size(); ++s) {
    if (key_of_source[s] != 0) continue;
    auto range = by_name.equal_range(source_texts[s].Name());
    std::optional<size_t> row;
    for (auto it = range.first; it != range.second && !row; ++it) {
      if (!claimed[it->second]) row = it->second;
    }
    if (row) {
      claimed[*row] = true;
      key_of_source[s] = static_cast<int32_t>(*cities[*row].key);
      cities[*row].texts = source_texts[s];
      plan.city_updates.push_back({cities[*row].row, source_texts[s].postal_code,
                                   source_texts[s].area_code});
    } else {
      key_of_source[s] = static_cast<int32_t>(++largest_city);
      plan.new_cities.push_back({key_of_source[s], &source.cities[s]});
    }
  }
  // Answers by key after the merge: the first row of each key.
  std::unordered_map<int64_t, CityTexts> city_by_key;
  for (const DbCity& c : cities) {
    if (c.key) city_by_key.try_emplace(*c.key, c.texts);
  }
  for (const MergePlan::NewCity& n : plan.new_cities) {
    const CityRow& c = *n.source;
    city_by_key.try_emplace(n.key, CityTexts{c.province, c.city, c.postal_code, c.area_code});
  }

  // Card types.
  auto card_table = db.GetTable(u"cardtype");
  const size_t k_key = ColumnOf(*card_table, u"cardtype"),
               k_text = ColumnOf(*card_table, u"describe");
  // Card types as lookups take them: by key without regard to case, the
  // first row of a key; rows without a key answer for nothing.
  std::unordered_map<std::u16string, std::u16string> description_of;  // folded key -> text
  std::unordered_map<std::u16string, std::u16string> key_of_description;
  int64_t largest_card = 0;
  {
    jet::RowCursor cursor = db.Scan(card_table);
    while (cursor.Next()) {
      if (cursor.row().IsNull(k_key)) continue;
      std::u16string key = TextOf(cursor.row(), k_key);
      std::u16string text = TextOf(cursor.row(), k_text);
      if (auto n = NumberOf(key)) largest_card = std::max(largest_card, *n);
      if (description_of.try_emplace(Folded(key), text).second) {
        key_of_description.try_emplace(text, key);
      }
    }
  }
  std::vector<std::u16string> card_key_of_source;
  for (const CardTypeRow& t : source.card_types) {
    auto it = key_of_description.find(t.description);
    if (it != key_of_description.end()) {
      card_key_of_source.push_back(it->second);
      continue;
    }
    std::u16string key = t.key;
    if (description_of.count(Folded(key))) {
      std::string next = std::to_string(++largest_card);
      key = Ascii(next);
    }
    if (auto n = NumberOf(key)) largest_card = std::max(largest_card, *n);
    description_of.emplace(Folded(key), t.description);
    key_of_description.emplace(t.description, key);
    card_key_of_source.push_back(key);
    plan.new_card_types.push_back({key, &t});
  }

  // Heads: source positions by head, in a table over every seven-digit
  // head (four bytes each, smaller than a hash map of a large release).
  constexpr uint32_t kNone = UINT32_MAX;
  std::vector<uint32_t> source_of_head(kHeadCount, kNone);
  for (uint32_t i = 0; i < source.heads.size(); ++i) {
    const std::string& head = source.heads[i].head;
    if (!IsPlainHead(head)) {
      Refuse("bad head '" + head + "': seven digits starting with 1 expected");
    }
    source_of_head[HeadSlot(head)] = i;
  }
  auto head_table = db.GetTable(u"numindex");
  const size_t n_head = ColumnOf(*head_table, u"numhead"), n_index = ColumnOf(*head_table, u"index"),
               n_type = ColumnOf(*head_table, u"cardtype");
  std::unordered_map<int32_t, size_t> source_city_at;  // source key -> position
  for (size_t i = 0; i < source.cities.size(); ++i) source_city_at.emplace(source.cities[i].index, i);
  std::vector<bool> seen(source.heads.size(), false);
  size_t plain_rows = 0, scrambled_rows = 0;
  std::u16string text, card_key;
  std::string stored;
  // Neighbouring rows mostly share their city and card type: the last
  // comparison of each is remembered.
  struct {
    std::optional<int64_t> key;
    size_t source = SIZE_MAX;
    bool same = false;
  } last_city;
  struct {
    std::u16string key;
    uint32_t source = UINT32_MAX;
    bool same = false;
  } last_card;
  const bool index_is_text = head_table->columns[n_index].kind == jet::ColumnKind::kText;
  jet::RowCursor cursor = db.Scan(head_table);
  StoredHeadDecoder decoder;
  while (cursor.Next()) {
    const jet::Row& r = cursor.row();
    if (!r.GetText(n_head, text)) continue;  // not a head: left alone
    // The stored forms the engine writes are read without copies; any other
    // the codec takes is decoded in full.
    uint32_t number = 0;
    bool plain = false;
    if (!decoder.Decode(text, number, plain)) {
      stored.assign(text.begin(), text.end());
      const std::string decoded = HeadOf(stored);
      if (decoded.empty()) continue;  // not a head: left alone
      number = static_cast<uint32_t>(kFirstHead + HeadSlot(decoded));
      plain = IsPlainHead(stored);
    }
    (plain ? plain_rows : scrambled_rows)++;
    const uint32_t s = source_of_head[number - kFirstHead];
    if (s == kNone) {
      if (options.prune) {
        plan.head_deletes.push_back(
            {r.location(), std::to_string(number), 0, u"", false, false});
      } else {
        ++plan.unchanged_heads;  // kept as it is
      }
      continue;
    }
    seen[s] = true;
    const HeadRow& want = source.heads[s];
    std::optional<int64_t> city_key;
    int64_t n = 0;
    if (!index_is_text && r.GetInteger(n_index, n)) {
      city_key = n;
    } else {
      city_key = NumberOf(TextOf(r, n_index));
    }
    const size_t source_city = source_city_at.at(want.city);
    if (city_key != last_city.key || source_city != last_city.source) {
      last_city.key = city_key;
      last_city.source = source_city;
      last_city.same = false;
      if (city_key) {
        auto c = city_by_key.find(*city_key);
        last_city.same = c != city_by_key.end() && c->second == source_texts[source_city];
      }
    }
    const bool city_same = last_city.same;
    card_key = TextOf(r, n_type);
    if (card_key != last_card.key || want.card_type != last_card.source) {
      last_card.key = card_key;
      last_card.source = want.card_type;
      auto d = description_of.find(Folded(card_key));
      last_card.same = d != description_of.end() &&
                       d->second == source.card_types[want.card_type].description;
    }
    const bool card_same = last_card.same;
    if (city_same && card_same) {
      ++plan.unchanged_heads;
      continue;
    }
    plan.head_updates.push_back({r.location(), std::to_string(number),
                                 key_of_source[source_city], card_key_of_source[want.card_type],
                                 !city_same, !card_same});
  }
  plan.plain_heads = options.force_plain || (plain_rows > scrambled_rows);
  for (size_t s = 0; s < source.heads.size(); ++s) {
    if (seen[s]) continue;
    const HeadRow& h = source.heads[s];
    plan.head_inserts.push_back({{}, h.head, key_of_source[source_city_at.at(h.city)],
                                 card_key_of_source[h.card_type], false, false});
  }
  return plan;
}

namespace {

// Writes `plan` in the open batch of `writer`.
void Apply(jet::Database& db, jet::Writer& writer, const MergePlan& plan) {
  {
    if (!plan.city_updates.empty()) {
      auto t = db.GetTable(u"city");
      const size_t youbian = ColumnOf(*t, u"youbian"), quhao = ColumnOf(*t, u"quhao");
      for (const MergePlan::CityUpdate& u : plan.city_updates) {
        writer.UpdateRow(t, u.row, {{youbian, ValueFor(*t, youbian, u.postal_code)},
                                    {quhao, ValueFor(*t, quhao, u.area_code)}});
      }
    }
    if (!plan.new_cities.empty()) {
      auto t = db.GetTable(u"city");
      const size_t index = ColumnOf(*t, u"index"), sheng = ColumnOf(*t, u"sheng"),
                   shi = ColumnOf(*t, u"shi"), youbian = ColumnOf(*t, u"youbian"),
                   quhao = ColumnOf(*t, u"quhao");
      for (const MergePlan::NewCity& n : plan.new_cities) {
        const CityRow& c = *n.source;
        writer.InsertRow(t, {{index, ValueFor(*t, index, n.key)},
                             {sheng, ValueFor(*t, sheng, c.province)},
                             {shi, ValueFor(*t, shi, c.city)},
                             {youbian, ValueFor(*t, youbian, c.postal_code)},
                             {quhao, ValueFor(*t, quhao, c.area_code)}});
      }
    }
    if (!plan.new_card_types.empty()) {
      auto t = db.GetTable(u"cardtype");
      const size_t key = ColumnOf(*t, u"cardtype"), text = ColumnOf(*t, u"describe");
      for (const MergePlan::NewCardType& n : plan.new_card_types) {
        writer.InsertRow(t, {{key, ValueFor(*t, key, n.key)},
                             {text, ValueFor(*t, text, n.source->description)}});
      }
    }
    auto t = db.GetTable(u"numindex");
    const size_t head = ColumnOf(*t, u"numhead"), index = ColumnOf(*t, u"index"),
                 type = ColumnOf(*t, u"cardtype");
    for (const MergePlan::HeadChange& c : plan.head_updates) {
      jet::ColumnChanges changes;
      if (c.city_changed) {
        changes.emplace_back(index, ValueFor(*t, index, c.city));
      }
      if (c.card_type_changed) changes.emplace_back(type, ValueFor(*t, type, c.card_type));
      writer.UpdateRow(t, c.row, changes);
    }
    // Deletions before insertions: the new rows take the room they free.
    for (const MergePlan::HeadChange& c : plan.head_deletes) writer.DeleteRow(t, c.row);
    for (const MergePlan::HeadChange& c : plan.head_inserts) {
      std::string stored = plan.plain_heads ? c.head : codec::EncodeNumberHead(c.head);
      writer.InsertRow(t, {{head, ValueFor(*t, head, Ascii(stored))},
                           {index, ValueFor(*t, index, c.city)},
                           {type, ValueFor(*t, type, c.card_type)}});
    }
  }
}

}  // namespace

MergePlan MergeInto(jet::Database& db, const AttributionData& source,
                    const MergeOptions& options, bool write) {
  if (!write) return PlanMerge(db, source, options);
  jet::Writer writer(db);
  writer.Begin();
  try {
    MergePlan plan = PlanMerge(db, source, options);
    if (plan.Empty()) {
      writer.Rollback();
      return plan;
    }
    if (options.before_writing) options.before_writing(plan);
    Apply(db, writer, plan);
    writer.Commit();
    return plan;
  } catch (...) {
    if (writer.InBatch()) writer.Rollback();
    throw;
  }
}

}  // namespace attribution
