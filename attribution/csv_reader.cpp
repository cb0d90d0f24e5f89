// The CSV reader of the import.
#include "attribution/csv_reader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace attribution {

CsvReader::CsvReader(const std::filesystem::path& path) : name_(path.string()) {
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in.bad()) text_ = std::move(bytes).str();
  }
  if (!in || in.bad() || std::filesystem::is_directory(path)) {
    throw InputError(name_ + ": cannot be read (" + std::strerror(errno ? errno : EIO) + ")");
  }
  if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
}

InputError CsvReader::Error(const std::string& what) const {
  return InputError(name_ + ":" + std::to_string(record_line_) + ": " + what);
}

bool CsvReader::Next(std::vector<std::string>& fields) {
  fields.clear();
  const size_t end = text_.size();
  // Blank lines between records count for the line numbers only.
  while (pos_ < end && (text_[pos_] == '\n' || (text_[pos_] == '\r' && pos_ + 1 < end &&
                                                text_[pos_ + 1] == '\n'))) {
    pos_ += text_[pos_] == '\r' ? 2 : 1;
    ++next_line_;
  }
  if (pos_ >= end) return false;
  record_line_ = next_line_;
  std::string field;
  while (true) {
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
      size_t stop = text_.find_first_of(",\n", pos_);
      if (stop == std::string::npos) stop = end;
      size_t field_end = stop;
      if (stop < end && text_[stop] == '\n' && field_end > pos_ && text_[field_end - 1] == '\r') {
        --field_end;
      }
      field.assign(text_, pos_, field_end - pos_);
      pos_ = field_end;
      if (pos_ < end && text_[pos_] == '\r') ++pos_;
    }
    fields.push_back(field);
    if (pos_ < end && text_[pos_] == ',') {
      ++pos_;
      continue;
    }
    if (pos_ < end && text_[pos_] == '\r') ++pos_;  // CR LF after a quoted field
    if (pos_ < end) {
      ++pos_;  // the LF
      ++next_line_;
    }
    return true;
  }
}

}  // namespace attribution
