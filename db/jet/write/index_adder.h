// Adding an index to a table that already holds rows: its root leaf and
// page map, its blocks in the rewritten TDEF, and an entry for every row
// (jet4-format.md sections 4, 5.1 and 13).
#ifndef DB_JET_WRITE_INDEX_ADDER_H_
#define DB_JET_WRITE_INDEX_ADDER_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "db/jet/read/database.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"

namespace jet {

// Adds the index `spec` (ascending over its columns, unique when
// spec.unique; never a primary key, whatever spec says) to the user table
// `table` of `db` within the open batch of `writer`: an empty root leaf and
// a new page holding the row of its usage map, the TDEF rewritten over its
// own pages (with more appended when it outgrows them), then an entry for
// every live row, so that the index is complete when the batch commits.
// Returns the table's new definition, which the Database also hands out
// from then on; sets `*entries` (when given) to the number of entries made.
//
// Raises, before anything is changed, kNoSuchTable "no such table: <table>"
// and kInvalidArgument "cannot add index <name> to <table>: <why>" where
// <why> is one of
//   "the name is empty", "it names no column or more than 10",
//   "no column <column>", "an index of that name exists" (names compared
//   without regard to case),
//   "its definition holds parts this engine does not rewrite" (the stored
//   TDEF is not what EncodeTableDef makes of its parsed definition),
//   "duplicate key in a unique index" (spec.unique and two rows whose key
//   columns are not all null hold one key),
//   or the reason IndexKey gives for a key it cannot compute (a column kind
//   or collation, checked even for an empty table, or a character of some
//   row);
// kCorrupt for damaged pages. A failure once pages were changed (kCorrupt
// from a page map, kInvalidArgument when the map cannot list a page) rolls
// the whole batch back before it is raised.
// REQUIRES: writer.InBatch(), writer writes to `db`.
std::shared_ptr<const TableDef> AddIndex(Database& db, Writer& writer,
                                         std::u16string_view table,
                                         const IndexSpec& spec,
                                         size_t* entries = nullptr);

// Whether the stored TDEF of `table` (its logical buffer, from the length
// field to the stored length) is exactly EncodeTableDef(table), so that
// rewriting it from `table` loses nothing. Raises kCorrupt when the pages
// of the chain cannot be read.
bool TableDefRewritable(PageCache& pages, const TableDef& table);

}  // namespace jet

#endif  // DB_JET_WRITE_INDEX_ADDER_H_
