// Changing an index entry by entry: leaves edited, split and dropped, the
// nodes above rebuilt (jet4-format.md sections 13.3 and 13.6).
#include "db/jet/write/index_writer.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_set>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/format/format.h"
#include "db/jet/read/index_page.h"
#include "db/jet/read/usage_map.h"
#include "db/jet/write/usage_map_writer.h"

namespace jet {
namespace {

// Entries a leaf may collect in memory before it is halved; a page holds
// at most 3616 / 5 of them.
constexpr size_t kMaxHeldEntries = 1024;

// An entry as a page stores it: its key, then the row id and, in nodes,
// the child page. The key's bytes belong to the editor (or the caller).
struct Built {
  const uint8_t* key = nullptr;
  size_t key_length = 0;
  std::array<uint8_t, format::kIndexRowIdSize + format::kIndexChildSize> tail{};
  size_t tail_length = 0;
  size_t size() const { return key_length + tail_length; }
};

Built MakeBuilt(std::span<const uint8_t> key, RowLocation row) {
  Built b{key.data(), key.size(), {}, format::kIndexRowIdSize};
  b.tail[0] = static_cast<uint8_t>(row.page >> 16);
  b.tail[1] = static_cast<uint8_t>(row.page >> 8);
  b.tail[2] = static_cast<uint8_t>(row.page);
  b.tail[3] = static_cast<uint8_t>(row.slot);
  return b;
}

size_t CommonPrefix(const Built& a, const Built& b) {
  size_t n = std::min(a.key_length, b.key_length), i = 0;
  while (i < n && a.key[i] == b.key[i]) ++i;
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
  uint8_t* out = b + format::kIndexEntriesOffset;
  for (size_t i = 0; i < d.entries.size(); ++i) {
    const Built& e = d.entries[i];
    // Entries between the first and the last share their common prefix.
    size_t skip = i == 0 ? 0 : prefix;
    if (e.key_length > skip) std::memcpy(out + at, e.key + skip, e.key_length - skip);
    at += e.key_length - skip;
    std::memcpy(out + at, e.tail.data(), e.tail_length);
    at += e.tail_length;
    b[format::kIndexBitmapOffset + at / 8] |= static_cast<uint8_t>(1u << (at % 8));
  }
  StoreU16(b + format::kIndexFreeSpaceOffset,
           static_cast<uint16_t>(format::kPageSize - format::kIndexEntriesOffset - at));
}

// Leaves packed greedily up to the page limit, with the shared prefix.
std::vector<Draft> PackLeaves(std::span<const Built> entries,
                              size_t limit = format::kIndexMaxEntryBytes) {
  std::vector<Draft> drafts(1);
  size_t total = 0;
  for (const Built& e : entries) {
    Draft& d = drafts.back();
    if (!d.entries.empty()) {
      size_t p = CommonPrefix(d.entries.front(), e);
      size_t size = total + e.size() - (d.entries.size()) * p;
      if (size > limit) {
        drafts.emplace_back();
        total = 0;
      }
    }
    drafts.back().entries.push_back(e);
    drafts.back().last = e;
    total += e.size();
  }
  return drafts;
}

// The sizes of the leaves a leaf that outgrew its page splits into: as few
// as will do, of about equal size, so that the next insertions find room.
// One size when it fits its page.
std::vector<size_t> SplitLeaf(std::span<const Built> entries) {
  auto sizes = [](const std::vector<Draft>& drafts) {
    std::vector<size_t> counts;
    for (const Draft& d : drafts) counts.push_back(d.entries.size());
    return counts;
  };
  std::vector<Draft> parts = PackLeaves(entries);
  if (parts.size() == 1) return sizes(parts);
  size_t total = 0;
  for (const Built& e : entries) total += e.size();
  for (size_t share = total / parts.size() + 1;; share += 64) {
    std::vector<Draft> even = PackLeaves(entries, std::min(share, format::kIndexMaxEntryBytes));
    if (even.size() == parts.size()) return sizes(even);
  }
}

// One level of nodes over `children`: entries for all but each node's last
// child, which is its tail.
std::vector<Draft> PackNodes(std::vector<Draft>& children) {
  std::vector<Draft> nodes(1);
  size_t used = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    Built e = children[i].last;
    uint32_t child = children[i].number;
    for (size_t k = 0; k < format::kIndexChildSize; ++k) {
      e.tail[e.tail_length + k] = static_cast<uint8_t>(child >> (24 - 8 * k));
    }
    e.tail_length += format::kIndexChildSize;
    bool last_child = i + 1 == children.size();
    if (used + e.size() > format::kIndexMaxEntryBytes || last_child) {
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
    used += e.size();
  }
  return nodes;
}

}  // namespace

void FormatEmptyLeaf(Page& page, uint32_t tdef_page) {
  Render(Draft{}, true, tdef_page, 0, 0, page);
}

IndexEditor::IndexEditor(PageCache& pages, const TableDef& table, const Index& index)
    : pages_(pages), table_(table), index_(index) {
  for (IndexLeaf& leaf : ReadIndexLeaves(pages, table, index, true)) {
    Leaf l;
    l.page = leaf.page;
    if (!leaf.entries.empty()) l.last = Hold(leaf.entries.back().key, leaf.entries.back().row);
    leaves_.push_back(std::move(l));
  }
  std::unordered_set<uint32_t> leaf_pages;
  for (const Leaf& leaf : leaves_) leaf_pages.insert(leaf.page);
  for (uint32_t p : ReadUsageMap(pages, index.page_map, table.tdef_page)) {
    if (p == index.root_page || leaf_pages.count(p)) continue;
    uint8_t type = pages.Get(p)->type();
    if (type == format::kPageIndexNode || type == format::kPageIndexLeaf) spare_.push_back(p);
  }
}

std::strong_ordering IndexEditor::Order(const Held& a, std::span<const uint8_t> key,
                                        RowLocation row) const {
  const size_t n = std::min<size_t>(a.key_length, key.size());
  const int c = n == 0 ? 0 : std::memcmp(KeyOf(a).data(), key.data(), n);
  if (c != 0) return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
  if (a.key_length != key.size()) return a.key_length <=> key.size();
  return a.row() <=> row;
}

IndexEditor::Held IndexEditor::Hold(std::span<const uint8_t> key, RowLocation row) {
  constexpr size_t kBlock = size_t{1} << kKeyBlockBits;
  // A key is at most a page long, far less than a block.
  if (key.size() > format::kPageSize) RaiseInvalidArgument("index key too long");
  if (key_block_used_ + key.size() > kBlock) {
    if (keys_.size() >= (size_t{1} << (32 - kKeyBlockBits))) {
      RaiseInvalidArgument("too many index entries changed in one batch");
    }
    keys_.push_back(std::make_unique_for_overwrite<uint8_t[]>(kBlock));
    key_block_used_ = 0;
  }
  Held h;
  h.key_at = static_cast<uint32_t>(((keys_.size() - 1) << kKeyBlockBits) | key_block_used_);
  h.key_length = static_cast<uint16_t>(key.size());
  h.page = row.page;
  h.slot = row.slot;
  if (!key.empty()) std::memcpy(keys_.back().get() + key_block_used_, key.data(), key.size());
  key_block_used_ += key.size();
  return h;
}

std::vector<IndexEditor::Held>::iterator IndexEditor::LowerBound(std::vector<Held>& entries,
                                                                  const IndexEntry& e) const {
  return std::lower_bound(entries.begin(), entries.end(), e,
                          [&](const Held& h, const IndexEntry& x) {
                            return Order(h, x.key, x.row) < 0;
                          });
}

size_t IndexEditor::LeafFor(const IndexEntry& e) const {
  // The first leaf whose last entry is not below `e`, else the last leaf.
  size_t lo = 0, hi = leaves_.size() - 1;
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (leaves_[mid].last && Order(*leaves_[mid].last, e.key, e.row) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

std::vector<IndexEditor::Held>& IndexEditor::Entries(size_t l) {
  Leaf& leaf = leaves_[l];
  if (!leaf.loaded) {
    PageRef page = pages_.Get(leaf.page);
    read_.clear();
    ends_.clear();
    AppendIndexPageEntries(*page, read_, ends_);
    leaf.entries.reserve(ends_.size());
    size_t at = 0;
    for (size_t end : ends_) {
      if (end - at < format::kIndexRowIdSize) {
        RaiseCorrupt(page->number, "index entry shorter than its row id");
      }
      const size_t key_end = end - format::kIndexRowIdSize;
      leaf.entries.push_back(Hold(std::span<const uint8_t>(read_.data() + at, key_end - at),
                                  RowLocation{LoadBigEndian(&read_[key_end], 3),
                                              read_[key_end + 3]}));
      at = end;
    }
    leaf.loaded = true;
  }
  return leaf.entries;
}

void IndexEditor::Touched(size_t l) {
  Leaf& leaf = leaves_[l];
  leaf.dirty = true;
  if (leaf.entries.empty()) {
    leaf.last.reset();
  } else {
    leaf.last = leaf.entries.back();
  }
}

bool IndexEditor::Contains(const IndexEntry& e) {
  auto& entries = Entries(LeafFor(e));
  auto it = LowerBound(entries, e);
  return it != entries.end() && Order(*it, e.key, e.row) == 0;
}

bool IndexEditor::KeyHeldByOther(const std::vector<uint8_t>& key, RowLocation row) {
  IndexEntry probe{key, RowLocation{}};
  for (size_t l = LeafFor(probe); l < leaves_.size(); ++l) {
    auto& entries = Entries(l);
    for (auto it = LowerBound(entries, probe); it != entries.end(); ++it) {
      auto held = KeyOf(*it);
      if (!std::equal(held.begin(), held.end(), key.begin(), key.end())) return false;
      if (it->row() != row) return true;
    }
  }
  return false;
}

void IndexEditor::Remove(const IndexEntry& e) {
  size_t l = LeafFor(e);
  auto& entries = Entries(l);
  auto it = LowerBound(entries, e);
  assert(it != entries.end() && Order(*it, e.key, e.row) == 0);
  entries.erase(it);
  Touched(l);
  if (entries.empty() && leaves_.size() > 1) {
    // An empty leaf leaves the tree; its neighbours are linked anew.
    spare_.push_back(leaves_[l].page);
    leaves_.erase(leaves_.begin() + static_cast<long>(l));
    if (l > 0) leaves_[l - 1].dirty = true;
    if (l < leaves_.size()) leaves_[l].dirty = true;
  }
}

void IndexEditor::Insert(IndexEntry e) {
  size_t l = LeafFor(e);
  auto& entries = Entries(l);
  auto at = std::upper_bound(entries.begin(), entries.end(), e,
                             [&](const IndexEntry& x, const Held& h) {
                               return Order(h, x.key, x.row) > 0;
                             });
  const auto position = at - entries.begin();
  Held held = Hold(e.key, e.row);
  entries.insert(entries.begin() + position, held);
  Touched(l);
  HalveIfCrowded(l);
}

void IndexEditor::Append(std::span<const uint8_t> key, RowLocation row) {
  const size_t l = leaves_.size() - 1;
  auto& entries = Entries(l);
  assert(entries.empty() || Order(entries.back(), key, row) < 0);
  entries.push_back(Hold(key, row));
  Touched(l);
  HalveIfCrowded(l);
}

void IndexEditor::HalveIfCrowded(size_t l) {
  std::vector<Held>& entries = leaves_[l].entries;
  if (entries.size() > kMaxHeldEntries) {
    // More than a page can hold in any case: halve it now, so that many
    // insertions into one leaf do not each move all its entries.
    Leaf right;
    right.loaded = true;
    right.entries.assign(entries.begin() + static_cast<long>(entries.size() / 2),
                         entries.end());
    entries.resize(entries.size() / 2);
    entries.shrink_to_fit();  // else many halved leaves keep twice the room they use
    Touched(l);
    leaves_.insert(leaves_.begin() + static_cast<long>(l) + 1, std::move(right));
    Touched(l + 1);
  }
}

uint32_t IndexEditor::TakePage(PageCache& pages) {
  if (!spare_.empty()) {
    uint32_t p = spare_.back();
    spare_.pop_back();
    return p;
  }
  Page fresh;
  fresh.bytes[format::kPageTypeOffset] = format::kPageIndexLeaf;
  uint32_t number = AppendPage(pages, fresh);
  AddToUsageMap(pages, index_.page_map, table_.tdef_page, number);
  return number;
}

void IndexEditor::Write(PageCache& pages) {
  // Split the leaves that outgrew their page (section 13.6).
  std::vector<Built> built;
  for (size_t l = 0; l < leaves_.size(); ++l) {
    if (!leaves_[l].dirty) continue;
    if (!leaves_[l].loaded) continue;  // as it was read: it fits
    built.clear();
    for (const Held& e : leaves_[l].entries) built.push_back(MakeBuilt(KeyOf(e), e.row()));
    std::vector<size_t> parts = SplitLeaf(built);
    if (parts.size() == 1) continue;
    std::vector<Leaf> split;
    size_t at = 0;
    for (size_t count : parts) {
      Leaf leaf;
      leaf.page = split.empty() ? leaves_[l].page : 0;
      leaf.loaded = true;
      leaf.dirty = true;
      leaf.entries.assign(leaves_[l].entries.begin() + static_cast<long>(at),
                          leaves_[l].entries.begin() + static_cast<long>(at + count));
      leaf.last = leaf.entries.back();
      at += count;
      split.push_back(std::move(leaf));
    }
    leaves_.erase(leaves_.begin() + static_cast<long>(l));
    leaves_.insert(leaves_.begin() + static_cast<long>(l), split.begin(), split.end());
    if (l + split.size() < leaves_.size()) leaves_[l + split.size()].dirty = true;
    l += split.size() - 1;
  }
  // The root page holds the only leaf, or the top node over several.
  if (leaves_.size() == 1) {
    if (leaves_[0].page != index_.root_page) {
      spare_.push_back(leaves_[0].page);
      leaves_[0].page = index_.root_page;
      leaves_[0].dirty = true;
    }
  } else {
    for (Leaf& leaf : leaves_) {
      if (leaf.page == index_.root_page || leaf.page == 0) {
        leaf.page = 0;
        leaf.dirty = true;
      }
    }
  }
  for (size_t l = 0; l < leaves_.size(); ++l) {
    if (leaves_[l].page != 0) continue;
    leaves_[l].page = TakePage(pages);
    if (l > 0) leaves_[l - 1].dirty = true;
    if (l + 1 < leaves_.size()) leaves_[l + 1].dirty = true;
  }
  auto write_if_changed = [&](const Page& page) {
    if (page.number < pages.PageCount() && pages.Get(page.number)->bytes == page.bytes) {
      return;
    }
    pages.Write(page);
  };
  std::vector<Draft> level(leaves_.size());
  Draft draft;
  Page leaf_page;
  for (size_t l = 0; l < leaves_.size(); ++l) {
    level[l].number = leaves_[l].page;
    if (leaves_[l].last) {
      level[l].last = MakeBuilt(KeyOf(*leaves_[l].last), leaves_[l].last->row());
    }
    if (!leaves_[l].dirty) continue;
    draft.entries.clear();
    for (const Held& e : Entries(l)) draft.entries.push_back(MakeBuilt(KeyOf(e), e.row()));
    leaf_page.number = leaves_[l].page;
    Render(draft, true, table_.tdef_page, l > 0 ? leaves_[l - 1].page : 0,
           l + 1 < leaves_.size() ? leaves_[l + 1].page : 0, leaf_page);
    write_if_changed(leaf_page);
    leaves_[l].dirty = false;
  }
  // Nodes are rebuilt over the leaves; unchanged ones are not written.
  std::vector<uint32_t> node_pages = std::move(spare_);
  spare_.clear();
  std::sort(node_pages.begin(), node_pages.end(), std::greater<>());
  bool first_level = true;
  while (level.size() > 1) {
    if (!first_level) {
      for (Draft& d : level) {
        if (node_pages.empty()) node_pages.push_back(TakePage(pages));
        d.number = node_pages.back();
        node_pages.pop_back();
      }
    }
    std::vector<Draft> nodes = PackNodes(level);
    if (!first_level) {
      for (size_t i = 0; i < level.size(); ++i) {
        bool prev = i > 0 && level[i - 1].parent == level[i].parent;
        bool next = i + 1 < level.size() && level[i + 1].parent == level[i].parent;
        Page page;
        page.number = level[i].number;
        Render(level[i], false, table_.tdef_page, prev ? level[i - 1].number : 0,
               next ? level[i + 1].number : 0, page);
        write_if_changed(page);
      }
    }
    level = std::move(nodes);
    first_level = false;
  }
  if (!first_level) {
    Page page;
    page.number = index_.root_page;
    Render(level.front(), false, table_.tdef_page, 0, 0, page);
    write_if_changed(page);
  }
  for (uint32_t p : node_pages) {
    SetUsageBit(pages, index_.page_map, table_.tdef_page, p, false);
    FreePage(pages, p);
  }
}

}  // namespace jet
