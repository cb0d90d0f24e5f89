// Lines of a file descriptor read in large blocks, for batch input of
// millions of lines: each line is a view into the block, nothing is copied
// unless a line crosses the end of a block.
#ifndef TOOLS_ATTRDB_LINE_READER_H_
#define TOOLS_ATTRDB_LINE_READER_H_

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace attrdb {

class LineReader {
 public:
  // Reads from `fd`, which stays open and owned by the caller.
  explicit LineReader(int fd);

  // The next line in `line`, valid until the next call: every byte up to
  // LF, one CR before the LF dropped; a last line without LF counts when it
  // is not empty. False at the end of the input. Raises std::system_error
  // when reading fails.
  bool Next(std::string_view& line);
  // Whether Next can start without waiting for the input: a whole line is
  // held, the input has ended, or more of it is waiting to be read.
  bool Ready();
  // Called before each read that would wait for the input, for example to
  // flush the answers given so far to whoever waits for them.
  void BeforeWaiting(std::function<void()> call) { before_waiting_ = std::move(call); }
  // Bytes consumed so far, for progress.
  uint64_t BytesRead() const { return bytes_read_; }

 private:
  // Moves the unread rest to the front and reads more after it; false when
  // nothing more came.
  bool Fill();

  int fd_;
  std::function<void()> before_waiting_;
  std::vector<char> buffer_;  // grows to a large block once the input is long
  size_t begin_ = 0;  // first unread byte
  size_t end_ = 0;    // end of the bytes read
  bool eof_ = false;
  uint64_t bytes_read_ = 0;
};

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_LINE_READER_H_
