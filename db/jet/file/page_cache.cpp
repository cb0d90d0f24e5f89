// The bounded page cache: least recently used pages leave first.
#include "db/jet/file/page_cache.h"

#include <algorithm>
#include <string>

#include "db/jet/format/error.h"

namespace jet {

PageCache::PageCache(PageFile& file, size_t capacity)
    : file_(file), capacity_(capacity == 0 ? 1 : capacity) {
  entries_.reserve(std::min<size_t>(capacity_, 1 << 16));
  Reset();
}

void PageCache::Reset() {
  entries_.clear();
  lru_.clear();
  uint64_t pages = file_.Size() / format::kPageSize;
  page_count_ = pages > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(pages);
}

PageRef PageCache::Get(uint32_t number) {
  auto it = entries_.find(number);
  if (it != entries_.end()) {
    if (it->second.lru != lru_.begin()) {
      lru_.splice(lru_.begin(), lru_, it->second.lru);
    }
    return it->second.page;
  }
  if (number >= page_count_) {
    RaiseCorrupt(number, "page number beyond the end of the file (" +
                             std::to_string(page_count_) + " pages)");
  }
  std::shared_ptr<Page> page = Room();
  page->number = number;
  size_t got = file_.ReadAt(uint64_t{number} * format::kPageSize,
                            page->bytes.data(), format::kPageSize);
  if (got != format::kPageSize) {
    RaiseCorrupt(number, "the file ends inside the page");
  }
  PageRef ref = page;
  Insert(std::move(page));
  return ref;
}

std::shared_ptr<Page> PageCache::Room() {
  if (entries_.size() < capacity_) return std::make_shared<Page>();
  auto victim = entries_.find(lru_.back());
  std::shared_ptr<Page> page = std::move(victim->second.page);
  entries_.erase(victim);
  lru_.pop_back();
  // Held elsewhere: the holder keeps it, and this page gets another.
  if (page.use_count() != 1) page = std::make_shared<Page>();
  return page;
}

void PageCache::Insert(std::shared_ptr<Page> page) {
  uint32_t number = page->number;
  lru_.push_front(number);
  entries_.emplace(number, Entry{std::move(page), lru_.begin()});
}

void PageCache::Write(const Page& page) {
  if (page.number > page_count_) {
    RaiseInvalidArgument("page " + std::to_string(page.number) +
                         " lies beyond the end of the file (" +
                         std::to_string(page_count_) + " pages)");
  }
  file_.WriteAt(uint64_t{page.number} * format::kPageSize, page.bytes.data(),
                format::kPageSize);
  if (page.number == page_count_) ++page_count_;
  auto it = entries_.find(page.number);
  if (it != entries_.end()) {
    if (it->second.page.use_count() == 1) {
      // Only the cache holds the old bytes: they are replaced in place.
      *it->second.page = page;
      lru_.splice(lru_.begin(), lru_, it->second.lru);
      return;
    }
    lru_.erase(it->second.lru);
    entries_.erase(it);
  }
  std::shared_ptr<Page> copy = Room();
  *copy = page;
  Insert(std::move(copy));
}

PageRef PageCache::GetTyped(uint32_t number, uint8_t type, const char* what) {
  PageRef page = Get(number);
  if (page->type() != type) {
    RaiseCorrupt(number, "expected " + std::string(what) + " (type " +
                             std::to_string(type) + "), found type " +
                             std::to_string(page->type()));
  }
  return page;
}

}  // namespace jet
