// The in-memory build of an imported database.
#include "tools/attrdb/import_builder.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "codec/number_head.h"
#include "db/attribution_schema.h"
#include "db/jet/database_creator.h"
#include "db/jet/error.h"
#include "db/jet/writer.h"

namespace attrdb {
namespace {

// Rows per batch: the batch's pages are held apart until its commit.
constexpr size_t kBatchRows = 20000;

// Position of column `name` in `table`.
size_t ColumnOf(const jet::TableDef& table, std::u16string_view name) {
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return i;
  }
  throw jet::Error(jet::ErrorKind::kInvalidArgument, "no column " + std::string(name.begin(), name.end()));
}

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// Inserts `count` rows into `name` through `fill` (which sets the values of
// row i), in batches, reporting progress after each. The definition is
// looked up again in each batch: a commit drops the definitions it changed.
template <typename Fill>
void InsertRows(jet::Database& db, jet::Writer& writer, std::u16string_view name,
                size_t count, int64_t& done, int64_t total, const ImportProgress& progress,
                Fill fill) {
  jet::ColumnChanges values;
  for (size_t first = 0; first < count; first += kBatchRows) {
    size_t last = std::min(count, first + kBatchRows);
    writer.Begin();
    auto table = db.GetTable(name);
    for (size_t i = first; i < last; ++i) {
      fill(i, values);
      writer.InsertRow(table, values);
    }
    writer.Commit();
    done += static_cast<int64_t>(last - first);
    if (progress) progress(done, total);
  }
}

}  // namespace

std::vector<uint8_t> BuildAttributionImage(const AttributionData& data, bool plain_heads,
                                           const ImportProgress& progress) {
  std::unique_ptr<jet::Database> db = jet::NewMemoryDatabase();
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  db::CreateAttributionTables(*db, writer);
  const int64_t total =
      static_cast<int64_t>(data.cities.size() + data.card_types.size() + data.heads.size());
  int64_t done = 0;

  auto city = db->GetTable(u"city");
  const size_t c_index = ColumnOf(*city, u"index"), c_sheng = ColumnOf(*city, u"sheng"),
               c_shi = ColumnOf(*city, u"shi"), c_youbian = ColumnOf(*city, u"youbian"),
               c_quhao = ColumnOf(*city, u"quhao");
  InsertRows(*db, writer, u"city", data.cities.size(), done, total, progress,
             [&](size_t i, jet::ColumnChanges& v) {
               const CityRow& r = data.cities[i];
               v = {{c_index, r.index}, {c_sheng, r.province}, {c_shi, r.city},
                    {c_youbian, r.postal_code}, {c_quhao, r.area_code}};
             });

  auto cardtype = db->GetTable(u"cardtype");
  const size_t t_key = ColumnOf(*cardtype, u"cardtype"),
               t_text = ColumnOf(*cardtype, u"describe");
  InsertRows(*db, writer, u"cardtype", data.card_types.size(), done, total, progress,
             [&](size_t i, jet::ColumnChanges& v) {
               v = {{t_key, data.card_types[i].key}, {t_text, data.card_types[i].description}};
             });

  auto numindex = db->GetTable(u"numindex");
  const size_t n_head = ColumnOf(*numindex, u"numhead"), n_index = ColumnOf(*numindex, u"index"),
               n_type = ColumnOf(*numindex, u"cardtype");
  InsertRows(*db, writer, u"numindex", data.heads.size(), done, total, progress,
             [&](size_t i, jet::ColumnChanges& v) {
               const HeadRow& r = data.heads[i];
               v = {{n_head, Ascii(plain_heads ? r.head : codec::EncodeNumberHead(r.head))},
                    {n_index, r.city},
                    {n_type, data.card_types[r.card_type].key}};
             });
  return jet::DatabaseBytes(*db);
}

}  // namespace attrdb
