// Adding a user table to a database: its TDEF, map page, index roots and
// catalog row (jet4-format.md section 14.3).
#ifndef DB_JET_WRITE_TABLE_CREATOR_H_
#define DB_JET_WRITE_TABLE_CREATOR_H_

#include <memory>
#include <string>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/write/table_layout.h"
#include "db/jet/write/writer.h"

namespace jet {

// An index of a table to be created, over the named columns, ascending.
struct IndexSpec {
  std::u16string name;
  std::vector<std::u16string> columns;
  bool primary_key = false;  // also unique and required
  bool unique = false;
};

// A usage-map row of new tables: an inline map (section 5.1) whose window
// starts at `start`, with the bit of `start` set when `first_set`.
std::vector<uint8_t> InlineMapRow(uint32_t start, bool first_set);

// The definition of a new table `name` holding `columns` (LayOutTable) and
// `indexes` (logical and real index numbers in the order given), its pages
// not yet placed. Raises kInvalidArgument "cannot create <table>: <why>" for
// the refusals of LayOutTable, or an index naming no column or a missing one.
TableDef DefineTable(const std::u16string& name, const std::vector<ColumnSpec>& columns,
                     const std::vector<IndexSpec>& indexes);

// Writes the pages of the new, empty table `table` whose TDEF goes to page
// `tdef_page` (already in the file): a page of usage-map rows and an empty
// root leaf per index, appended to the file, then the TDEF naming them (on
// continuation pages appended after them when it is longer than a page).
// Sets the definition's map pointers and root pages. Raises
// kInvalidArgument when the global map cannot list the new pages.
void PlaceNewTable(PageCache& pages, TableDef& table, uint32_t tdef_page);

// Adds the empty user table `name` with `columns` (laid out by LayOutTable)
// and `indexes` to `db` within the open batch of `writer`: a TDEF page, a
// page of usage-map rows, an empty root leaf per index, the table's
// MSysObjects row, and an MSysACEs row giving full access to each SID that
// has rights on the "Tables" container, with their index entries. The table is seen by Database
// once the batch is committed. Returns its definition.
// Raises kInvalidArgument "cannot create <table>: <why>" for the refusals
// of LayOutTable, a name already in the catalog, an index naming no column
// or a missing one; kCorrupt when the
// catalog is damaged. A failure once pages were added (the catalog's index
// refusing the name's key, kIo) rolls the whole batch back before it is
// raised. A `system` table is marked so in its TDEF and its catalog row
// (Flags 0x80000000), as Jet marks MSysACEs and the like.
// REQUIRES: writer.InBatch(), writer writes to `db`.
std::shared_ptr<const TableDef> CreateTable(Database& db, Writer& writer,
                                            const std::u16string& name,
                                            const std::vector<ColumnSpec>& columns,
                                            const std::vector<IndexSpec>& indexes,
                                            bool system = false);

}  // namespace jet

#endif  // DB_JET_WRITE_TABLE_CREATOR_H_
