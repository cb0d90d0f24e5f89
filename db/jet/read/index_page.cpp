// Reading index pages and walking an index's leaves and nodes
// (jet4-format.md sections 13.1, 13.2 and 13.3).
#include "db/jet/read/index_page.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"

namespace jet {

void AppendIndexPageEntries(const Page& page, std::vector<uint8_t>& bytes,
                            std::vector<size_t>& ends) {
  const uint8_t* b = page.bytes.data();
  const size_t prefix = LoadU16(b + format::kIndexPrefixOffset);
  const size_t first_end = ends.size();
  size_t first_at = bytes.size();  // where the page's first entry starts
  size_t begin = 0;
  for (size_t bit = 0; bit < format::kIndexBitmapSize * 8; ++bit) {
    uint8_t byte = b[format::kIndexBitmapOffset + bit / 8];
    if (byte == 0) {
      bit |= 7;  // no entry ends in this byte
      continue;
    }
    if (!((byte >> (bit % 8)) & 1)) continue;
    if (bit > format::kIndexMaxEntryBytes || bit <= begin) {
      RaiseCorrupt(page.number, "index entry ends outside the page");
    }
    const size_t stored = bit - begin;
    const size_t at = bytes.size();
    if (ends.size() == first_end) {
      first_at = at;
      bytes.resize(at + stored);
      std::memcpy(bytes.data() + at, b + format::kIndexEntriesOffset + begin, stored);
    } else {
      if (prefix > ends[first_end] - first_at) {
        RaiseCorrupt(page.number, "index prefix longer than the first entry");
      }
      bytes.resize(at + prefix + stored);
      std::memcpy(bytes.data() + at, bytes.data() + first_at, prefix);
      std::memcpy(bytes.data() + at + prefix, b + format::kIndexEntriesOffset + begin, stored);
    }
    ends.push_back(bytes.size());
    begin = bit;
  }
}

std::vector<std::vector<uint8_t>> IndexPageEntries(const Page& page) {
  std::vector<uint8_t> bytes;
  std::vector<size_t> ends;
  AppendIndexPageEntries(page, bytes, ends);
  std::vector<std::vector<uint8_t>> entries;
  entries.reserve(ends.size());
  size_t at = 0;
  for (size_t end : ends) {
    entries.emplace_back(bytes.begin() + static_cast<long>(at),
                         bytes.begin() + static_cast<long>(end));
    at = end;
  }
  return entries;
}

uint32_t LoadBigEndian(const uint8_t* p, size_t size) {
  uint32_t v = 0;
  for (size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
  return v;
}

std::optional<std::vector<uint8_t>> LastIndexEntry(const Page& page) {
  const uint8_t* b = page.bytes.data();
  const uint8_t* bitmap = b + format::kIndexBitmapOffset;
  std::vector<size_t> ends;  // the first end, then the last two
  for (size_t byte = 0; byte < format::kIndexBitmapSize && ends.empty(); ++byte) {
    for (size_t bit = 0; bit < 8 && ends.empty(); ++bit) {
      if ((bitmap[byte] >> bit) & 1) ends.push_back(byte * 8 + bit);
    }
  }
  if (ends.empty()) return std::nullopt;
  size_t last = 0, before = 0;
  for (size_t byte = format::kIndexBitmapSize; byte-- > 0 && before == 0;) {
    for (size_t bit = 8; bit-- > 0;) {
      if (!((bitmap[byte] >> bit) & 1)) continue;
      size_t end = byte * 8 + bit;
      if (last == 0) {
        last = end;
      } else {
        before = end;
        break;
      }
    }
  }
  if (last > format::kIndexMaxEntryBytes) {
    RaiseCorrupt(page.number, "index entry ends outside the page");
  }
  const uint8_t* data = b + format::kIndexEntriesOffset;
  if (last == ends[0]) return std::vector<uint8_t>(data, data + last);
  size_t prefix = LoadU16(b + format::kIndexPrefixOffset);
  if (prefix > ends[0]) {
    RaiseCorrupt(page.number, "index prefix longer than the first entry");
  }
  std::vector<uint8_t> entry(data, data + prefix);
  entry.insert(entry.end(), data + before, data + last);
  return entry;
}

PageRef GetIndexPage(PageCache& pages, uint32_t number, uint32_t referrer) {
  if (number == 0 || number >= pages.PageCount()) {
    RaiseCorrupt(referrer, "index refers to page " + std::to_string(number) +
                               ", which does not exist");
  }
  PageRef page = pages.Get(number);
  if (page->type() != format::kPageIndexLeaf && page->type() != format::kPageIndexNode) {
    RaiseCorrupt(number, "expected an index page, found type " +
                             std::to_string(page->type()));
  }
  return page;
}
IndexEntry DecodeLeafEntry(const std::vector<uint8_t>& raw, uint32_t page) {
  if (raw.size() < format::kIndexRowIdSize) {
    RaiseCorrupt(page, "index entry shorter than its row id");
  }
  size_t k = raw.size() - format::kIndexRowIdSize;
  return IndexEntry{std::vector<uint8_t>(raw.begin(), raw.begin() + static_cast<long>(k)),
                    RowLocation{LoadBigEndian(&raw[k], 3), raw[k + 3]}};
}

std::vector<IndexLeaf> ReadIndexLeaves(PageCache& pages, const TableDef& table,
                                       const Index& index, bool last_only) {
  std::unordered_set<uint32_t> seen;
  PageRef page = GetIndexPage(pages, index.root_page, table.tdef_page);
  while (page->type() == format::kPageIndexNode) {
    if (!seen.insert(page->number).second) RaiseCorrupt(page->number, "index loops");
    auto entries = IndexPageEntries(*page);
    uint32_t child = entries.empty()
                         ? LoadU32(&page->bytes[format::kIndexTailOffset])
                         : (entries.front().size() < 8
                                ? 0
                                : LoadBigEndian(entries.front().data() +
                                                    entries.front().size() - 4, 4));
    page = GetIndexPage(pages, child, page->number);
  }
  std::vector<IndexLeaf> leaves;
  while (true) {
    if (!seen.insert(page->number).second) RaiseCorrupt(page->number, "index loops");
    IndexLeaf leaf{page->number, {}};
    std::vector<std::vector<uint8_t>> raw;
    if (!last_only) {
      raw = IndexPageEntries(*page);
    } else if (auto last = LastIndexEntry(*page)) {
      raw.push_back(std::move(*last));
    }
    for (const auto& e : raw) {
      if (e.size() < format::kIndexRowIdSize) {
        RaiseCorrupt(page->number, "index entry shorter than its row id");
      }
      size_t k = e.size() - format::kIndexRowIdSize;
      leaf.entries.push_back({std::vector<uint8_t>(e.begin(), e.begin() + static_cast<long>(k)),
                              RowLocation{LoadBigEndian(&e[k], 3), e[k + 3]}});
    }
    leaves.push_back(std::move(leaf));
    uint32_t next = LoadU32(&page->bytes[format::kIndexNextOffset]);
    if (next == 0) break;
    page = GetIndexPage(pages, next, page->number);
    if (page->type() != format::kPageIndexLeaf) {
      RaiseCorrupt(page->number, "index leaf chain leads to a node page");
    }
  }
  return leaves;
}

std::vector<IndexEntry> ReadIndexEntries(PageCache& pages, const TableDef& table,
                                         const Index& index) {
  std::vector<IndexEntry> result;
  for (IndexLeaf& leaf : ReadIndexLeaves(pages, table, index, false)) {
    for (IndexEntry& e : leaf.entries) result.push_back(std::move(e));
  }
  return result;
}

namespace {

// Whether the entry of `key` and `row` orders before `wanted`, as IndexEntry orders.
bool EntryBefore(const uint8_t* key, size_t size, RowLocation row, const IndexEntry& wanted) {
  const size_t common = std::min(size, wanted.key.size());
  const int order = common == 0 ? 0 : std::memcmp(key, wanted.key.data(), common);
  if (order != 0) return order < 0;
  if (size != wanted.key.size()) return size < wanted.key.size();
  return row < wanted.row;
}

}  // namespace

bool IndexFinds(PageCache& pages, const TableDef& table, const Index& index,
                const IndexEntry& wanted) {
  // Each page's entries are read into the same buffers: a search reads a
  // page per level, each of up to hundreds of entries.
  std::vector<uint8_t> bytes;
  std::vector<size_t> ends;
  PageRef page = GetIndexPage(pages, index.root_page, table.tdef_page);
  for (int depth = 0; page->type() == format::kPageIndexNode; ++depth) {
    if (depth > 16) RaiseCorrupt(page->number, "index too deep (a loop?)");
    uint32_t child = LoadU32(&page->bytes[format::kIndexTailOffset]);
    bytes.clear();
    ends.clear();
    AppendIndexPageEntries(*page, bytes, ends);
    for (size_t i = 0, at = 0; i < ends.size(); at = ends[i++]) {
      const uint8_t* e = bytes.data() + at;
      const size_t size = ends[i] - at;
      if (size < format::kIndexRowIdSize + format::kIndexChildSize) {
        RaiseCorrupt(page->number, "index node entry too short");
      }
      size_t k = size - format::kIndexChildSize - format::kIndexRowIdSize;
      const RowLocation row{LoadBigEndian(e + k, 3), e[k + 3]};
      bool last = i + 1 == ends.size();
      if (!EntryBefore(e, k, row, wanted) || (last && child == 0)) {
        child = LoadBigEndian(e + size - format::kIndexChildSize, 4);
        break;
      }
    }
    page = GetIndexPage(pages, child, page->number);
  }
  bytes.clear();
  ends.clear();
  AppendIndexPageEntries(*page, bytes, ends);
  for (size_t i = 0, at = 0; i < ends.size(); at = ends[i++]) {
    const uint8_t* e = bytes.data() + at;
    const size_t size = ends[i] - at;
    if (size < format::kIndexRowIdSize) continue;
    const size_t k = size - format::kIndexRowIdSize;
    if (k == wanted.key.size() && std::equal(e, e + k, wanted.key.begin()) &&
        RowLocation{LoadBigEndian(e + k, 3), e[k + 3]} == wanted.row) {
      return true;
    }
  }
  return false;
}

bool IsNullKey(const std::vector<uint8_t>& key, size_t columns) {
  return key.size() == columns &&
         std::all_of(key.begin(), key.end(), [](uint8_t b) {
           return b == format::kKeyNull || b == format::kKeyNullDescending;
         });
}

}  // namespace jet
