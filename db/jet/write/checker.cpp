// The structural checker.
#include "db/jet/write/checker.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <span>

#include "db/jet/format/byte_reader.h"
#include "db/jet/read/data_page.h"
#include "db/jet/read/index_page.h"
#include "db/jet/write/data_page_writer.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/read/usage_map.h"

namespace jet {
namespace {

// The keys of a table's rows in one index, in scan order. Rows are many and
// keys short, so the keys' bytes lie in blocks rather than each in an
// allocation of its own; the blocks serve index after index.
class RowKeys {
 public:
  // Forgets the keys held; `rows` is a hint: how many keys are likely to come.
  void Clear(size_t rows) {
    held_.clear();
    held_.reserve(rows);
    block_ = 0;
    block_used_ = 0;
  }

  size_t size() const { return held_.size(); }

  // Raises kInvalidArgument, as for a key that cannot be computed, when the
  // keys are too many or too long to be held.
  void Add(const std::vector<uint8_t>& key, RowLocation row) {
    if (key.size() > UINT16_MAX) Refuse();
    if (blocks_.empty() || block_used_ + key.size() > kBlockSize) {
      if (!blocks_.empty()) ++block_;
      if (block_ == size_t{1} << (32 - kBlockBits)) Refuse();
      if (block_ == blocks_.size()) {
        blocks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(kBlockSize));
      }
      block_used_ = 0;
    }
    std::copy(key.begin(), key.end(), blocks_[block_].get() + block_used_);
    held_.push_back({static_cast<uint32_t>(block_ << kBlockBits | block_used_),
                     static_cast<uint16_t>(key.size()), row.slot, row.page});
    block_used_ += key.size();
  }

  // Prepares the look-up by row. Call once all keys were added.
  void Seal() {
    matched_.assign(held_.size(), false);
    next_ = 0;
    by_row_.clear();
    auto row_less = [](const Held& a, const Held& b) { return Row(a) < Row(b); };
    // A scan yields rows in row order, so this is seldom needed.
    if (!std::is_sorted(held_.begin(), held_.end(), row_less)) {
      by_row_.resize(held_.size());
      for (uint32_t i = 0; i < by_row_.size(); ++i) by_row_[i] = i;
      std::stable_sort(by_row_.begin(), by_row_.end(), [&](uint32_t a, uint32_t b) {
        return row_less(held_[a], held_[b]);
      });
    }
    // page_start_[p]: the first position in row order of a row on page p or after.
    const uint32_t pages = held_.empty() ? 0 : ByRow(held_.size() - 1).page + 1;
    page_start_.assign(size_t{pages} + 1, 0);
    size_t i = 0;
    for (uint32_t p = 0; p <= pages; ++p) {
      while (i < held_.size() && ByRow(i).page < p) ++i;
      page_start_[p] = static_cast<uint32_t>(i);
    }
  }

  // Marks a key of `row` equal to `key` and not yet marked; false when
  // there is none. REQUIRES: Seal() was called.
  bool Match(std::span<const uint8_t> key, RowLocation row) {
    // Entries of equal keys come in row order, and rows of equal keys often
    // follow one another: try the row after the one last matched first.
    if (next_ < held_.size() && Row(ByRow(next_)) == row && MatchAt(next_, key)) return true;
    if (row.page + size_t{1} >= page_start_.size()) return false;
    size_t first = page_start_[row.page], last = page_start_[row.page + 1];
    while (first < last) {  // the first row of the page at or after row.slot
      const size_t middle = first + (last - first) / 2;
      if (ByRow(middle).slot < row.slot) {
        first = middle + 1;
      } else {
        last = middle;
      }
    }
    for (size_t i = first; i < page_start_[row.page + 1] && ByRow(i).slot == row.slot; ++i) {
      if (MatchAt(i, key)) return true;
    }
    return false;
  }

 private:
  // Marks the `i`th key in row order when it is unmarked and equal to `key`.
  bool MatchAt(size_t i, std::span<const uint8_t> key) {
    const size_t at = by_row_.empty() ? i : by_row_[i];
    if (matched_[at] || !std::ranges::equal(Key(held_[at]), key)) return false;
    matched_[at] = true;
    next_ = i + 1;
    return true;
  }

  struct Held {
    uint32_t key_at;  // block << kBlockBits | offset in the block
    uint16_t key_length;
    uint16_t slot;
    uint32_t page;
  };
  static constexpr uint32_t kBlockBits = 16;
  static constexpr size_t kBlockSize = size_t{1} << kBlockBits;

  static RowLocation Row(const Held& h) { return {h.page, h.slot}; }
  // The `i`th key held in row order.
  const Held& ByRow(size_t i) const { return held_[by_row_.empty() ? i : by_row_[i]]; }
  std::span<const uint8_t> Key(const Held& h) const {
    return {blocks_[h.key_at >> kBlockBits].get() + (h.key_at & (kBlockSize - 1)),
            h.key_length};
  }
  [[noreturn]] static void Refuse() {
    throw Error(ErrorKind::kInvalidArgument, "too many index keys to hold");
  }

