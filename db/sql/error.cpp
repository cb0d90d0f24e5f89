// The statement errors, one function per message.
#include "db/sql/error.h"

#include <utility>

#include "base/utf.h"

namespace sql {
namespace {

[[noreturn]] void Raise(ErrorKind kind, std::u16string message) {
  throw Error(kind, std::move(message));
}

std::u16string Quoted(std::u16string_view before, std::u16string_view name,
                      std::u16string_view after) {
  std::u16string text(before);
  text += u'\'';
  text += name;
  text += u'\'';
  text += after;
  return text;
}

}  // namespace

Error::Error(ErrorKind kind, std::u16string message)
    : std::runtime_error(base::Utf16ToUtf8(message)),
      kind_(kind),
      message_(std::move(message)) {}

void RaiseNoSuchTable(std::u16string_view name) {
  Raise(ErrorKind::kNoSuchTable,
        Quoted(u"The database engine cannot find the input table or query ",
               name,
               u".  Make sure it exists and that its name is spelled "
               u"correctly."));
}

void RaiseNoSuchColumn(std::u16string_view name) {
  Raise(ErrorKind::kNoSuchColumn,
        Quoted(u"The database engine cannot find the field ", name,
               u".  Make sure it exists and that its name is spelled "
               u"correctly."));
}

void RaiseExpressionSyntax(std::u16string_view expression) {
  Raise(ErrorKind::kSyntax,
        Quoted(u"Syntax error in query expression ", expression, u"."));
}

void RaiseMissingOperator(std::u16string_view expression) {
  Raise(ErrorKind::kSyntax,
        Quoted(u"Syntax error (missing operator) in query expression ",
               expression, u"."));
}

void RaiseStringSyntax(std::u16string_view expression) {
  Raise(ErrorKind::kSyntax,
        Quoted(u"Syntax error in string in query expression ", expression,
               u"."));
}

void RaiseExtraParenthesis(std::u16string_view expression) {
  Raise(ErrorKind::kSyntax, Quoted(u"Extra ) in query expression ", expression, u"."));
}

void RaiseMissingParenthesis(std::u16string_view expression) {
  Raise(ErrorKind::kSyntax,
        Quoted(u"Missing ), ], or Item in query expression ", expression, u"."));
}

void RaiseFromSyntax() {
  Raise(ErrorKind::kSyntax, u"Syntax error in FROM clause.");
}

void RaiseSelectSyntax() {
  Raise(ErrorKind::kSyntax,
        u"The SELECT statement includes a reserved word or an argument name "
        u"that is misspelled or missing, or the punctuation is incorrect.");
}

void RaiseNotAStatement() {
  Raise(ErrorKind::kSyntax, u"Invalid SQL statement; expected 'SELECT'.");
}

void RaiseTrailingCharacters() {
  Raise(ErrorKind::kSyntax, u"Characters found after end of SQL statement.");
}

void RaiseTooComplex() { Raise(ErrorKind::kSyntax, u"Query is too complex."); }

void RaiseTypeMismatch() {
  Raise(ErrorKind::kTypeMismatch,
        u"Data type mismatch in criteria expression.");
}

void RaiseMissingParameter() {
  Raise(ErrorKind::kMissingParameter,
        u"No value given for one or more required parameters.");
}

}  // namespace sql
