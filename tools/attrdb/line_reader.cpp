// Block-wise line reading from a descriptor; a line longer than the block makes
// the block grow.
#include "tools/attrdb/line_reader.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/descriptor.h"

namespace attrdb {
namespace {

// A short input is read into a small block; one that fills it, into a large one.
constexpr size_t kFirstBlockBytes = size_t{1} << 12;
constexpr size_t kBlockBytes = size_t{1} << 18;

}  // namespace

LineReader::LineReader(int fd) : fd_(fd), buffer_(kFirstBlockBytes) {}

bool LineReader::Ready() {
  if (eof_ || std::memchr(buffer_.data() + begin_, '\n', end_ - begin_) != nullptr) return true;
  return platform::InputWaiting(fd_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size() ||
      (buffer_.size() < kBlockBytes && bytes_read_ + end_ >= kFirstBlockBytes)) {
    buffer_.resize(std::max(buffer_.size() * 2, kBlockBytes));
  }
  if (before_waiting_ && !platform::InputWaiting(fd_)) before_waiting_();
  size_t n;
  try {
    n = platform::ReadSome(fd_, buffer_.data() + end_, buffer_.size() - end_);
  } catch (const std::system_error& e) {
    throw std::system_error(e.code(), "reading the input");
  }
  if (n == 0) {
    eof_ = true;
    return false;
  }
  end_ += n;
  return true;
}

bool LineReader::Next(std::string_view& line) {
  size_t scanned = begin_;  // bytes before it are known to hold no LF
  while (true) {
    const char* start = buffer_.data() + begin_;
    const void* lf = std::memchr(buffer_.data() + scanned, '\n', end_ - scanned);
    if (lf != nullptr) {
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - start);
      begin_ += length + 1;
      bytes_read_ += length + 1;
      if (length > 0 && start[length - 1] == '\r') --length;
      line = std::string_view(start, length);
      return true;
    }
    const size_t pending = end_ - begin_;
    if (!Fill()) {
      if (pending == 0) return false;
      line = std::string_view(buffer_.data() + begin_, pending);
      if (line.back() == '\r') line.remove_suffix(1);
      begin_ = end_;
      bytes_read_ += pending;
      return true;
    }
    scanned = begin_ + pending;
  }
}

}  // namespace attrdb
