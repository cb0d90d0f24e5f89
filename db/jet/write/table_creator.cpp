// New user tables (jet4-format.md sections 4, 5, 13.3 and 14.3).
#include "db/jet/write/table_creator.h"

#include <chrono>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/write/table_def_writer.h"
#include "db/jet/write/usage_map_writer.h"

namespace jet {

std::vector<uint8_t> InlineMapRow(uint32_t start, bool first_set) {
  std::vector<uint8_t> row(format::kMapInlineRowSize, 0);
  row[format::kMapTypeOffset] = format::kMapInline;
  StoreU32(&row[format::kMapStartPageOffset], start);
  if (first_set) row[format::kMapInlineBitmapOffset] = 1;
  return row;
}

namespace {

inline constexpr int16_t kObjectTypeTable = 1;       // MSysObjects.Type
inline constexpr int16_t kObjectTypeContainer = 3;
inline constexpr double kUnixEpochDays = 25569.0;    // 1970-01-01 as an Access date
inline constexpr int32_t kFullAccess = 0x000FFFFF;   // MSysACEs.ACM
inline constexpr int32_t kSystemObject = INT32_MIN;  // MSysObjects.Flags 0x80000000

// What the catalog says of the "Tables" container and the database's owner.
struct CatalogFacts {
  int32_t tables_id = 0;
  Bytes owner{0xA6, 0x33};
};

CatalogFacts ReadFacts(Database& db, const std::shared_ptr<const TableDef>& catalog,
                       const std::u16string& new_name) {
  CatalogFacts facts;
  size_t id = catalog->ColumnIndex(u"Id");
  size_t name = catalog->ColumnIndex(u"Name");
  size_t type = catalog->ColumnIndex(u"Type");
  size_t owner = catalog->ColumnIndex(u"Owner");
  RowCursor cursor = db.Scan(catalog);
  std::u16string text;
  while (cursor.Next()) {
    const Row& row = cursor.row();
    if (!row.GetText(name, text)) continue;
    int64_t kind = 0;
    row.GetInteger(type, kind);
    if (NamesEqual(text, new_name) && kind == kObjectTypeTable) {
      RaiseInvalidArgument("cannot create " + NameForMessage(new_name) + ": the name is taken");
    }
    int64_t number = 0;
    if (text == u"Tables" && kind == kObjectTypeContainer && row.GetInteger(id, number)) {
      facts.tables_id = static_cast<int32_t>(number);
    }
    Bytes bytes;
    if (text == u"MSysDb" && row.GetBytes(owner, bytes) && !bytes.empty()) {
      facts.owner = bytes;
    }
  }
  return facts;
}

}  // namespace

TableDef DefineTable(const std::u16string& name, const std::vector<ColumnSpec>& columns,
                     const std::vector<IndexSpec>& indexes) {
  TableDef table = LayOutTable(name, columns);
  for (size_t i = 0; i < indexes.size(); ++i) {
    const IndexSpec& spec = indexes[i];
    Index index;
    index.name = spec.name;
    index.number = static_cast<uint32_t>(i);
    index.real_index = static_cast<uint32_t>(i);
    index.primary_key = spec.primary_key;
    index.unique = spec.unique || spec.primary_key;
    index.required = spec.primary_key;
    if (spec.columns.empty() || spec.columns.size() > format::kRealIndexMaxColumns) {
      RaiseInvalidArgument("cannot create " + NameForMessage(name) + ": index " +
                           NameForMessage(spec.name) + " has no columns or too many");
    }
    for (const std::u16string& column : spec.columns) {
      auto pos = table.FindColumn(column);
      if (!pos) {
        RaiseInvalidArgument("cannot create " + NameForMessage(name) + ": index " +
                             NameForMessage(spec.name) + " names no column " + NameForMessage(column));
      }
      index.columns.push_back({table.columns[*pos].number, true});
    }
    table.indexes.push_back(std::move(index));
  }
  return table;
}

void PlaceNewTable(PageCache& pages, TableDef& table, uint32_t tdef_page) {
  table.tdef_page = tdef_page;
  // A definition longer than a page goes on continuation pages after the
  // other new pages.
  std::vector<uint32_t> tdef_pages{tdef_page};
  Page maps;
  FormatDataPage(maps, 0);
  uint32_t map_page = AppendPage(pages, maps);
  auto add_row = [&](const std::vector<uint8_t>& row) {
    std::optional<uint16_t> slot = AppendRow(maps, row, 0);
    if (!slot) RaiseInvalidArgument("cannot create " + NameForMessage(table.name) + ": too many maps");
    return RowPointer{(map_page << format::kRowPointerPageShift) | *slot};
  };
  table.owned_pages = add_row(InlineMapRow(0, false));
  table.free_pages = add_row(InlineMapRow(0, false));
  for (Index& index : table.indexes) {
    Page root;
    FormatEmptyLeaf(root, tdef_page);
    index.root_page = AppendPage(pages, root);
    index.page_map = add_row(InlineMapRow(index.root_page, true));
  }
  for (const Column& c : table.columns) {
    if (!c.IsLongValue()) continue;
    RowPointer owned = add_row(InlineMapRow(0, false));
    RowPointer free = add_row(InlineMapRow(0, false));
    table.long_value_maps.push_back({c.number, owned, free});
  }
  pages.Write(maps);
  table.tdef_page_count = 1;
  size_t count = TableDefPageCount(table);
  while (tdef_pages.size() < count) {
    Page continuation;
    FormatDataPage(continuation, 0);  // replaced below
    tdef_pages.push_back(AppendPage(pages, continuation));
  }
  table.tdef_page_count = static_cast<uint32_t>(count);
  for (const Page& page : TableDefPages(table, tdef_pages)) pages.Write(page);
}

std::shared_ptr<const TableDef> CreateTable(Database& db, Writer& writer,
                                            const std::u16string& name,
                                            const std::vector<ColumnSpec>& columns,
                                            const std::vector<IndexSpec>& indexes,
                                            bool system) {
  TableDef table = DefineTable(name, columns, indexes);
  table.system = system;
  auto catalog = db.GetTable(u"MSysObjects", true);
  CatalogFacts facts = ReadFacts(db, catalog, name);

  // From here on pages change: a failure (a catalog key this engine cannot
  // compute, say) drops the whole batch.
  try {
    // Section 14.3 steps 1 to 3: the pages, then the definition naming them.
    PageCache& pages = db.pages();
    Page tdef;
    FormatDataPage(tdef, 0);  // replaced by PlaceNewTable
    uint32_t tdef_page = AppendPage(pages, tdef);
    PlaceNewTable(pages, table, tdef_page);

    // Step 4: the catalog row, with its index entries.
    double now = kUnixEpochDays +
                 std::chrono::duration<double>(
                     std::chrono::system_clock::now().time_since_epoch()).count() / 86400.0;
    writer.InsertRow(catalog, {{catalog->ColumnIndex(u"Id"), static_cast<int32_t>(tdef_page)},
                               {catalog->ColumnIndex(u"ParentId"), facts.tables_id},
                               {catalog->ColumnIndex(u"Name"), name},
                               {catalog->ColumnIndex(u"Type"), kObjectTypeTable},
                               {catalog->ColumnIndex(u"DateCreate"), DateTime{now}},
                               {catalog->ColumnIndex(u"DateUpdate"), DateTime{now}},
                               {catalog->ColumnIndex(u"Owner"), facts.owner},
                               {catalog->ColumnIndex(u"Flags"), system ? kSystemObject : int32_t{0}}});

    // Step 5: each SID with rights on the "Tables" container gets full access.
    auto aces = db.FindTable(u"MSysACEs", true);
    if (aces && facts.tables_id != 0) {
      size_t object = aces->ColumnIndex(u"ObjectId");
      size_t sid = aces->ColumnIndex(u"SID");
      std::vector<Bytes> sids;
      RowCursor cursor = db.Scan(aces);
      while (cursor.Next()) {
        int64_t id = 0;
        Bytes bytes;
        if (cursor.row().GetInteger(object, id) && id == facts.tables_id &&
            cursor.row().GetBytes(sid, bytes)) {
          sids.push_back(std::move(bytes));
        }
      }
      for (const Bytes& bytes : sids) {
        writer.InsertRow(aces, {{object, static_cast<int32_t>(tdef_page)},
                                {sid, bytes},
                                {aces->ColumnIndex(u"ACM"), kFullAccess},
                                {aces->ColumnIndex(u"FInheritable"), false}});
      }
    }
  } catch (...) {
    writer.Rollback();
    throw;
  }
  return std::make_shared<const TableDef>(std::move(table));
}

}  // namespace jet
