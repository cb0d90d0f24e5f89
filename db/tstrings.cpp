// The statement text's list of lines.
#include "db/query.h"

namespace db {

void TStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  owner_.StatementChanged();
}

void TStrings::Add(std::string_view line) {
  lines_.emplace_back(line);
  owner_.StatementChanged();
}

std::string TStrings::Text() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace db
