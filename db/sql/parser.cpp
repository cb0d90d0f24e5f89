// Recursive-descent parser over the token list. A word is a keyword only
// where the grammar expects one, so columns named like keywords ("index")
// work as column names.
#include "db/sql/parser.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "db/sql/error.h"
#include "db/sql/tokenizer.h"

namespace sql {
namespace {

// Words that cannot stand for a column in an operand position.
constexpr std::u16string_view kReservedInOperand[] = {
    u"SELECT", u"FROM", u"WHERE", u"AND", u"OR", u"NOT", u"IS", u"LIKE"};

class Parser {
 public:
  Parser(std::u16string_view statement)
      : source_(statement), tokens_(Tokenize(statement)) {}

  SelectStatement ParseSelect();

 private:
  const Token& Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const Token& Take() {
    const Token& token = Peek();
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return token;
  }
  bool AtSymbol(std::u16string_view symbol) const {
    return Peek().kind == TokenKind::kSymbol && Peek().text == symbol;
  }
  bool AtKeyword(std::u16string_view keyword) const {
    return IsKeyword(Peek(), keyword);
  }
  // True at the end of the statement, or at a ";" that ends it.
  bool AtStatementEnd() const {
    return Peek().kind == TokenKind::kEnd || AtSymbol(u";");
  }

  void ParseColumnList(SelectStatement& statement);
  void ParseCondition(SelectStatement& statement);
  std::unique_ptr<Expr> ParseOr();
  std::unique_ptr<Expr> ParseAnd();
  std::unique_ptr<Expr> ParseNot();
  std::unique_ptr<Expr> ParsePredicate();
  std::unique_ptr<Expr> ParseOperand();
  std::unique_ptr<Expr> ParsePrimary();
  [[noreturn]] void FailExpression() const;

