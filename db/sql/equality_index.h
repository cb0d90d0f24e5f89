// An in-memory index of one column of one table, built by a single scan:
// it maps the hash of each value to the rows holding it, in table order.
// Lookups give candidates; the caller checks each candidate row itself.
#ifndef DB_SQL_EQUALITY_INDEX_H_
#define DB_SQL_EQUALITY_INDEX_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/format/row_location.h"
#include "db/sql/column_value.h"

namespace sql {

class EqualityIndex {
 public:
  // Scans `table` once and indexes column `column` (a position in its
  // columns), whose class must be kText or kNumber. Null values are left
  // out. Raises jet::Error when the scan fails.
  static std::unique_ptr<EqualityIndex> Build(
      jet::Database& database, const std::shared_ptr<const jet::TableDef>& table,
      size_t column);

  // The hash under which a text value is indexed.
  static uint64_t TextKey(std::u16string_view text);
  // The hash under which a number is indexed.
  static uint64_t NumberKey(double number);

  // Appends to `out`, in table order, every row whose value has the hash
  // `key`; these include all rows with an equal value.
  void Candidates(uint64_t key, std::vector<jet::RowLocation>& out) const;

  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    uint64_t key;
    jet::RowLocation location;
    uint32_t next;  // index + 1 of the next entry of the bucket; 0 ends
  };
  std::vector<uint32_t> buckets_;  // index + 1 of the first entry; 0 empty
  std::vector<Entry> entries_;
  uint64_t mask_ = 0;
};

}  // namespace sql

#endif  // DB_SQL_EQUALITY_INDEX_H_
