// Reading index pages: the entries of a page with the shared prefix put
// back, the last entry alone, and index pages checked for their type
// (jet4-format.md sections 2.3, 13.2 and 13.3). For the index reader and
// writer only.
#ifndef DB_JET_READ_INDEX_PAGE_H_
#define DB_JET_READ_INDEX_PAGE_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "db/jet/read/index_entries.h"
#include "db/jet/file/page_cache.h"

namespace jet {

// The entries of index page `page`, each in full. Raises kCorrupt naming
// the page when an entry lies outside it.
std::vector<std::vector<uint8_t>> IndexPageEntries(const Page& page);

// The same entries appended to `bytes` one after the other, in full, the
// offset in `bytes` just past each pushed onto `ends`. Raises kCorrupt as
// IndexPageEntries (`bytes` and `ends` may then hold some entries).
void AppendIndexPageEntries(const Page& page, std::vector<uint8_t>& bytes,
                            std::vector<size_t>& ends);

// The last entry of index page `page` alone, or nothing when it has none.
// Raises kCorrupt as IndexPageEntries.
std::optional<std::vector<uint8_t>> LastIndexEntry(const Page& page);

// The big-endian number in the `size` bytes at `p`.
uint32_t LoadBigEndian(const uint8_t* p, size_t size);

// Leaf entry `raw` (key, then the row id) of page `page` split apart.
// Raises kCorrupt when it is shorter than a row id.
IndexEntry DecodeLeafEntry(const std::vector<uint8_t>& raw, uint32_t page);

// Index page `number`, which `referrer` names. Raises kCorrupt when it does
// not exist or is not an index page.
PageRef GetIndexPage(PageCache& pages, uint32_t number, uint32_t referrer);

}  // namespace jet

#endif  // DB_JET_READ_INDEX_PAGE_H_
