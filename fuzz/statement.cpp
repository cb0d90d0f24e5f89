// Statements from any text: the tokenizer, the parser and the executor over
// a small attribution database.
#include <memory>
#include <string>

#include "base/utf.h"
#include "db/jet/read/database.h"
#include "db/sql/error.h"
#include "db/sql/parser.h"
#include "db/sql/session.h"
#include "db/sql/tokenizer.h"
#include "fuzz/fuzz_entries.h"
#include "fuzz/sample_database.h"

namespace fuzz {
namespace {

void CheckTokens(std::u16string_view statement) {
  std::vector<sql::Token> tokens = sql::Tokenize(statement);
  if (tokens.empty() || tokens.back().kind != sql::TokenKind::kEnd) {
    Fail("the tokens do not end with kEnd");
  }
  size_t previous_end = 0;
  for (const sql::Token& token : tokens) {
    if (token.begin < previous_end || token.end < token.begin || token.end > statement.size()) {
      Fail("a token lies outside the statement or before the one preceding it");
    }
    if (token.kind != sql::TokenKind::kEnd && token.end == token.begin) {
      Fail("an empty token");
    }
    previous_end = token.end;
  }
}

// The database the statements run on, read-only, made once.
jet::Database& StatementDatabase() {
  static std::unique_ptr<jet::Database> db = std::make_unique<jet::Database>(
      std::make_unique<jet::MemoryPageFile>(SampleImage(true, true), false, "statements"));
  return *db;
}

// Runs `statement` and reads every value of the result; returns the rows'
// locations, or nothing when the statement fails with sql::Error.
std::optional<std::vector<jet::RowLocation>> Run(sql::Session& session,
                                                 std::u16string_view statement) {
  try {
    sql::ResultSet result = session.Execute(statement);
    std::vector<jet::RowLocation> locations;
    for (const jet::Row& row : result.rows) {
      for (const sql::ResultColumn& column : result.columns) {
        if (column.column >= row.table().columns.size()) Fail("a result column out of range");
        row.Get(column.column);
      }
      locations.push_back(row.location());
    }
    return locations;
  } catch (const sql::Error&) {
    return std::nullopt;
  }
}

}  // namespace

void ParseStatement(const uint8_t* data, size_t size) {
  std::u16string statement =
      base::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckTokens(statement);
  try {
    sql::Parse(statement);
  } catch (const sql::Error& e) {
    if (e.kind() != sql::ErrorKind::kSyntax) Fail("Parse raised an error other than syntax");
    return;
  }
  // A fresh session each time, so that a failure repeats from its input
  // alone; the second run answers from the indexes the first one built.
  sql::Session session(StatementDatabase());
  auto first = Run(session, statement);
  auto second = Run(session, statement);
  if (first.has_value() != second.has_value() || (first && *first != *second)) {
    Fail("the same statement gave two different answers");
  }
}

}  // namespace fuzz
