// Index maintenance: an empty root leaf, and an index rewritten with some
// entries removed and others added (jet4-format.md section 13).
#ifndef DB_JET_WRITE_INDEX_WRITER_H_
#define DB_JET_WRITE_INDEX_WRITER_H_

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/read/index_entries.h"
#include "db/jet/format/row_location.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace jet {

// Makes `page` an empty root leaf of an index of the table whose TDEF is
// `tdef_page` (section 13.3).
void FormatEmptyLeaf(Page& page, uint32_t tdef_page);

// An index being changed entry by entry (section 13.6): removals and
// insertions in key order go to the leaf that holds the key; Write splits
// leaves that outgrew their page, drops empty ones, rebuilds the nodes above
// and writes only the pages whose bytes changed. The root stays at its page
// (a root leaf that splits becomes a node over new leaves). Pages come from
// the index's own spare pages first, then new pages listed in its map;
// pages left over are freed.
class IndexEditor {
 public:
  // Reads the index's leaves. Raises kCorrupt.
  IndexEditor(PageCache& pages, const TableDef& table, const Index& index);

  bool Contains(const IndexEntry& entry);
  // Whether an entry of another row than `row` has `key`.
  bool KeyHeldByOther(const std::vector<uint8_t>& key, RowLocation row);
  // REQUIRES: Contains(entry).
  void Remove(const IndexEntry& entry);
  void Insert(IndexEntry entry);
  // Inserts the entry of `key` and `row`, which orders after every entry
  // the index holds: as Insert does, without looking for its place.
  void Append(std::span<const uint8_t> key, RowLocation row);
  // Writes the changes through `pages`. Raises kInvalidArgument when the
  // index's page map cannot list a page it needs.
  void Write(PageCache& pages);

 private:
  // An entry held in memory: its key's bytes lie in a block of keys_
  // (entries are many and their keys short, so they are not each given an
  // allocation).
  struct Held {
    uint32_t key_at = 0;  // block << kKeyBlockBits | offset in the block
    uint32_t page = 0;    // the row
    uint16_t key_length = 0;
    uint16_t slot = 0;
    RowLocation row() const { return RowLocation{page, slot}; }
  };
  // A leaf's entries are read when first needed; its last entry is known
  // from the start, to find the leaf that holds a key.
  struct Leaf {
    uint32_t page = 0;  // 0: not yet given a page
    std::optional<Held> last;
    std::vector<Held> entries;
    bool loaded = false;
    bool dirty = false;
  };
  // Orders `a` against the entry of `key` and `row` as IndexEntry orders.
  std::strong_ordering Order(const Held& a, std::span<const uint8_t> key,
                             RowLocation row) const;
  static constexpr uint32_t kKeyBlockBits = 16;
  std::span<const uint8_t> KeyOf(const Held& e) const {
    return {keys_[e.key_at >> kKeyBlockBits].get() + (e.key_at & ((1u << kKeyBlockBits) - 1)),
            e.key_length};
  }
  // `key` copied into keys_, held with `row`.
  Held Hold(std::span<const uint8_t> key, RowLocation row);
  // The held entries of `leaf` from the first not below `entry`.
  std::vector<Held>::iterator LowerBound(std::vector<Held>& entries, const IndexEntry& entry) const;
  size_t LeafFor(const IndexEntry& entry) const;
  std::vector<Held>& Entries(size_t leaf);
  // Marks the leaf changed and notes its last entry.
  void Touched(size_t leaf);
  // Halves the leaf when it holds more entries than a page can.
  void HalveIfCrowded(size_t leaf);
  uint32_t TakePage(PageCache& pages);

  PageCache& pages_;
  const TableDef& table_;
  const Index& index_;
  std::vector<Leaf> leaves_;
  std::vector<uint32_t> spare_;  // pages of the index that are not leaves
  // The held entries' keys (removed ones stay), in blocks that do not move.
  std::vector<std::unique_ptr<uint8_t[]>> keys_;
  size_t key_block_used_ = size_t{1} << kKeyBlockBits;  // in the last block
  std::vector<uint8_t> read_;  // scratch for reading a leaf
  std::vector<size_t> ends_;
};

}  // namespace jet

#endif  // DB_JET_WRITE_INDEX_WRITER_H_