  std::u16string_view source_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  std::u16string where_text_;
  size_t parameters_ = 0;
  size_t nesting_ = 0;  // open parentheses, NOTs and signs
};

// Conditions are walked recursively; deeper trees are refused so that no
// statement text can exhaust the stack.
constexpr size_t kMaxDepth = 256;

std::unique_ptr<Expr> MakeNode(ExprKind kind, std::unique_ptr<Expr> left,
                               std::unique_ptr<Expr> right = nullptr) {
  auto node = std::make_unique<Expr>();
  node->kind = kind;
  node->depth = 1 + std::max(left->depth, right ? right->depth : 0);
  if (node->depth > kMaxDepth) RaiseTooComplex();
  node->left = std::move(left);
  node->right = std::move(right);
  return node;
}

bool IsNameToken(const Token& token) {
  return token.kind == TokenKind::kWord || token.kind == TokenKind::kName;
}

SelectStatement Parser::ParseSelect() {
  SelectStatement statement;
  if (!AtKeyword(u"SELECT")) RaiseNotAStatement();
  Take();
  if (AtKeyword(u"DISTINCT")) {
    statement.distinct = true;
    Take();
  } else if (AtKeyword(u"ALL")) {
    Take();
  }
  ParseColumnList(statement);
  // The column list stops at FROM.
  Take();
  if (!IsNameToken(Peek()) || AtKeyword(u"WHERE")) RaiseFromSyntax();
  statement.table = Take().text;
  if (AtKeyword(u"WHERE")) {
    Take();
    ParseCondition(statement);
  } else if (!AtStatementEnd()) {
    RaiseFromSyntax();
  }
  if (AtSymbol(u";")) Take();
  if (Peek().kind != TokenKind::kEnd) RaiseTrailingCharacters();
  statement.parameter_count = parameters_;
  return statement;
}

void Parser::ParseColumnList(SelectStatement& statement) {
  if (AtSymbol(u"*")) {
    Take();
    statement.all_columns = true;
    if (!AtKeyword(u"FROM")) RaiseSelectSyntax();
    return;
  }
  while (true) {
    if (!IsNameToken(Peek()) || AtKeyword(u"FROM")) RaiseSelectSyntax();
    SelectItem item;
    item.name = Take().text;
    if (AtSymbol(u".")) {
      Take();
      if (AtSymbol(u"*") && statement.items.empty()) {
        Take();
        statement.all_columns = true;
        if (!AtKeyword(u"FROM")) RaiseSelectSyntax();
        return;
      }
      if (!IsNameToken(Peek())) RaiseSelectSyntax();
      item.qualifier = std::move(item.name);
      item.name = Take().text;
    }
    if (AtKeyword(u"AS")) {
      Take();
      if (!IsNameToken(Peek())) RaiseSelectSyntax();
      item.alias = Take().text;
    }
    statement.items.push_back(std::move(item));
    if (AtKeyword(u"FROM")) return;
    if (!AtSymbol(u",")) RaiseSelectSyntax();
    Take();
  }
}

void Parser::ParseCondition(SelectStatement& statement) {
  // The condition as written, for messages: up to the end of the last token
  // before the end of the statement.
  size_t begin = Peek().begin;
  size_t end = begin;
  for (size_t i = pos_; i < tokens_.size(); ++i) {
    const Token& token = tokens_[i];
    if (token.kind == TokenKind::kEnd) break;
    if (token.kind == TokenKind::kUnterminated) {
      end = token.end;
      while (end > begin && (source_[end - 1] == u' ' || source_[end - 1] == u'\r' ||
                             source_[end - 1] == u'\n' || source_[end - 1] == u'\t')) {
        --end;
      }
      where_text_.assign(source_.substr(begin, end - begin));
      RaiseStringSyntax(where_text_);
    }
    bool last_semicolon = token.kind == TokenKind::kSymbol &&
                          token.text == u";" &&
                          tokens_[i + 1].kind == TokenKind::kEnd;
    if (!last_semicolon) end = token.end;
  }
  where_text_.assign(source_.substr(begin, end - begin));
  if (AtStatementEnd()) FailExpression();
  statement.where = ParseOr();
  if (!AtStatementEnd()) {
    if (AtSymbol(u")")) RaiseExtraParenthesis(where_text_);
    RaiseMissingOperator(where_text_);
  }
  statement.where_text = where_text_;
}

void Parser::FailExpression() const { RaiseExpressionSyntax(where_text_); }

std::unique_ptr<Expr> Parser::ParseOr() {
  auto left = ParseAnd();
  while (AtKeyword(u"OR")) {
    Take();
    left = MakeNode(ExprKind::kOr, std::move(left), ParseAnd());
  }
  return left;
}

std::unique_ptr<Expr> Parser::ParseAnd() {
  auto left = ParseNot();
  while (AtKeyword(u"AND")) {
    Take();
    left = MakeNode(ExprKind::kAnd, std::move(left), ParseNot());
  }
  return left;
}

std::unique_ptr<Expr> Parser::ParseNot() {
  if (AtKeyword(u"NOT")) {
    Take();
    if (++nesting_ > kMaxDepth) RaiseTooComplex();
    auto inner = ParseNot();
    --nesting_;
    return MakeNode(ExprKind::kNot, std::move(inner));
  }
  return ParsePredicate();
}

std::unique_ptr<Expr> Parser::ParsePredicate() {
  auto left = ParseOperand();
  const Token& token = Peek();
  if (token.kind == TokenKind::kSymbol) {
    static constexpr std::pair<std::u16string_view, CompareOp> kOps[] = {
        {u"=", CompareOp::kEqual},        {u"<>", CompareOp::kNotEqual},
        {u"<", CompareOp::kLess},         {u"<=", CompareOp::kLessEqual},
        {u">", CompareOp::kGreater},      {u">=", CompareOp::kGreaterEqual}};
    for (const auto& [symbol, op] : kOps) {
      if (token.text == symbol) {
        Take();
        auto node = MakeNode(ExprKind::kCompare, std::move(left), ParseOperand());
        node->op = op;
        return node;
      }
    }
    return left;
  }
  if (AtKeyword(u"IS")) {
    Take();
    auto node = MakeNode(ExprKind::kIsNull, std::move(left));
    if (AtKeyword(u"NOT")) {
      Take();
      node->negated = true;
    }
    if (!AtKeyword(u"NULL")) FailExpression();
    Take();
    return node;
  }
  bool negated = false;
  if (AtKeyword(u"NOT") && IsKeyword(Peek(1), u"LIKE")) {
    Take();
    negated = true;
  }
  if (AtKeyword(u"LIKE")) {
    Take();
    auto node = MakeNode(ExprKind::kLike, std::move(left), ParseOperand());
    node->negated = negated;
    return node;
  }
  return left;
}

std::unique_ptr<Expr> Parser::ParseOperand() {
  if (AtSymbol(u"-") || AtSymbol(u"+")) {
    bool minus = Take().text == u"-";
    if (++nesting_ > kMaxDepth) RaiseTooComplex();
    auto operand = ParseOperand();
    --nesting_;
    return minus ? MakeNode(ExprKind::kNegate, std::move(operand))
                 : std::move(operand);
  }
  return ParsePrimary();
}

std::unique_ptr<Expr> Parser::ParsePrimary() {
  const Token& token = Peek();
  auto node = std::make_unique<Expr>();
  switch (token.kind) {
    case TokenKind::kNumber:
      node->kind = ExprKind::kNumber;
      node->number = std::strtod(std::string(token.text.begin(), token.text.end()).c_str(),
                                 nullptr);
      Take();
      return node;
    case TokenKind::kText:
      node->kind = ExprKind::kText;
      node->text = token.text;
      Take();
      return node;
    case TokenKind::kParameter:
      node->kind = ExprKind::kParameter;
      ++parameters_;
      Take();
      return node;
    case TokenKind::kSymbol:
      if (token.text == u"(") {
        Take();
        if (++nesting_ > kMaxDepth) RaiseTooComplex();
        auto inner = ParseOr();
        --nesting_;
        if (!AtSymbol(u")")) RaiseMissingParenthesis(where_text_);
        Take();
        return inner;
      }
      FailExpression();
    case TokenKind::kWord:
      if (IsKeyword(token, u"NULL")) {
        Take();
        return node;  // kNull
      }
      if (IsKeyword(token, u"TRUE") || IsKeyword(token, u"FALSE")) {
        node->kind = ExprKind::kNumber;
        node->number = IsKeyword(token, u"TRUE") ? -1 : 0;
        Take();
        return node;
      }
      for (std::u16string_view reserved : kReservedInOperand) {
        if (IsKeyword(token, reserved)) FailExpression();
      }
      [[fallthrough]];
    case TokenKind::kName:
      node->kind = ExprKind::kColumn;
      node->name = Take().text;
      if (AtSymbol(u".")) {
        Take();
        if (!IsNameToken(Peek())) FailExpression();
        node->qualifier = std::move(node->name);
        node->name = Take().text;
      }
      return node;
    case TokenKind::kUnterminated:
      RaiseStringSyntax(where_text_);
    case TokenKind::kEnd:
      break;
  }
  FailExpression();
}

}  // namespace

SelectStatement Parse(std::u16string_view statement) {
  return Parser(statement).ParseSelect();
}

}  // namespace sql
