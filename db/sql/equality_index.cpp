// Building and probing the in-memory equality index.
#include "db/sql/equality_index.h"

#include <bit>

#include "db/sql/text_compare.h"

namespace sql {

uint64_t EqualityIndex::TextKey(std::u16string_view text) {
  uint64_t hash = TextHash(text);
  return hash ^ (hash >> 31);
}

uint64_t EqualityIndex::NumberKey(double number) {
  std::u16string key;
  AppendNumberKey(number, key);
  return KeyHash(key);
}

std::unique_ptr<EqualityIndex> EqualityIndex::Build(
    jet::Database& database, const std::shared_ptr<const jet::TableDef>& table,
    size_t column) {
  auto index = std::make_unique<EqualityIndex>();
  bool text = ClassOf(table->columns[column].kind) == ValueClass::kText;
  std::vector<Entry>& entries = index->entries_;
  entries.reserve(table->row_count);
  jet::RowCursor cursor = database.Scan(table);
  std::u16string value;
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    uint64_t key = 0;
    if (text) {
      if (!row.GetText(column, value)) continue;
      key = TextKey(value);
    } else {
      double number = 0;
      if (!ReadNumber(row, column, number)) continue;
      key = NumberKey(number);
    }
    entries.push_back({key, row.location(), 0});
  }
  size_t bucket_count = std::bit_ceil(entries.size() * 2 + 1);
  index->buckets_.assign(bucket_count, 0);
  index->mask_ = bucket_count - 1;
  // Prepending from the last entry back leaves each chain in table order.
  for (size_t i = entries.size(); i-- > 0;) {
    uint32_t& head = index->buckets_[entries[i].key & index->mask_];
    entries[i].next = head;
    head = static_cast<uint32_t>(i + 1);
  }
  return index;
}

void EqualityIndex::Candidates(uint64_t key,
                               std::vector<jet::RowLocation>& out) const {
  if (buckets_.empty()) return;
  for (uint32_t i = buckets_[key & mask_]; i != 0; i = entries_[i - 1].next) {
    const Entry& entry = entries_[i - 1];
    if (entry.key == key) out.push_back(entry.location);
  }
}

}  // namespace sql
