// Index descent and leaf walk over entries read in place: an entry is the
// page's shared prefix (the first entry's leading bytes) and its own bytes.
#include "db/jet/read/index_seek.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/index_page.h"
#include "db/jet/read/index_entries.h"

namespace jet {
namespace {

// One entry of an index page, in two pieces.
struct EntryView {
  const uint8_t* head = nullptr;  // the shared prefix
  size_t head_size = 0;
  const uint8_t* tail = nullptr;  // the entry's own bytes
  size_t tail_size = 0;

  size_t size() const { return head_size + tail_size; }
  uint8_t at(size_t i) const {
    return i < head_size ? head[i] : tail[i - head_size];
  }
  // The big-endian number in the `width` bytes at `offset`.
  uint32_t BigEndian(size_t offset, size_t width) const {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i) v = (v << 8) | at(offset + i);
    return v;
  }
};

// Calls `visit(entry)` for each entry of `page` in order until it returns
// false. Raises kCorrupt as IndexPageEntries.
template <typename Visit>
void ForEachEntry(const Page& page, Visit&& visit) {
  const uint8_t* b = page.bytes.data();
  const uint8_t* data = b + format::kIndexEntriesOffset;
  const size_t prefix = LoadU16(b + format::kIndexPrefixOffset);
  size_t begin = 0;
  bool first = true;
  for (size_t bit = 0; bit < format::kIndexBitmapSize * 8; ++bit) {
    const uint8_t byte = b[format::kIndexBitmapOffset + bit / 8];
    if (byte == 0) {
      bit |= 7;
      continue;
    }
    if (!((byte >> (bit % 8)) & 1)) continue;
    if (bit > format::kIndexMaxEntryBytes || bit <= begin) {
      RaiseCorrupt(page.number, "index entry ends outside the page");
    }
    EntryView entry;
    if (first) {
      if (prefix > bit) {
        RaiseCorrupt(page.number, "index prefix longer than the first entry");
      }
      entry = {nullptr, 0, data, bit};
      first = false;
    } else {
      entry = {data, prefix, data + begin, bit - begin};
    }
    begin = bit;
    if (!visit(entry)) return;
  }
}

// Orders the first `key_size` bytes of `entry` against `prefix`: 0 when they
// begin with it, else the sign of their lexicographic comparison.
int ComparePrefix(const EntryView& entry, size_t key_size,
                  const std::vector<uint8_t>& prefix) {
  const size_t n = std::min(key_size, prefix.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t a = entry.at(i);
    if (a != prefix[i]) return a < prefix[i] ? -1 : 1;
  }
  return key_size < prefix.size() ? -1 : 0;
}

// The leaf where keys beginning with `prefix` start: in each node, the child
// of the first entry whose key is not below the prefix, else the tail.
PageRef DescendToLeaf(PageCache& pages, const TableDef& table, const Index& index,
                      const std::vector<uint8_t>& prefix) {
  PageRef page = GetIndexPage(pages, index.root_page, table.tdef_page);
  constexpr size_t kLinkSize = format::kIndexRowIdSize + format::kIndexChildSize;
  for (int depth = 0; page->type() == format::kPageIndexNode; ++depth) {
    if (depth > 16) RaiseCorrupt(page->number, "index too deep (a loop?)");
    uint32_t child = LoadU32(&page->bytes[format::kIndexTailOffset]);
    bool chosen = false;
    uint32_t last_child = 0;
    ForEachEntry(*page, [&](const EntryView& e) {
      if (e.size() < kLinkSize) RaiseCorrupt(page->number, "index node entry too short");
      last_child = e.BigEndian(e.size() - format::kIndexChildSize, format::kIndexChildSize);
      if (ComparePrefix(e, e.size() - kLinkSize, prefix) >= 0) {
        child = last_child;
        chosen = true;
        return false;
      }
      return true;
    });
    if (!chosen && child == 0) child = last_child;
    page = GetIndexPage(pages, child, page->number);
  }
  return page;
}

}  // namespace

std::optional<IndexSeek> PlanIndexSeek(const TableDef& table, size_t column,
                                       const Value& value) {
  if (column >= table.columns.size() || IsNull(value)) return std::nullopt;
  const Column& wanted = table.columns[column];
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    if (text->empty()) return std::nullopt;
  }
  for (const Index& index : table.indexes) {
    if (index.columns.empty() || index.columns[0].column_number != wanted.number) {
      continue;
    }
    Index first_column = index;
    first_column.columns.resize(1);
    std::vector<uint8_t> key;
    try {
      key = IndexKey(table, first_column, {value});
    } catch (const Error& e) {
      if (e.kind() != ErrorKind::kInvalidArgument) throw;
      return std::nullopt;  // no exact key for this value
    }
    // Text keys may carry bytes for case after the end mark: match up to it
    // (a descending key ends in the inverted terminator and one more).
    if (wanted.kind == ColumnKind::kText) {
      key.resize(key.size() - (index.columns[0].ascending ? 1 : 2));
    }
    return IndexSeek{&index, std::move(key)};
  }
  return std::nullopt;
}

std::vector<RowLocation> SeekRows(PageCache& pages, const TableDef& table,
                                  const IndexSeek& seek) {
  std::vector<RowLocation> rows;
  PageRef page = DescendToLeaf(pages, table, *seek.index, seek.prefix);
  const size_t limit = pages.PageCount();
  bool matching = false, done = false;
  for (size_t visited = 0; !done; ++visited) {
    if (visited > limit) RaiseCorrupt(page->number, "index loops");
    ForEachEntry(*page, [&](const EntryView& e) {
      if (e.size() < format::kIndexRowIdSize) {
        RaiseCorrupt(page->number, "index entry shorter than its row id");
      }
      const size_t key_size = e.size() - format::kIndexRowIdSize;
      const int order = ComparePrefix(e, key_size, seek.prefix);
      if (order < 0 && matching) RaiseCorrupt(page->number, "index keys out of order");
      if (order > 0) {
        done = true;
        return false;
      }
      if (order == 0) {
        matching = true;
        rows.push_back(RowLocation{e.BigEndian(key_size, 3), e.at(key_size + 3)});
      }
      return true;
    });
    if (done) break;
    const uint32_t next = LoadU32(&page->bytes[format::kIndexNextOffset]);
    if (next == 0) break;
    page = GetIndexPage(pages, next, page->number);
    if (page->type() != format::kPageIndexLeaf) {
      RaiseCorrupt(page->number, "index leaf chain leads to a node page");
    }
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

}  // namespace jet
