// The CSV reader of the import.
#include "attribution/csv_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace attribution {

CsvReader::CsvReader(const std::filesystem::path& path) : name_(path.string()) {
  // The whole file in one read into a buffer of its size: the import reads
  // files of some tens of megabytes, and a stream grown piece by piece
  // copies them several times over.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  bool ok = in && !std::filesystem::is_directory(path);
  if (ok) {
    const std::streamoff size = in.tellg();
    ok = size >= 0 && static_cast<bool>(in.seekg(0));
    if (ok) {
      text_.resize(static_cast<size_t>(size));
      in.read(text_.data(), size);
      ok = !in.bad() && in.gcount() == size;
    }
  }
  if (!ok) {
    throw InputError(name_ + ": cannot be read (" + std::strerror(errno ? errno : EIO) + ")");
  }
  if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
}

size_t CsvReader::LinesLeft() const {
  size_t lines = 0;
  const char* p = text_.data() + pos_;
  const char* end = text_.data() + text_.size();
  while (p < end) {
    const void* found = std::memchr(p, '\n', static_cast<size_t>(end - p));
    ++lines;
    if (!found) break;
    p = static_cast<const char*>(found) + 1;
  }
  return lines;
}

InputError CsvReader::Error(const std::string& what) const {
  return InputError(name_ + ":" + std::to_string(record_line_) + ": " + what);
}

bool CsvReader::Next(std::vector<std::string>& fields) {
  // The strings of the last record are overwritten, keeping their storage.
  size_t count = 0;
  auto next_field = [&]() -> std::string& {
    if (count == fields.size()) fields.emplace_back();
    return fields[count++];
  };
  const size_t end = text_.size();
  // Blank lines between records count for the line numbers only.
  while (pos_ < end && (text_[pos_] == '\n' || (text_[pos_] == '\r' && pos_ + 1 < end &&
                                                text_[pos_ + 1] == '\n'))) {
    pos_ += text_[pos_] == '\r' ? 2 : 1;
    ++next_line_;
  }
  if (pos_ >= end) {
    fields.clear();
    return false;
  }
  record_line_ = next_line_;
  while (true) {
    std::string& field = next_field();
    field.clear();
    if (pos_ < end && text_[pos_] == '"') {
      ++pos_;
      while (true) {
        size_t quote = text_.find('"', pos_);
        if (quote == std::string::npos) throw Error("quoted field not closed");
        for (size_t i = pos_; i < quote; ++i) next_line_ += text_[i] == '\n';
        field.append(text_, pos_, quote - pos_);
        pos_ = quote + 1;
        if (pos_ < end && text_[pos_] == '"') {
          field.push_back('"');
          ++pos_;
          continue;
        }
        break;
      }
      if (pos_ < end && text_[pos_] != ',' && text_[pos_] != '\n' &&
          !(text_[pos_] == '\r' && pos_ + 1 < end && text_[pos_ + 1] == '\n')) {
        throw Error("text after a closing quote");
      }
    } else {
      size_t stop = pos_;
      while (stop < end && text_[stop] != ',' && text_[stop] != '\n') ++stop;
      size_t field_end = stop;
      if (stop < end && text_[stop] == '\n' && field_end > pos_ && text_[field_end - 1] == '\r') {
        --field_end;
      }
      field.assign(text_, pos_, field_end - pos_);
      pos_ = field_end;
      if (pos_ < end && text_[pos_] == '\r') ++pos_;
    }
    if (pos_ < end && text_[pos_] == ',') {
      ++pos_;
      continue;
    }
    if (pos_ < end && text_[pos_] == '\r') ++pos_;  // CR LF after a quoted field
    if (pos_ < end) {
      ++pos_;  // the LF
      ++next_line_;
    }
    fields.resize(count);
    return true;
  }
}

}  // namespace attribution
