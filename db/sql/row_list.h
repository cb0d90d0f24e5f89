// The rows of a statement's result, held compactly: each page they lie on
// once, and for each row where on its page its bytes are. A jet::Row is
// made again when a row is asked for. A whole table of short rows costs 16
// bytes a row beside its pages, where kept jet::Row objects cost six times
// as much.
#ifndef DB_SQL_ROW_LIST_H_
#define DB_SQL_ROW_LIST_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/jet/file/page_cache.h"
#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"

namespace sql {

class RowList {
 public:
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = jet::Row;
    using difference_type = std::ptrdiff_t;
    using reference = jet::Row;
    using pointer = void;

    Iterator() = default;
    Iterator(const RowList* list, size_t i) : list_(list), i_(i) {}
    jet::Row operator*() const { return (*list_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++i_;
      return before;
    }
    bool operator==(const Iterator& other) const { return i_ == other.i_; }

   private:
    const RowList* list_ = nullptr;
    size_t i_ = 0;
  };

  RowList() = default;
  // Rows of `table` read through `pages`.
  RowList(std::shared_ptr<const jet::TableDef> table, jet::PageCache* pages)
      : table_(std::move(table)), pages_(pages) {}

  // Appends `row`, keeping the page it was read from.
  // REQUIRES: `row` is a row of the list's table read through its cache.
  void push_back(const jet::Row& row);

  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  // Row `i` as it stood when it was appended.
  // REQUIRES: i < size(), and row `i` is not forgotten (ForgetBefore).
  jet::Row operator[](size_t i) const;
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, rows_.size()); }

  // For a reader walking forward: the rows before `end` will not be asked
  // for again, so the pages that no later row lies on are let go. A walk
  // over a large result then holds only the part of it still ahead.
  void ForgetBefore(size_t end);

 private:
  struct Entry {
    uint32_t page = 0;       // in held_
    uint32_t home_page = 0;  // the row's location
    uint16_t home_slot = 0;
    uint16_t offset = 0;     // of its bytes in the page
    uint16_t length = 0;
  };

  std::shared_ptr<const jet::TableDef> table_;
  jet::PageCache* pages_ = nullptr;
  std::vector<jet::PageRef> held_;
  std::vector<uint32_t> last_row_;  // for each page in held_, its last row
  std::unordered_map<const jet::Page*, uint32_t> page_numbers_;  // into held_
  std::vector<Entry> rows_;
  size_t forgotten_ = 0;  // rows before this one are forgotten
};

}  // namespace sql

#endif  // DB_SQL_ROW_LIST_H_
