// The statement tokenizer.
#include "db/sql/tokenizer.h"

#include "db/sql/text_compare.h"

namespace sql {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' ||
         c == u'\v';
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsWordStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' ||
         (c >= 0x80 && c != 0x3000 && c != 0xFEFF);
}

bool IsWordPart(char16_t c) { return IsWordStart(c) || IsDigit(c); }

// Reads a quoted literal starting at `pos` (the opening quote); a doubled
// quote stands for one.
size_t ReadQuoted(std::u16string_view s, size_t pos, Token& token) {
  char16_t quote = s[pos];
  size_t i = pos + 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        token.text += quote;
        i += 2;
        continue;
      }
      token.kind = TokenKind::kText;
      return i + 1;
    }
    token.text += s[i++];
  }
  token.kind = TokenKind::kUnterminated;
  return i;
}

size_t ReadNumber(std::u16string_view s, size_t pos, Token& token) {
  size_t i = pos;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i < s.size() && s[i] == u'.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  token.kind = TokenKind::kNumber;
  token.text.assign(s.substr(pos, i - pos));
  return i;
}

}  // namespace

std::vector<Token> Tokenize(std::u16string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    Token token;
    token.begin = i;
    if (i >= s.size()) {
      token.end = i;
      tokens.push_back(std::move(token));
      return tokens;
    }
    char16_t c = s[i];
    if (c == u'\'' || c == u'"') {
      i = ReadQuoted(s, i, token);
    } else if (c == u'[') {
      size_t close = s.find(u']', i + 1);
      if (close == std::u16string_view::npos) {
        token.kind = TokenKind::kUnterminated;
        i = s.size();
      } else {
        token.kind = TokenKind::kName;
        token.text.assign(s.substr(i + 1, close - i - 1));
        i = close + 1;
      }
    } else if (IsDigit(c) ||
               (c == u'.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      i = ReadNumber(s, i, token);
    } else if (IsWordStart(c)) {
      size_t start = i;
      while (i < s.size() && IsWordPart(s[i])) ++i;
      token.kind = TokenKind::kWord;
      token.text.assign(s.substr(start, i - start));
    } else if (c == u'?') {
      token.kind = TokenKind::kParameter;
      token.text = u"?";
      ++i;
    } else {
      token.kind = TokenKind::kSymbol;
      size_t length = 1;
      if (i + 1 < s.size() &&
          ((c == u'<' && (s[i + 1] == u'>' || s[i + 1] == u'=')) ||
           (c == u'>' && s[i + 1] == u'='))) {
        length = 2;
      }
      token.text.assign(s.substr(i, length));
      i += length;
    }
    token.end = i;
    tokens.push_back(std::move(token));
  }
}

bool IsKeyword(const Token& token, std::u16string_view keyword) {
  return token.kind == TokenKind::kWord && TextEqual(token.text, keyword);
}

}  // namespace sql
