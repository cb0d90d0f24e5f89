// Reading the UTF-8 CSV files the import takes: fields separated by commas,
// quoted with double quotes (a doubled quote inside), lines ended by LF or
// CR LF, a byte-order mark at the start skipped, blank lines skipped.
#ifndef ATTRIBUTION_CSV_READER_H_
#define ATTRIBUTION_CSV_READER_H_

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace attribution {

// Bad input, its message naming the file and line: "<file>:<line>: <what>"
// (or "<file>: <what>" for the file as a whole).
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CsvReader {
 public:
  // Reads the whole file at `path`. Raises InputError "<path>: cannot be
  // read (<reason>)" when it cannot be read.
  explicit CsvReader(const std::filesystem::path& path);

  // Reads the next record into `fields` (the fields' bytes as written,
  // quotes removed); returns false at the end of the file. Raises
  // InputError "<file>:<line>: quoted field not closed" and "<file>:<line>:
  // text after a closing quote".
  bool Next(std::vector<std::string>& fields);

  // The lines from the reading position to the end of the file (a last
  // line without LF counts), an upper bound on the records left, for
  // reserving room.
  size_t LinesLeft() const;

  // The line on which the last record began (1 for the first line).
  int line() const { return record_line_; }
  // The file's name as given, for messages.
  const std::string& name() const { return name_; }
  // "<file>:<line>: <what>", for the last record.
  InputError Error(const std::string& what) const;

 private:
  std::string name_;
  std::string text_;
  size_t pos_ = 0;
  int next_line_ = 1;
  int record_line_ = 0;
};

}  // namespace attribution

#endif  // ATTRIBUTION_CSV_READER_H_
