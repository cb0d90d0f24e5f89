// Finding a city's key and walking its number heads.
#include "attribution/city_heads.h"

#include "attribution/column_values.h"
#include "attribution/mobile_number.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/sql/text_compare.h"

namespace attribution {

std::optional<int32_t> FindCityKey(jet::Database& db, std::u16string_view province,
                                   std::u16string_view city) {
  auto table = db.GetTable(u"city");
  const size_t index = table->ColumnIndex(u"index");
  const size_t sheng = table->ColumnIndex(u"sheng");
  const size_t shi = table->ColumnIndex(u"shi");
  jet::RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    if (row.IsNull(sheng) || row.IsNull(shi)) continue;
    if (!sql::TextEqual(ColumnText(row, sheng), province) ||
        !sql::TextEqual(ColumnText(row, shi), city)) {
      continue;
    }
    return ColumnInteger(row, index);
  }
  return std::nullopt;
}

void ForEachCityHead(jet::Database& db, int32_t key,
                     const std::function<void(std::u16string_view)>& each) {
  auto table = db.GetTable(u"numindex");
  const size_t numhead = table->ColumnIndex(u"numhead");
  const size_t index = table->ColumnIndex(u"index");
  std::u16string stored;
  jet::RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    const jet::Row& row = cursor.row();
    std::optional<double> row_key = ColumnNumber(row, index);
    if (!row_key || *row_key != key) continue;
    if (!row.GetText(numhead, stored)) stored.clear();
    each(stored);
  }
}

std::string ListedHead(std::u16string_view stored) {
  if (stored.size() == kHeadDigits) return base::Utf16ToUtf8(stored);
  const std::string decoded = codec::DecodeNumberHead(base::Utf16ToGbk(stored));
  return base::Utf16ToUtf8(base::GbkToUtf16(decoded));
}

}  // namespace attribution
