// Changing usage maps and handing out new pages: the bit of one page in a
// table's, an index's or the global map, and appending a page to the file
// with every map that must know of it (jet4-format.md sections 5 and 12.4).
#ifndef DB_JET_WRITE_USAGE_MAP_WRITER_H_
#define DB_JET_WRITE_USAGE_MAP_WRITER_H_

#include <cstdint>

#include "db/jet/file/page_cache.h"
#include "db/jet/format/row_location.h"

namespace jet {

// Sets (`value` true) or clears the bit of `page` in the map stored at
// `map` and writes the holder page back. Returns false, changing nothing,
// when the map cannot record the page: an inline map whose window does not
// cover it, or a reference map without a bitmap page for it. Raises kCorrupt
// naming `referrer_page` when the map cannot be found.
bool SetUsageBit(PageCache& pages, RowPointer map, uint32_t referrer_page,
                 uint32_t page, bool value);

// Lists `page` in the (table, index or column) map at `map`: sets its bit,
// sliding an inline map's window when all its pages still fit, else turning
// the row into a reference map, and adding a bitmap page to a reference map
// that lacks one for the page (section 5.5). Raises kInvalidArgument when no
// map of the row's size can list the page, kCorrupt as SetUsageBit.
void AddToUsageMap(PageCache& pages, RowPointer map, uint32_t referrer_page,
                   uint32_t page);

// Appends `page` (whose number is set here) to the file as a new page and
// marks it in use in the global map. When the page lies beyond an inline
// global map's window, the map becomes a reference map without bitmap
// pages, under which every page counts as in use (as Access does). Returns
// the page's number.
uint32_t AppendPage(PageCache& pages, Page& page);

// Writes `page` as page `number`, a free page of the file, and marks it in
// use in the global map as AppendPage does.
void ReusePage(PageCache& pages, Page& page, uint32_t number);

// Marks `page` free in the global map (a page an index no longer uses),
// when the map covers it; else it stays counted in use.
void FreePage(PageCache& pages, uint32_t page);

}  // namespace jet

#endif  // DB_JET_WRITE_USAGE_MAP_WRITER_H_
