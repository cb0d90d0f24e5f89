// Rows to CSV in the style of mdb-export: numbers bare, text, dates and
// binary quoted (binary as upper-case hex), quotes doubled, UTF-8.
#ifndef TOOLS_ATTRDB_CSV_WRITER_H_
#define TOOLS_ATTRDB_CSV_WRITER_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "db/jet/read/row.h"
#include "db/jet/read/table_def.h"

namespace attrdb {

class CsvWriter {
 public:
  // Writes to `out`; a null value becomes `null_text`.
  CsvWriter(std::FILE* out, const jet::TableDef& table, std::string null_text);
  ~CsvWriter();

  // The header line: the column names.
  void WriteHeader();
  // One line for `row`. Raises jet::Error for a damaged value.
  void WriteRow(const jet::Row& row);
  // Writes out what is buffered.
  void Flush();

 private:
  // Room for `n` more bytes at the end of the buffer.
  char* Reserve(size_t n);
  void Append(std::string_view s);
  void AppendQuoted(std::u16string_view text);
  void AppendValue(const jet::Row& row, size_t column);

  std::FILE* out_;
  const jet::TableDef& table_;
  std::string null_text_;
  std::string buffer_;      // its first used_ bytes are pending output
  size_t used_ = 0;
  std::u16string text_;     // reused for text values
};

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_CSV_WRITER_H_
