// The in-memory build of an imported database.
#include "attribution/import_builder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "attribution/table_values.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "attribution/schema.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/write/index_adder.h"
#include "db/jet/write/writer.h"

namespace attribution {
namespace {

// Rows per batch: the batch's pages are held apart until its commit.
constexpr size_t kBatchRows = 20000;

constexpr std::u16string_view kTables[] = {u"city", u"cardtype", u"numindex"};

[[noreturn]] void Refuse(const std::string& message) {
  throw jet::Error(jet::ErrorKind::kInvalidArgument, message);
}


std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// Inserts `count` rows into `name` through `fill` (which sets the values of
// row i for the table's definition), in batches, reporting progress after
// each. The definition is looked up again in each batch: a commit drops the
// definitions it changed.
template <typename Fill>
void InsertRows(jet::Database& db, jet::Writer& writer, std::u16string_view name,
                size_t count, int64_t& done, int64_t total, const ImportProgress& progress,
                Fill fill) {
  for (size_t first = 0; first < count; first += kBatchRows) {
    size_t last = std::min(count, first + kBatchRows);
    writer.Begin();
    auto table = db.GetTable(name);
    writer.InsertRows(table, last - first,
                      [&](size_t i, jet::ColumnChanges& v) { fill(*table, first + i, v); });
    writer.Commit();
    done += static_cast<int64_t>(last - first);
    if (progress) progress(done, total);
  }
}

// Gives `db` the three tables, empty: made anew (returns true), or emptied.
bool PrepareTables(jet::Database& db, jet::Writer& writer) {
  std::string present, missing;
  for (std::u16string_view name : kTables) {
    std::string& list = db.FindTable(name) ? present : missing;
    list += (list.empty() ? "" : ", ") + base::Utf16ToUtf8(name);
  }
  if (present.empty()) {
    attribution::CreateAttributionTables(db, writer);
    return true;
  }
  if (!missing.empty()) Refuse("the database has table " + present + " but not " + missing);
  writer.Begin();
  for (std::u16string_view name : kTables) writer.DeleteAllRows(db.GetTable(name));
  writer.Commit();
  return false;
}

// The indexes a user would give the lookups' columns, non-unique so that
// real data with repeated keys still goes in; each is built from the rows at
// once. One whose keys the engine cannot compute (a card type key in
// Chinese, say) is left out. Returns the names of those left out.
std::vector<std::string> AddLookupIndexes(jet::Database& db, jet::Writer& writer) {
  struct Wanted {
    std::u16string_view table, column;
  };
  static constexpr Wanted kIndexes[] = {{u"city", u"index"},
                                        {u"cardtype", u"cardtype"},
                                        {u"numindex", u"numhead"},
                                        {u"numindex", u"index"}};
  std::vector<std::string> left_out;
  for (const Wanted& w : kIndexes) {
    writer.Begin();
    try {
      jet::AddIndex(db, writer, w.table,
                    jet::IndexSpec{std::u16string(w.column), {std::u16string(w.column)}});
      writer.Commit();
    } catch (const jet::Error& e) {
      if (writer.InBatch()) writer.Rollback();
      if (e.kind() != jet::ErrorKind::kInvalidArgument) throw;
      left_out.push_back(base::Utf16ToUtf8(w.table) + "." + base::Utf16ToUtf8(w.column));
    }
  }
  return left_out;
}

// What tells two tables' layouts apart: names, kinds, sizes and flags of
// the columns, and the indexes' names, columns and kinds.
std::string LayoutOf(const jet::TableDef& t) {
  std::string out = base::Utf16ToUtf8(t.name);
  for (const jet::Column& c : t.columns) {
    out += "|" + base::Utf16ToUtf8(c.name) + ":" + std::to_string(c.type_code) + ":" +
           std::to_string(c.number) + ":" + std::to_string(c.length) + ":" +
           std::to_string(c.flags) + ":" + std::to_string(c.sort_order);
  }
  for (const jet::Index& i : t.indexes) {
    out += "|index " + base::Utf16ToUtf8(i.name) + ":" + std::to_string(i.number) + ":" +
           std::to_string(i.primary_key) + std::to_string(i.foreign_key) +
           std::to_string(i.unique) + std::to_string(i.ignore_nulls) + std::to_string(i.required);
    for (const jet::IndexColumn& c : i.columns) {
      out += ":" + std::to_string(c.column_number) + (c.ascending ? "+" : "-");
    }
  }
  return out;
}

// Every table's layout and the row count of every system table.
std::string LayoutOf(jet::Database& db) {
  std::string out;
  for (const std::u16string& name : db.TableNames()) out += LayoutOf(*db.GetTable(name)) + "\n";
  for (const std::u16string& name : db.SystemTableNames()) {
    out += base::Utf16ToUtf8(name) + " " + std::to_string(db.GetTable(name, true)->row_count) +
           "\n";
  }
  return out;
}

// The layout of a new import's database, with or without its indexes.
const std::string& FreshLayout(bool indexed) {
  static const std::array<std::string, 2> layouts = [] {
    std::array<std::string, 2> made;
    for (int with = 0; with < 2; ++with) {
      auto db = jet::NewMemoryDatabase();
      jet::Writer writer(*db, jet::WriterOptions{.sync = false});
      attribution::CreateAttributionTables(*db, writer);
      if (with == 1) AddLookupIndexes(*db, writer);
      made[with] = LayoutOf(*db);
    }
    return made;
  }();
  return layouts[indexed ? 1 : 0];
}

}  // namespace

bool HoldsOnlyImportTables(jet::Database& db, bool& indexed) {
  const std::string layout = LayoutOf(db);
  for (bool with : {true, false}) {
    if (layout == FreshLayout(with)) {
      indexed = with;
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> BuildAttributionImage(const AttributionData& data, bool plain_heads,
                                           const ImportProgress& progress,
                                           std::unique_ptr<jet::Database> base,
                                           const BuildOptions& options) {
  return jet::DatabaseBytes(
      *BuildAttributionDatabase(data, plain_heads, progress, std::move(base), options));
}

std::unique_ptr<jet::Database> BuildAttributionDatabase(const AttributionData& data,
                                                        bool plain_heads,
                                                        const ImportProgress& progress,
                                                        std::unique_ptr<jet::Database> base,
                                                        const BuildOptions& options) {
  // Room for the file as it grows: a head takes about 45 bytes of rows and
  // 30 of index entries.
  const size_t expected =
      (size_t{1} << 20) + data.heads.size() * (options.indexes ? 80 : 48);
  std::unique_ptr<jet::Database> db =
      base ? std::move(base) : jet::NewMemoryDatabase({.expected_size = expected});
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  const bool created = PrepareTables(*db, writer);
  const int64_t total =
      static_cast<int64_t>(data.cities.size() + data.card_types.size() + data.heads.size());
  int64_t done = 0;

  InsertRows(*db, writer, u"city", data.cities.size(), done, total, progress,
             [&](const jet::TableDef& t, size_t i, jet::ColumnChanges& v) {
               const CityRow& r = data.cities[i];
               const size_t index = ColumnOf(t, u"index"), sheng = ColumnOf(t, u"sheng"),
                            shi = ColumnOf(t, u"shi"), youbian = ColumnOf(t, u"youbian"),
                            quhao = ColumnOf(t, u"quhao");
               v = {{index, ValueFor(t, index, r.index)},
                    {sheng, ValueFor(t, sheng, r.province)},
                    {shi, ValueFor(t, shi, r.city)},
                    {youbian, ValueFor(t, youbian, r.postal_code)},
                    {quhao, ValueFor(t, quhao, r.area_code)}};
             });
  InsertRows(*db, writer, u"cardtype", data.card_types.size(), done, total, progress,
             [&](const jet::TableDef& t, size_t i, jet::ColumnChanges& v) {
               const size_t key = ColumnOf(t, u"cardtype"), text = ColumnOf(t, u"describe");
               v = {{key, ValueFor(t, key, data.card_types[i].key)},
                    {text, ValueFor(t, text, data.card_types[i].description)}};
             });
  // numindex: the column positions and kinds are looked up once per batch.
  const jet::TableDef* last_table = nullptr;
  size_t head = 0, index = 0, type = 0;
  bool index_long = true;
  InsertRows(*db, writer, u"numindex", data.heads.size(), done, total, progress,
             [&](const jet::TableDef& t, size_t i, jet::ColumnChanges& v) {
               if (&t != last_table) {
                 last_table = &t;
                 head = ColumnOf(t, u"numhead");
                 index = ColumnOf(t, u"index");
                 type = ColumnOf(t, u"cardtype");
                 index_long = t.columns[index].kind == jet::ColumnKind::kLong;
               }
               const HeadRow& r = data.heads[i];
               std::u16string stored =
                   Ascii(plain_heads ? r.head : codec::EncodeNumberHead(r.head));
               v = {{head, ValueFor(t, head, stored)},
                    {index, index_long ? jet::Value(r.city) : ValueFor(t, index, r.city)},
                    {type, ValueFor(t, type, data.card_types[r.card_type].key)}};
             });
  if (created && options.indexes) {
    std::vector<std::string> left_out = AddLookupIndexes(*db, writer);
    if (options.indexes_left_out) *options.indexes_left_out = std::move(left_out);
  }
  return db;
}

}  // namespace attribution
