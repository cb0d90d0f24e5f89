// Whole pages read from a PageFile, kept in a bounded cache. A page handed
// out stays valid for as long as the caller holds it, even after the cache
// drops it.
#ifndef DB_JET_FILE_PAGE_CACHE_H_
#define DB_JET_FILE_PAGE_CACHE_H_

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/format.h"
#include "db/jet/file/page_file.h"

namespace jet {

struct Page {
  uint32_t number = 0;
  std::array<uint8_t, format::kPageSize> bytes{};

  uint8_t type() const { return bytes[format::kPageTypeOffset]; }
  // A checked reader over the whole page.
  ByteReader Reader(const char* what) const {
    return ByteReader(bytes, number, what);
  }
};
using PageRef = std::shared_ptr<const Page>;

class PageCache {
 public:
  // `capacity` is the number of pages kept; at least 1.
  PageCache(PageFile& file, size_t capacity);

  PageFile& file() { return file_; }
  // Number of whole pages in the file, as of the last Reset (or creation).
  uint32_t PageCount() const { return page_count_; }
  // Page `number`. Raises kCorrupt "damaged database: page <n>: page number
  // beyond the end of the file (<count> pages)" when it does not exist, kIo
  // when the read fails.
  PageRef Get(uint32_t number);
  // Page `number`, checked to be of `type`; raises kCorrupt naming `what`
  // ("expected <what> (type <t>), found type <x>") otherwise.
  PageRef GetTyped(uint32_t number, uint8_t type, const char* what);
  // Writes `page` to the file and keeps it as the cached copy; page number
  // PageCount() appends a page. Pages and rows handed out earlier keep the
  // old bytes. Raises kReadOnly or kIo from the file, kInvalidArgument for a
  // page number beyond PageCount().
  void Write(const Page& page);
  // Drops every cached page and re-reads the page count from the file.
  void Reset();

 private:
  // Cached pages are made mutable so that a copy no one else holds can take
  // new bytes in place; callers see them const.
  struct Entry {
    std::shared_ptr<Page> page;
    std::list<uint32_t>::iterator lru;
  };
  // A page object for a page about to be cached: when the cache is full its
  // least recently used page leaves, and its object is used again when no
  // one else holds it.
  std::shared_ptr<Page> Room();
  void Insert(std::shared_ptr<Page> page);

  PageFile& file_;
  size_t capacity_;
  uint32_t page_count_ = 0;
  std::unordered_map<uint32_t, Entry> entries_;
  std::list<uint32_t> lru_;  // most recently used first
};

}  // namespace jet

#endif  // DB_JET_FILE_PAGE_CACHE_H_
