// Reading the UTF-8 CSV files the import takes: fields separated by commas,
// quoted with double quotes (a doubled quote inside), lines ended by LF or
// CR LF, a byte-order mark at the start skipped, blank lines skipped.
#ifndef ATTRIBUTION_CSV_READER_H_
#define ATTRIBUTION_CSV_READER_H_

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
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
  // Opens the file at `path`, to be read in blocks of `block_bytes` (a
  // record longer than a block is read whole all the same), named in
  // messages as `name` (the path when empty). Raises InputError
  // "<name>: cannot be read (<reason>)" when it cannot be read.
  explicit CsvReader(const std::filesystem::path& path, size_t block_bytes = size_t{1} << 20,
                     const std::string& name = {});

  // Reads the next record into `fields` (the fields' bytes as written,
  // quotes removed); returns false at the end of the file. Raises
  // InputError "<file>:<line>: quoted field not closed", "<file>:<line>:
  // text after a closing quote" and "<file>: cannot be read (<reason>)".
  bool Next(std::vector<std::string>& fields);
  // The same with the fields as views into the reader's buffer, valid until
  // the next call.
  bool Next(std::vector<std::string_view>& fields);

  // About how many lines the file holds, told from its size and the
  // lines of its first block (exact when the file is one block), for
  // reserving room.
  size_t EstimatedLines() const { return estimated_lines_; }

  // The line on which the last record began (1 for the first line).
  int line() const { return record_line_; }
  // The file's name as given, for messages.
  const std::string& name() const { return name_; }
  // "<file>:<line>: <what>", for the last record.
  InputError Error(const std::string& what) const;

 private:
  // Makes the unread bytes hold a line's end outside quotes, or the rest
  // of the file: a record parsed from them then never runs past the block.
  void EnsureLine();
  // Moves the unread bytes to the front of the buffer (growing it when
  // they fill it) and reads more behind them; sets at_end_ at the end of
  // the file.
  void Fill();
  [[noreturn]] void CannotRead() const;

  std::string name_;
  std::ifstream in_;
  std::string buffer_;  // bytes [pos_, end_) are read and not yet parsed
  size_t pos_ = 0;
  size_t end_ = 0;
  bool at_end_ = false;  // the buffer holds the rest of the file
  size_t estimated_lines_ = 0;
  int next_line_ = 1;
  int record_line_ = 0;
};

}  // namespace attribution

#endif  // ATTRIBUTION_CSV_READER_H_