  std::vector<Held> held_;
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  size_t block_ = 0;  // the block being filled
  size_t block_used_ = 0;
  std::vector<uint32_t> by_row_;      // positions in held_ in row order; empty: in order
  std::vector<uint32_t> page_start_;  // see Seal
  std::vector<bool> matched_;
  size_t next_ = 0;  // in row order, after the key last matched
};

// Makes `keys` those of `index` for the rows of `t`, of which there are about
// `rows`. Raises kInvalidArgument when a key cannot be computed, kCorrupt for
// damaged rows.
void KeysOfRows(Database& db, const std::shared_ptr<const TableDef>& t, const Index& index,
                size_t rows, RowKeys& keys) {
  std::vector<size_t> positions;  // of the index's columns in t->columns
  for (const IndexColumn& ic : index.columns) {
    for (size_t c = 0; c < t->columns.size(); ++c) {
      if (t->columns[c].number == ic.column_number) positions.push_back(c);
    }
  }
  keys.Clear(rows);
  std::vector<Value> values;
  std::vector<uint8_t> key;
  RowCursor cursor = db.Scan(t);
  while (cursor.Next()) {
    values.clear();
    for (size_t c : positions) values.push_back(cursor.row().Get(c));
    if (index.ignore_nulls &&
        std::all_of(values.begin(), values.end(), [](const Value& v) { return IsNull(v); })) {
      continue;
    }
    IndexKeyInto(*t, index, values, key);
    keys.Add(key, cursor.row().location());
  }
  keys.Seal();
}

// The entries of leaf `page` into `bytes` and `ends` (AppendIndexPageEntries), each checked
// to hold a row id.
void ReadLeafEntries(const Page& page, std::vector<uint8_t>& bytes, std::vector<size_t>& ends) {
  bytes.clear();
  ends.clear();
  AppendIndexPageEntries(page, bytes, ends);
  size_t at = 0;
  for (size_t end : ends) {
    if (end - at < format::kIndexRowIdSize) {
      RaiseCorrupt(page.number, "index entry shorter than its row id");
    }
    at = end;
  }
}

// Entry `i` of those ReadLeafEntries gave.
IndexEntry LeafEntry(const std::vector<uint8_t>& bytes, const std::vector<size_t>& ends,
                     size_t i) {
  const size_t at = i == 0 ? 0 : ends[i - 1];
  const size_t k = ends[i] - format::kIndexRowIdSize;
  return IndexEntry{std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(k)),
                    RowLocation{LoadBigEndian(&bytes[k], 3), bytes[k + 3]}};
}

// Checks the indexes of `t`, which has `rows` live rows, using `expected`
// to hold the keys of its rows.
void CheckIndexes(Database& db, const std::shared_ptr<const TableDef>& t, size_t rows,
                  RowKeys& expected, std::vector<std::string>& problems) {
  std::set<uint32_t> done;
  for (const Index& index : t->indexes) {
    if (!done.insert(index.real_index).second) continue;
    const std::string named =
        NameForMessage(t->name) + ": index " + NameForMessage(index.name);
    // The index's page map must be readable and list its root and leaves.
    std::set<uint32_t> mapped;
    try {
      for (uint32_t p : ReadUsageMap(db.pages(), index.page_map, t->tdef_page)) {
        mapped.insert(p);
      }
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::kCorrupt) throw;
      problems.push_back(named + ": page map: " + e.what());
      continue;
    }
    const std::vector<IndexLeaf> leaves = ReadIndexLeaves(db.pages(), *t, index, true);
    std::vector<uint32_t> listed = {index.root_page};
    for (const IndexLeaf& leaf : leaves) listed.push_back(leaf.page);
    for (uint32_t p : listed) {
      if (!mapped.count(p)) {
        problems.push_back(named + ": page " + std::to_string(p) + " is not in its page map");
        break;
      }
    }
    try {
      KeysOfRows(db, t, index, rows, expected);
    } catch (const Error& e) {
      if (e.kind() == ErrorKind::kInvalidArgument) continue;  // keys unknown
      throw;
    }
    // The leaves' entries in stored order (the chain is the one just
    // walked), each checked to follow the one before and matched with a
    // row's key; then the nodes must lead to every entry (a sample of large
    // indexes).
    std::vector<size_t> leaf_first;  // the number of entries before each leaf
    std::vector<uint8_t> bytes, last_key;
    std::vector<size_t> ends;
    RowLocation last_row;
    size_t count = 0;
    bool in_order = true, agrees = true;
    for (const IndexLeaf& leaf : leaves) {
      leaf_first.push_back(count);
      ReadLeafEntries(*db.pages().Get(leaf.page), bytes, ends);
      std::span<const uint8_t> last(last_key);  // the entry before, on this page or another
      for (size_t i = 0, at = 0; i < ends.size(); at = ends[i++], ++count) {
        const size_t k = ends[i] - format::kIndexRowIdSize;
        const std::span<const uint8_t> key(bytes.data() + at, k - at);
        const RowLocation row{LoadBigEndian(&bytes[k], 3), bytes[k + 3]};
        if (!in_order) continue;
        if (count > 0) {
          const size_t common = std::min(key.size(), last.size());
          const int order = common == 0 ? 0 : std::memcmp(key.data(), last.data(), common);
          in_order = order > 0 ||
                     (order == 0 && (key.size() > last.size() ||
                                     (key.size() == last.size() && !(row < last_row))));
        }
        last = key;
        last_row = row;
        agrees = agrees && expected.Match(key, row);
      }
      if (in_order && !ends.empty()) last_key.assign(last.begin(), last.end());
    }
    if (!in_order) {
      problems.push_back(named + " is out of order");
      continue;
    }
    size_t step = count / 200 + 1;
    size_t read = leaves.size();  // the leaf whose entries are in bytes and ends
    for (size_t i = 0; i < count; i += step) {
      const size_t leaf = static_cast<size_t>(
          std::upper_bound(leaf_first.begin(), leaf_first.end(), i) - leaf_first.begin() - 1);
      if (leaf != read) {
        ReadLeafEntries(*db.pages().Get(leaves[leaf].page), bytes, ends);
        read = leaf;
      }
      const IndexEntry entry = LeafEntry(bytes, ends, i - leaf_first[leaf]);
      if (!IndexFinds(db.pages(), *t, index, entry)) {
        problems.push_back(named + " does not lead to its entry for page " +
                           std::to_string(entry.row.page) + " row " +
                           std::to_string(entry.row.slot));
        break;
      }
    }
    if (!agrees || count != expected.size()) {
      problems.push_back(named + " disagrees with the rows (" + std::to_string(count) +
                         " entries, " + std::to_string(expected.size()) + " rows)");
    }
  }
}

}  // namespace

