// The compact rows of a result.
#include "db/sql/row_list.h"

#include <span>

namespace sql {

void RowList::push_back(const jet::Row& row) {
  const jet::PageRef& page = row.page();
  uint32_t index;
  if (!held_.empty() && held_.back() == page) {
    index = static_cast<uint32_t>(held_.size() - 1);
  } else {
    auto [it, fresh] =
        page_numbers_.try_emplace(page.get(), static_cast<uint32_t>(held_.size()));
    if (fresh) {
      held_.push_back(page);
      last_row_.push_back(0);
    }
    index = it->second;
  }
  const std::span<const uint8_t> bytes = row.bytes();
  last_row_[index] = static_cast<uint32_t>(rows_.size());
  rows_.push_back(Entry{index, row.location().page, row.location().slot,
                        static_cast<uint16_t>(bytes.data() - page->bytes.data()),
                        static_cast<uint16_t>(bytes.size())});
}

jet::Row RowList::operator[](size_t i) const {
  const Entry& e = rows_[i];
  const jet::PageRef& page = held_[e.page];
  return jet::Row::Decode(table_, pages_, page,
                          std::span<const uint8_t>(page->bytes.data() + e.offset, e.length),
                          jet::RowLocation{e.home_page, e.home_slot});
}

void RowList::ForgetBefore(size_t end) {
  for (; forgotten_ < end && forgotten_ < rows_.size(); ++forgotten_) {
    const uint32_t page = rows_[forgotten_].page;
    if (last_row_[page] != forgotten_) continue;
    page_numbers_.erase(held_[page].get());
    held_[page].reset();
  }
}

}  // namespace sql
