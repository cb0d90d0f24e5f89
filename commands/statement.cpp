// Running one statement on the shared cursor, and quoting values into it.
#include "commands/statement.h"

#include <string>

#include "commands/commands.h"

namespace commands {

void RunStatement(db::TADOQuery& query, std::string_view line) {
  query.Close();
  query.SQL().Clear();
  query.SQL().Add(line);
  query.Open();
}

std::string QuotedValue(std::string_view value) {
  // A GBK trail byte is never 0x27, so doubling byte by byte is safe.
  std::string quoted = "'";
  for (char c : value) {
    quoted.push_back(c);
    if (c == '\'') quoted.push_back('\'');
  }
  quoted.push_back('\'');
  return quoted;
}

}  // namespace commands
