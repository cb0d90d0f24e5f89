// Reading index leaves and rebuilding an index after entries changed
// (jet4-format.md sections 13.1, 13.2, 13.3 and 13.6).
#include "db/jet/index_writer.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_set>

#include "db/jet/byte_reader.h"
#include "db/jet/error.h"
#include "db/jet/format.h"
#include "db/jet/usage_map.h"
#include "db/jet/usage_map_writer.h"

namespace jet {
namespace {

// The entries of one index page, each with its full bytes.
std::vector<std::vector<uint8_t>> PageEntries(const Page& page) {
  const uint8_t* b = page.bytes.data();
  size_t prefix = LoadU16(b + format::kIndexPrefixOffset);
  std::vector<std::vector<uint8_t>> entries;
  size_t begin = 0;
  for (size_t bit = 0; bit < format::kIndexBitmapSize * 8; ++bit) {
    if (!((b[format::kIndexBitmapOffset + bit / 8] >> (bit % 8)) & 1)) continue;
    if (bit > format::kIndexMaxEntryBytes || bit <= begin) {
      RaiseCorrupt(page.number, "index entry ends outside the page");
    }
    std::vector<uint8_t> entry;
    if (!entries.empty()) {
      if (prefix > entries.front().size()) {
        RaiseCorrupt(page.number, "index prefix longer than the first entry");
      }
      entry.assign(entries.front().begin(), entries.front().begin() + prefix);
    }
    entry.insert(entry.end(), b + format::kIndexEntriesOffset + begin,
                 b + format::kIndexEntriesOffset + bit);
    entries.push_back(std::move(entry));
    begin = bit;
  }
  return entries;
}

uint32_t LoadBigEndian(const uint8_t* p, size_t size) {
  uint32_t v = 0;
  for (size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
  return v;
}

PageRef IndexPage(PageCache& pages, uint32_t number, uint32_t referrer) {
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

struct Built {
  std::vector<uint8_t> bytes;  // full entry
  size_t key_length = 0;
};

size_t CommonPrefix(const Built& a, const Built& b) {
  size_t n = std::min(a.key_length, b.key_length), i = 0;
  while (i < n && a.bytes[i] == b.bytes[i]) ++i;
  return i;
}

// An index page in the making: its entries and its place in the tree.
struct Draft {
  std::vector<Built> entries;
  Built last;          // the last leaf entry below it
  uint32_t tail = 0;   // nodes: child with no entry
  size_t parent = 0;   // position of the parent on the next level
  uint32_t number = 0;
};

void Render(const Draft& d, bool leaf, uint32_t tdef_page, uint32_t prev,
            uint32_t next, Page& page) {
  page.bytes.fill(0);
  uint8_t* b = page.bytes.data();
  b[format::kPageTypeOffset] = leaf ? format::kPageIndexLeaf : format::kPageIndexNode;
  b[format::kPageTypeOffset + 1] = format::kPageMarker;
  StoreU32(b + format::kIndexOwnerOffset, tdef_page);
  StoreU32(b + format::kIndexPrevOffset, prev);
  StoreU32(b + format::kIndexNextOffset, next);
  StoreU32(b + format::kIndexTailOffset, d.tail);
  size_t prefix = leaf && d.entries.size() > 1
                      ? CommonPrefix(d.entries.front(), d.entries.back()) : 0;
  StoreU16(b + format::kIndexPrefixOffset, static_cast<uint16_t>(prefix));
  size_t at = 0;
  for (size_t i = 0; i < d.entries.size(); ++i) {
    const auto& e = d.entries[i].bytes;
    size_t skip = i == 0 ? 0 : prefix;
    std::copy(e.begin() + static_cast<long>(skip), e.end(),
              b + format::kIndexEntriesOffset + at);
    at += e.size() - skip;
    b[format::kIndexBitmapOffset + at / 8] |= static_cast<uint8_t>(1u << (at % 8));
  }
  StoreU16(b + format::kIndexFreeSpaceOffset,
           static_cast<uint16_t>(format::kPageSize - format::kIndexEntriesOffset - at));
}

// Leaves packed greedily up to the page limit, with the shared prefix.
std::vector<Draft> PackLeaves(const std::vector<Built>& entries) {
  std::vector<Draft> drafts(1);
  size_t total = 0;
  for (const Built& e : entries) {
    Draft& d = drafts.back();
    if (!d.entries.empty()) {
      size_t p = CommonPrefix(d.entries.front(), e);
      size_t size = total + e.bytes.size() - (d.entries.size()) * p;
      if (size > format::kIndexMaxEntryBytes) {
        drafts.emplace_back();
        total = 0;
      }
    }
    drafts.back().entries.push_back(e);
    drafts.back().last = e;
    total += e.bytes.size();
  }
  return drafts;
}

// One level of nodes over `children`: entries for all but each node's last
// child, which is its tail.
std::vector<Draft> PackNodes(std::vector<Draft>& children) {
  std::vector<Draft> nodes(1);
  size_t used = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    Built e = children[i].last;
    e.bytes.push_back(0);
    e.bytes.resize(e.bytes.size() + format::kIndexChildSize - 1);
    uint32_t child = children[i].number;
    for (size_t k = 0; k < 4; ++k) {
      e.bytes[e.bytes.size() - 4 + k] = static_cast<uint8_t>(child >> (24 - 8 * k));
    }
    bool last_child = i + 1 == children.size();
    if (used + e.bytes.size() > format::kIndexMaxEntryBytes || last_child) {
      // Child i becomes the tail, unless it is the only child of the node.
      Draft& d = nodes.back();
      if (d.entries.empty()) {
        d.entries.push_back(e);
      } else {
        d.tail = child;
      }
      d.last = children[i].last;
      children[i].parent = nodes.size() - 1;
      if (!last_child) {
        nodes.emplace_back();
        used = 0;
      }
      continue;
    }
    nodes.back().entries.push_back(e);
    nodes.back().last = children[i].last;
    children[i].parent = nodes.size() - 1;
    used += e.bytes.size();
  }
  return nodes;
}

}  // namespace

std::vector<IndexEntry> ReadIndexEntries(PageCache& pages, const TableDef& table,
                                         const Index& index) {
  std::unordered_set<uint32_t> seen;
  PageRef page = IndexPage(pages, index.root_page, table.tdef_page);
  while (page->type() == format::kPageIndexNode) {
    if (!seen.insert(page->number).second) RaiseCorrupt(page->number, "index loops");
    auto entries = PageEntries(*page);
    uint32_t child = entries.empty()
                         ? LoadU32(&page->bytes[format::kIndexTailOffset])
                         : (entries.front().size() < 8
                                ? 0
                                : LoadBigEndian(entries.front().data() +
                                                    entries.front().size() - 4, 4));
    page = IndexPage(pages, child, page->number);
  }
  std::vector<IndexEntry> result;
  while (true) {
    if (!seen.insert(page->number).second) RaiseCorrupt(page->number, "index loops");
    for (const auto& e : PageEntries(*page)) {
      if (e.size() < format::kIndexRowIdSize) {
        RaiseCorrupt(page->number, "index entry shorter than its row id");
      }
      size_t k = e.size() - format::kIndexRowIdSize;
      result.push_back({std::vector<uint8_t>(e.begin(), e.begin() + static_cast<long>(k)),
                        RowLocation{LoadBigEndian(&e[k], 3), e[k + 3]}});
    }
    uint32_t next = LoadU32(&page->bytes[format::kIndexNextOffset]);
    if (next == 0) break;
    page = IndexPage(pages, next, page->number);
    if (page->type() != format::kPageIndexLeaf) {
      RaiseCorrupt(page->number, "index leaf chain leads to a node page");
    }
  }
  return result;
}

bool IsNullKey(const std::vector<uint8_t>& key, size_t columns) {
  return key.size() == columns &&
         std::all_of(key.begin(), key.end(), [](uint8_t b) {
           return b == format::kKeyNull || b == 0xFF;
         });
}

void WriteIndex(PageCache& pages, const TableDef& table, const Index& index,
                const std::set<IndexEntry>& entries) {
  std::vector<Built> built;
  built.reserve(entries.size());
  for (const IndexEntry& e : entries) {
    Built b{e.key, e.key.size()};
    for (size_t k = 3; k-- > 0;) b.bytes.push_back(static_cast<uint8_t>(e.row.page >> (8 * k)));
    b.bytes.push_back(static_cast<uint8_t>(e.row.slot));
    built.push_back(std::move(b));
  }

  std::vector<std::vector<Draft>> levels{PackLeaves(built)};
  std::vector<uint32_t> pool;
  for (uint32_t p : ReadUsageMap(pages, index.page_map, table.tdef_page)) {
    if (p != index.root_page) pool.push_back(p);
  }
  size_t used = 0;
  auto assign = [&](Draft& d) {
    if (used < pool.size()) {
      d.number = pool[used++];
      return;
    }
    Page fresh;
    fresh.bytes[format::kPageTypeOffset] = format::kPageIndexLeaf;
    d.number = AppendPage(pages, fresh);
    if (!SetUsageBit(pages, index.page_map, table.tdef_page, d.number, true)) {
      RaiseInvalidArgument("cannot update index " +
                           std::string(index.name.begin(), index.name.end()) +
                           ": its page map cannot list page " + std::to_string(d.number));
    }
  };
  while (levels.back().size() > 1) {
    for (Draft& d : levels.back()) assign(d);
    levels.push_back(PackNodes(levels.back()));
  }
  levels.back().front().number = index.root_page;
  for (size_t l = 0; l < levels.size(); ++l) {
    auto& level = levels[l];
    for (size_t i = 0; i < level.size(); ++i) {
      // Leaves are all chained; nodes only among children of one parent.
      bool linked_prev = i > 0 && (l == 0 || level[i - 1].parent == level[i].parent);
      bool linked_next = i + 1 < level.size() &&
                         (l == 0 || level[i + 1].parent == level[i].parent);
      Page page;
      page.number = level[i].number;
      Render(level[i], l == 0, table.tdef_page,
             linked_prev ? level[i - 1].number : 0,
             linked_next ? level[i + 1].number : 0, page);
      pages.Write(page);
    }
  }
  for (size_t k = used; k < pool.size(); ++k) {
    SetUsageBit(pages, index.page_map, table.tdef_page, pool[k], false);
    FreePage(pages, pool[k]);
  }
}

}  // namespace jet
