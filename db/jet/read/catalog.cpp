// Listing the tables of the catalog (jet4-format.md section 3).
#include "db/jet/read/catalog.h"

#include <memory>

#include "db/jet/format/format.h"
#include "db/jet/read/row_cursor.h"
#include "db/jet/read/table_def.h"

namespace jet {
namespace {

bool StartsWithMsys(const std::u16string& name) {
  return name.size() >= 4 && NamesEqual(std::u16string_view(name).substr(0, 4),
                                        u"MSys");
}

}  // namespace

std::vector<CatalogEntry> ReadCatalog(PageCache& pages) {
  auto objects = std::make_shared<const TableDef>(
      ReadTableDef(pages, format::kCatalogTdefPage, u"MSysObjects"));
  size_t id_column = objects->ColumnIndex(u"Id");
  size_t parent_column = objects->ColumnIndex(u"ParentId");
  size_t name_column = objects->ColumnIndex(u"Name");
  size_t type_column = objects->ColumnIndex(u"Type");
  size_t flags_column = objects->ColumnIndex(u"Flags");

  std::vector<CatalogEntry> entries;
  RowCursor cursor(pages, objects);
  while (cursor.Next()) {
    const Row& row = cursor.row();
    int64_t type = 0;
    if (!row.GetInteger(type_column, type) || type != format::kObjectTypeTable) {
      continue;
    }
    CatalogEntry e;
    int64_t value = 0;
    if (!row.GetInteger(id_column, value)) continue;
    e.id = static_cast<uint32_t>(value);
    if (row.GetInteger(parent_column, value)) e.parent_id = static_cast<uint32_t>(value);
    if (row.GetInteger(flags_column, value)) e.flags = static_cast<uint32_t>(value);
    if (!row.GetText(name_column, e.name)) continue;
    e.tdef_page = e.id & format::kObjectIdPageMask;
    e.system = (e.flags & (format::kObjectFlagSystem |
                           format::kObjectFlagAccessSystem)) != 0 ||
               e.parent_id != format::kTablesContainerId ||
               StartsWithMsys(e.name);
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace jet
