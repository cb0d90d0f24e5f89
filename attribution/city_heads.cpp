// Finding a city's key and walking its number heads.
#include "attribution/city_heads.h"

#include <algorithm>
#include <optional>

#include "attribution/column_values.h"
#include "attribution/mobile_number.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/read/index_seek.h"
#include "db/sql/text_compare.h"

namespace attribution {

std::vector<int32_t> FindCityKeys(jet::Database& db, std::u16string_view province,
                                  std::u16string_view city) {
  auto table = db.GetTable(u"city");
  const size_t index = table->ColumnIndex(u"index");
  const size_t sheng = table->ColumnIndex(u"sheng");
  const size_t shi = table->ColumnIndex(u"shi");
  std::vector<int32_t> keys;
  jet::RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    if (row.IsNull(sheng) || row.IsNull(shi)) continue;
    if (!sql::TextEqual(ColumnText(row, sheng), province) ||
        !sql::TextEqual(ColumnText(row, shi), city)) {
      continue;
    }
    std::optional<int32_t> key = ColumnInteger(row, index);
    if (key && std::find(keys.begin(), keys.end(), *key) == keys.end()) keys.push_back(*key);
  }
  return keys;
}

void ForEachCityHead(jet::Database& db, const std::vector<int32_t>& keys,
                     const std::function<void(std::u16string_view)>& each) {
  auto table = db.GetTable(u"numindex");
  const size_t numhead = table->ColumnIndex(u"numhead");
  const size_t index = table->ColumnIndex(u"index");
  std::u16string stored;
  // Under an index on a LONG index column, each key's rows are sought in
  // turn, in stored order.
  if (table->columns[index].kind == jet::ColumnKind::kLong) {
    std::vector<jet::IndexSeek> seeks;
    for (int32_t key : keys) {
      std::optional<jet::IndexSeek> seek = jet::PlanIndexSeek(*table, index, jet::Value(key));
      if (!seek) break;
      seeks.push_back(std::move(*seek));
    }
    if (seeks.size() == keys.size()) {
      for (size_t k = 0; k < keys.size(); ++k) {
        for (const jet::RowLocation& location : jet::SeekRows(db.pages(), *table, seeks[k])) {
          std::optional<jet::Row> row = db.ReadRow(table, location);
          if (!row || ColumnNumber(*row, index) != std::optional<double>(keys[k])) continue;
          if (!row->GetText(numhead, stored)) stored.clear();
          each(stored);
        }
      }
      return;
    }
  }
  // The heads of the first key go out as they are read; the others wait for
  // the scan's end.
  std::vector<std::vector<std::u16string>> later(keys.size());
  jet::RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    std::optional<double> row_key = ColumnNumber(row, index);
    if (!row_key) continue;
    auto it = std::find(keys.begin(), keys.end(), *row_key);
    if (it == keys.end()) continue;
    if (!row.GetText(numhead, stored)) stored.clear();
    if (it == keys.begin()) {
      each(stored);
    } else {
      later[static_cast<size_t>(it - keys.begin())].push_back(stored);
    }
  }
  for (const std::vector<std::u16string>& heads : later) {
    for (const std::u16string& head : heads) each(head);
  }
}

bool ListCityHeads(const std::filesystem::path& file, std::u16string_view province,
                   std::u16string_view city,
                   const std::function<void(std::u16string_view)>& each) {
  // Pages are read one by one, by seeks or a scan: through a mapping each
  // page read would stay resident until the end.
  constexpr size_t kCachePages = 64;
  auto db = jet::Database::Open(file, jet::OpenMode::kReadOnly, kCachePages,
                                jet::PageReads::kCalls);
  jet::ReadLock lock(*db);
  const std::vector<int32_t> keys = FindCityKeys(*db, province, city);
  if (keys.empty()) return false;
  ForEachCityHead(*db, keys, each);
  return true;
}

std::string ListedHead(std::u16string_view stored) {
  if (stored.size() == kHeadDigits) return base::Utf16ToUtf8(stored);
  const std::string decoded = codec::DecodeNumberHead(base::Utf16ToGbk(stored));
  return base::Utf16ToUtf8(base::GbkToUtf16(decoded));
}

}  // namespace attribution
