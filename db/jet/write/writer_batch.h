// What an open batch of the Writer has collected, shared by the files that
// implement the Writer (updates in writer.cpp, insertions in writer_insert.cpp).
#ifndef DB_JET_WRITE_WRITER_BATCH_H_
#define DB_JET_WRITE_WRITER_BATCH_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "db/jet/write/index_writer.h"
#include "db/jet/write/writer.h"

namespace jet {

// The index entries a batch moves, by table (TDEF page) and real index.
class Writer::Batch {
 public:
  // An index the batch changed.
  struct PendingIndex {
    std::shared_ptr<const TableDef> table;
    std::unique_ptr<IndexEditor> editor;
  };
  std::map<std::pair<uint32_t, uint32_t>, PendingIndex> indexes;
};

// The values of `index`'s key columns, in index order, taken by `value_of`
// (a position in table.columns to its value); sets `all_null` when every one
// is null. Raises kInvalidArgument "cannot update index <index> of <table>:
// it names a missing column".
std::vector<Value> IndexColumnValues(const TableDef& table, const Index& index,
                                     const std::function<Value(size_t)>& value_of,
                                     bool& all_null);

}  // namespace jet

#endif  // DB_JET_WRITE_WRITER_BATCH_H_
