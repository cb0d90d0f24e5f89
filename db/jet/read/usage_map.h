// Usage maps: the rows that list which pages belong to a table, an index or
// a long-value column, inline (a bitmap in the row) or by reference (bitmap
// pages).
#ifndef DB_JET_READ_USAGE_MAP_H_
#define DB_JET_READ_USAGE_MAP_H_

#include <cstdint>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"

namespace jet {

// The pages whose bits are set in the map stored at `map`, in increasing
// order, ignoring bits for pages beyond the end of the file. Raises kCorrupt
// naming `referrer_page` when the map row cannot be found, and the map's
// page when its type or a bitmap page is wrong.
std::vector<uint32_t> ReadUsageMap(PageCache& pages, RowPointer map,
                                   uint32_t referrer_page);

}  // namespace jet

#endif  // DB_JET_READ_USAGE_MAP_H_
