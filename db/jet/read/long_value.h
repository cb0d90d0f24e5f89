// MEMO and OLE values: inline in the row, in one LVAL row, or in a chain of
// LVAL rows.
#ifndef DB_JET_READ_LONG_VALUE_H_
#define DB_JET_READ_LONG_VALUE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"
#include "db/jet/format/values.h"

namespace jet {

// Replaces `out` with the value whose long-value header (and inline data)
// is `stored`, the column's variable slot in a row on page `row_page`.
// Raises kCorrupt naming the page when the header or a piece is damaged, a
// chain loops or ends early, or the length exceeds what the file could hold.
void ReadLongValue(PageCache& pages, std::span<const uint8_t> stored,
                   uint32_t row_page, Bytes& out);

// The LVAL rows that hold the value whose long-value header is `stored`
// (none for an inline value), first piece first. Raises kCorrupt as
// ReadLongValue.
std::vector<RowLocation> LongValueRows(PageCache& pages, std::span<const uint8_t> stored,
                                       uint32_t row_page);

}  // namespace jet

#endif  // DB_JET_READ_LONG_VALUE_H_