std::vector<std::string> CheckDatabase(Database& db) {
  std::vector<std::string> problems;
  RowKeys keys;  // for each index in turn
  PageCache& pages = db.pages();
  std::vector<uint32_t> free_global = ReadUsageMap(
      pages, RowPointer{(format::kGlobalMapPage << format::kRowPointerPageShift) |
                        format::kGlobalMapRow}, format::kGlobalMapPage);
  std::set<uint32_t> free_set(free_global.begin(), free_global.end());
  std::vector<std::u16string> names = db.SystemTableNames();
  for (const std::u16string& name : db.TableNames()) names.push_back(name);
  for (const std::u16string& name : names) {
    auto t = db.GetTable(name, true);
    std::string tn = NameForMessage(name);
    std::vector<uint32_t> owned = ReadUsageMap(pages, t->owned_pages, t->tdef_page);
    std::set<uint32_t> owned_set(owned.begin(), owned.end());
    for (uint32_t p : ReadUsageMap(pages, t->free_pages, t->tdef_page)) {
      if (!owned_set.count(p)) {
        problems.push_back(tn + ": free-space map lists page " + std::to_string(p) +
                           ", not one of its pages");
      }
    }
    std::map<RowLocation, int> targets;  // moved-data slot -> pointers to it
    uint32_t live = 0;
    for (uint32_t p : owned) {
      PageRef page = pages.Get(p);
      if (page->type() != format::kPageData ||
          LoadU32(&page->bytes[format::kDataOwnerOffset]) != t->tdef_page) {
        continue;
      }
      if (free_set.count(p)) {
        problems.push_back(tn + ": page " + std::to_string(p) +
                           " is in use but marked free in the global map");
      }
      try {
        CheckPacked(*page);
      } catch (const Error& e) {
        problems.push_back(tn + ": " + e.what());
      }
      uint16_t n = SlotCount(*page);
      for (uint16_t s = 0; s < n; ++s) {
        Slot slot = ReadSlot(*page, s);
        if (slot.kind == SlotKind::kHome) ++live;
        if (slot.kind == SlotKind::kTarget) targets[{p, s}] += 0;
        if (slot.kind != SlotKind::kOverflow) continue;
        ++live;
        if (slot.bytes.size() < 4) {
          problems.push_back(tn + ": moved row at page " + std::to_string(p) +
                             " row " + std::to_string(s) + " has no pointer");
          continue;
        }
        RowLocation to = RowPointer{LoadU32(slot.bytes.data())}.Location();
        if (!owned_set.count(to.page)) {
          problems.push_back(tn + ": moved row at page " + std::to_string(p) +
                             " points outside the table");
          continue;
        }
        targets[to] += 1;
      }
    }
    for (const auto& [at, count] : targets) {
      PageRef page = pages.Get(at.page);
      bool is_target = page->type() == format::kPageData && at.slot < SlotCount(*page) &&
                       ReadSlot(*page, at.slot).kind == SlotKind::kTarget;
      if (count != 1 || !is_target) {
        problems.push_back(tn + ": moved data at page " + std::to_string(at.page) +
                           " row " + std::to_string(at.slot) + " is reached " +
                           std::to_string(count) + " times" +
                           (is_target ? "" : " and is not moved data"));
      }
    }
    // Access does not keep the counts of its system tables exact.
    if (live != t->row_count && !t->system) {
      problems.push_back(tn + ": row count " + std::to_string(t->row_count) +
                         ", live rows " + std::to_string(live));
    }
    CheckIndexes(db, t, live, keys, problems);
  }
  return problems;
}

}  // namespace jet
