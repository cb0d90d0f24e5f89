// The errors a statement can fail with, worded as the database engine words
// them. Each kind is raised by one function below; the connection turns them
// into the provider errors the user sees.
#ifndef DB_SQL_ERROR_H_
#define DB_SQL_ERROR_H_

#include <stdexcept>
#include <string>
#include <string_view>

namespace sql {

enum class ErrorKind {
  kNoSuchTable,       // the FROM clause names no table of the database
  kNoSuchColumn,      // a column the table does not have
  kSyntax,            // the text is not a statement we understand
  kTypeMismatch,      // text compared with a number
  kMissingParameter,  // a "?" marker, for which no value is ever given
};

// What the statement layer raises. Message() is the engine's description in
// UTF-16, ending with its full stop; what() is the same in UTF-8.
class Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, std::u16string message);
  ErrorKind kind() const { return kind_; }
  const std::u16string& Message() const { return message_; }

 private:
  ErrorKind kind_;
  std::u16string message_;
};

// "The database engine cannot find the input table or query '<name>'.  Make
// sure it exists and that its name is spelled correctly."
[[noreturn]] void RaiseNoSuchTable(std::u16string_view name);
// "The database engine cannot find the field '<name>'.  Make sure it exists
// and that its name is spelled correctly."
[[noreturn]] void RaiseNoSuchColumn(std::u16string_view name);
// "Syntax error in query expression '<expression>'."
[[noreturn]] void RaiseExpressionSyntax(std::u16string_view expression);
// "Syntax error (missing operator) in query expression '<expression>'."
[[noreturn]] void RaiseMissingOperator(std::u16string_view expression);
// "Syntax error in string in query expression '<expression>'."
[[noreturn]] void RaiseStringSyntax(std::u16string_view expression);
// "Extra ) in query expression '<expression>'."
[[noreturn]] void RaiseExtraParenthesis(std::u16string_view expression);
// "Missing ), ], or Item in query expression '<expression>'."
[[noreturn]] void RaiseMissingParenthesis(std::u16string_view expression);
// "Syntax error in FROM clause."
[[noreturn]] void RaiseFromSyntax();
// "The SELECT statement includes a reserved word or an argument name that is
// misspelled or missing, or the punctuation is incorrect."
[[noreturn]] void RaiseSelectSyntax();
// "Invalid SQL statement; expected 'SELECT'."
[[noreturn]] void RaiseNotAStatement();
// "Characters found after end of SQL statement."
[[noreturn]] void RaiseTrailingCharacters();
// "Query is too complex." for conditions nested too deeply.
[[noreturn]] void RaiseTooComplex();
// "Data type mismatch in criteria expression."
[[noreturn]] void RaiseTypeMismatch();
// "No value given for one or more required parameters."
[[noreturn]] void RaiseMissingParameter();

}  // namespace sql

#endif  // DB_SQL_ERROR_H_
