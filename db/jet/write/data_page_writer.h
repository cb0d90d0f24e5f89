// Changing the rows of a data page in memory: replacing a row with the page
// compacted, appending a row, and formatting a new page
// (jet4-format.md sections 2.1, 6 and 12.1).
#ifndef DB_JET_WRITE_DATA_PAGE_WRITER_H_
#define DB_JET_WRITE_DATA_PAGE_WRITER_H_

#include <cstdint>
#include <optional>
#include <span>

#include "db/jet/file/page_cache.h"

namespace jet {

// The page's free-space field.
uint16_t FreeSpace(const Page& page);

// Checks that the rows of data page `page` lie packed downwards from the end
// of the page in slot order and that the free-space field agrees; the
// writers below rely on it. Raises kCorrupt naming the page otherwise.
void CheckPacked(const Page& page);

// Replaces the bytes of slot `slot` with `bytes` and its flags with `flags`,
// moving the rows below it so that the page stays packed. Returns false,
// changing nothing, when the page lacks room. REQUIRES: CheckPacked(page)
// passed; slot < SlotCount(page).
bool ReplaceSlot(Page& page, uint16_t slot, std::span<const uint8_t> bytes,
                 uint16_t flags);

// Appends a row with `flags` in a new slot. Returns its slot number, or
// nothing (changing nothing) when the page lacks room or slots.
// REQUIRES: CheckPacked(page) passed.
std::optional<uint16_t> AppendRow(Page& page, std::span<const uint8_t> bytes,
                                  uint16_t flags);

// Whether AppendRow could add a row of `length` bytes.
bool RoomFor(const Page& page, size_t length);

// Makes `page` an empty data page of the table whose TDEF is `tdef_page`.
void FormatDataPage(Page& page, uint32_t tdef_page);

}  // namespace jet

#endif  // DB_JET_WRITE_DATA_PAGE_WRITER_H_
