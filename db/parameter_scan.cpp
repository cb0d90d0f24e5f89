// The parameter-marker scan.
#include "db/parameter_scan.h"

#include "base/gbk.h"

namespace db {
namespace {

bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

bool IsDelimiter(char c) {
  return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n';
}

// Length of the character at `i`: two for a lead byte with a byte after it.
size_t CharLength(std::string_view text, size_t i) {
  return base::IsGbkLeadByte(static_cast<unsigned char>(text[i])) &&
                 i + 1 < text.size()
             ? 2
             : 1;
}

}  // namespace

ScannedStatement ScanParameters(std::string_view text) {
  ScannedStatement out;
  out.command_text.reserve(text.size());
  bool in_quotes = false;
  size_t i = 0;
  while (i < text.size()) {
    size_t length = CharLength(text, i);
    char c = text[i];
    if (length == 2) {
      out.command_text.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    if (IsQuote(c)) {
      in_quotes = !in_quotes;
    } else if (c == ':' && !in_quotes) {
      if (i + 1 < text.size() && text[i + 1] == ':') {
        out.command_text += ':';
        i += 2;
        continue;
      }
      size_t end = i + 1;
      while (end < text.size()) {
        size_t step = CharLength(text, end);
        if (step == 1) {
          if (IsQuote(text[end])) {
            in_quotes = !in_quotes;
          } else if (!in_quotes && IsDelimiter(text[end])) {
            break;
          }
        }
        end += step;
      }
      std::string name(text.substr(i + 1, end - i - 1));
      if (!name.empty() && IsQuote(name.front())) {
        name.erase(0, 1);
        if (!name.empty() && IsQuote(name.back())) name.pop_back();
      }
      out.parameters.push_back(std::move(name));
      out.command_text += '?';
      // The delimiter is copied as it is, without being looked at.
      if (end < text.size()) out.command_text += text[end];
      i = end + 1;
      continue;
    }
    out.command_text += c;
    ++i;
  }
  return out;
}

}  // namespace db
