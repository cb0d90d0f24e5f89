// Splits a statement into tokens: words, bracketed names, text literals,
// numbers, "?" markers and operators, each with its place in the text.
#ifndef DB_SQL_TOKENIZER_H_
#define DB_SQL_TOKENIZER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sql {

enum class TokenKind {
  kWord,        // a bare name or keyword: letters, digits, "_", non-ASCII
  kName,        // a name in square brackets, the brackets removed
  kText,        // a literal in single or double quotes, doubled quotes undone
  kNumber,      // digits with an optional fraction and exponent
  kParameter,   // "?"
  kSymbol,      // = <> < <= > >= ( ) , * . ; + -
  kUnterminated,  // a quote or bracket without its closing partner
  kEnd,         // after the last token
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::u16string text;  // the name, the literal's value or the symbol
  size_t begin = 0;     // offset of the first unit in the statement
  size_t end = 0;       // offset just past the last unit
};

// Tokenizes `statement`. Never raises: a character that starts no token is
// given as a one-unit kSymbol for the parser to reject, and an unclosed quote
// or bracket as kUnterminated. The list always ends with a kEnd token.
std::vector<Token> Tokenize(std::u16string_view statement);

// True when `word` is the keyword `keyword` (given in upper case), without
// regard to case.
bool IsKeyword(const Token& token, std::u16string_view keyword);

}  // namespace sql

#endif  // DB_SQL_TOKENIZER_H_
