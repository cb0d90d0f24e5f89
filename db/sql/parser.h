// Parses the statements the system runs: SELECT [DISTINCT] with a column list
// or "*", one table, and an optional WHERE condition.
#ifndef DB_SQL_PARSER_H_
#define DB_SQL_PARSER_H_

#include <string_view>

#include "db/sql/ast.h"

namespace sql {

// Parses `statement`; trailing blanks, line breaks and one ";" are allowed.
// Names are kept as written; they are looked up later. Raises sql::Error of
// kind kSyntax, with the engine's message for the part that is wrong.
SelectStatement Parse(std::u16string_view statement);

}  // namespace sql

#endif  // DB_SQL_PARSER_H_
