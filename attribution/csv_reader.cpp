// The CSV reader of the import.
#include "attribution/csv_reader.h"
#include "platform/path_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace attribution {

CsvReader::CsvReader(const std::filesystem::path& path, size_t block_bytes,
                     const std::string& name)
    : name_(name.empty() ? platform::Utf8Of(path) : name) {
  // The file is read a block at a time into one buffer: the import reads
  // files of some tens of megabytes, which need not be held whole.
  in_.open(path, std::ios::binary);
  if (!in_ || std::filesystem::is_directory(path)) CannotRead();
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  buffer_.resize(std::max<size_t>(block_bytes, 16));
  Fill();
  if (end_ >= 3 && buffer_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
  const size_t lines =
      static_cast<size_t>(std::count(buffer_.data() + pos_, buffer_.data() + end_, '\n'));
  if (at_end_) {
    estimated_lines_ = lines + (end_ > pos_ && buffer_[end_ - 1] != '\n');
  } else if (!error && end_ > 0) {
    // A little over: lines vary in length, and room reserved but not used
    // costs less than a vector grown again.
    estimated_lines_ = static_cast<size_t>(1.05 * static_cast<double>(size) *
                                           static_cast<double>(lines) / static_cast<double>(end_)) +
                       16;
  }
}

void CsvReader::CannotRead() const {
  throw InputError(name_ + ": cannot be read (" + std::strerror(errno ? errno : EIO) + ")");
}

void CsvReader::Fill() {
  if (at_end_) return;
  std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
  end_ -= pos_;
  pos_ = 0;
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // one long record
  in_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
  if (in_.bad()) CannotRead();
  const auto got = static_cast<size_t>(in_.gcount());
  end_ += got;
  if (in_.eof() || got == 0) at_end_ = true;
}

void CsvReader::EnsureLine() {
  // Follows the quoting as Next does: a field that starts with a quote runs
  // to its closing quote (a doubled one stays inside), over line ends.
  enum class State { kFieldStart, kUnquoted, kQuoted, kAfterClose };
  State state = State::kFieldStart;
  size_t scan = pos_;
  while (true) {
    const char* p = buffer_.data() + scan;
    const char* end = buffer_.data() + end_;
    if (state == State::kFieldStart && p < end) {
      // Most lines hold no quote: their end is the first LF.
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (lf && !std::memchr(p, '"', static_cast<size_t>(lf - p))) return;
    }
    for (; p < end; ++p) {
      const char c = *p;
      switch (state) {
        case State::kFieldStart:
        case State::kUnquoted:
          if (c == '\n') return;
          state = c == ',' ? State::kFieldStart
                  : (c == '"' && state == State::kFieldStart) ? State::kQuoted
                                                              : State::kUnquoted;
          break;
        case State::kQuoted:
          if (c == '"') state = State::kAfterClose;
          break;
        case State::kAfterClose:
          if (c == '\n') return;
          state = c == '"' ? State::kQuoted : c == ',' ? State::kFieldStart : State::kUnquoted;
          break;
      }
    }
    if (at_end_) return;
    scan = static_cast<size_t>(p - buffer_.data()) - pos_;
    Fill();
    scan += pos_;
  }
}

InputError CsvReader::Error(const std::string& what) const {
  return InputError(name_ + ":" + std::to_string(record_line_) + ": " + what);
}

bool CsvReader::Next(std::vector<std::string>& fields) {
  std::vector<std::string_view> views;
  const bool found = Next(views);
  fields.assign(views.begin(), views.end());
  return found;
}

bool CsvReader::Next(std::vector<std::string_view>& fields) {
  fields.clear();
  // Blank lines between records count for the line numbers only.
  EnsureLine();
  while (pos_ < end_ && (buffer_[pos_] == '\n' ||
                         (buffer_[pos_] == '\r' && pos_ + 1 < end_ && buffer_[pos_ + 1] == '\n'))) {
    pos_ += buffer_[pos_] == '\r' ? 2 : 1;
    ++next_line_;
    EnsureLine();
  }
  char* text = buffer_.data();
  const size_t end = end_;
  if (pos_ >= end) return false;
  record_line_ = next_line_;
  while (true) {
    if (pos_ < end && text[pos_] == '"') {
      // The field's text, quotes taken out, is moved up in place over the
      // bytes already read.
      ++pos_;
      const size_t begin = pos_;
      size_t out = pos_;
      while (true) {
        const void* found = std::memchr(text + pos_, '"', end - pos_);
        if (!found) throw Error("quoted field not closed");
        const size_t quote = static_cast<size_t>(static_cast<const char*>(found) - text);
        for (size_t i = pos_; i < quote; ++i) next_line_ += text[i] == '\n';
        std::memmove(text + out, text + pos_, quote - pos_);
        out += quote - pos_;
        pos_ = quote + 1;
        if (pos_ < end && text[pos_] == '"') {
          text[out++] = '"';
          ++pos_;
          continue;
        }
        break;
      }
      if (pos_ < end && text[pos_] != ',' && text[pos_] != '\n' &&
          !(text[pos_] == '\r' && pos_ + 1 < end && text[pos_ + 1] == '\n')) {
        throw Error("text after a closing quote");
      }
      fields.emplace_back(text + begin, out - begin);
    } else {
      size_t stop = pos_;
      while (stop < end && text[stop] != ',' && text[stop] != '\n') ++stop;
      size_t field_end = stop;
      if (stop < end && text[stop] == '\n' && field_end > pos_ && text[field_end - 1] == '\r') {
        --field_end;
      }
      fields.emplace_back(text + pos_, field_end - pos_);
      pos_ = field_end;
      if (pos_ < end && text[pos_] == '\r') ++pos_;
    }
    if (pos_ < end && text[pos_] == ',') {
      ++pos_;
      continue;
    }
    if (pos_ < end && text[pos_] == '\r') ++pos_;  // CR LF after a quoted field
    if (pos_ < end) {
      ++pos_;  // the LF
      ++next_line_;
    }
    return true;
  }
}

}  // namespace attribution
