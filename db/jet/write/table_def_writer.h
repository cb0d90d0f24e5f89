// The stored form of a table definition: the TDEF page written for a new
// table from a TableDef (jet4-format.md sections 2.2 and 4).
#ifndef DB_JET_WRITE_TABLE_DEF_WRITER_H_
#define DB_JET_WRITE_TABLE_DEF_WRITER_H_

#include <cstdint>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/read/table_def.h"

namespace jet {

// The logical TDEF buffer of `table` (section 4.1: its first 8 bytes are
// the first page's header, left zero), laid out as sections 4.2 to 4.6 say:
// the columns in the order given, the real indexes numbered as
// Index::real_index says (one block for each real index, taken from the
// first logical index naming it), the long-value column maps at the end.
// Fields this engine does not model are written as Access writes them for
// new tables. REQUIRES: real_index < number of distinct real indexes; at
// most 10 columns per index.
std::vector<uint8_t> EncodeTableDef(const TableDef& table);

// The TDEF page numbered `number` holding `table`. Raises kInvalidArgument
// "table definition of <table> does not fit one page" when it is longer
// than a page.
Page TableDefPage(const TableDef& table, uint32_t number);

// How many pages the TDEF of `table` takes: one when it fits one page,
// else the first page filled and continuation pages after it.
size_t TableDefPageCount(const TableDef& table);

// The TDEF pages of `table`, numbered `numbers` in chain order (as many as
// TableDefPageCount says), each pointing to the next (section 4.1). Raises
// kInvalidArgument when `numbers` is too short.
std::vector<Page> TableDefPages(const TableDef& table, const std::vector<uint32_t>& numbers);

}  // namespace jet

#endif  // DB_JET_WRITE_TABLE_DEF_WRITER_H_
