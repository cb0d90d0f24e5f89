// The one way the commands run a statement on the shared cursor: close it,
// replace its text by one line, open it.
#ifndef COMMANDS_STATEMENT_H_
#define COMMANDS_STATEMENT_H_

#include <string_view>

#include "db/query.h"

namespace commands {

// Close, empty SQL, append `line`, Open. Raises what Open raises.
void RunStatement(db::TADOQuery& query, std::string_view line);

}  // namespace commands

#endif  // COMMANDS_STATEMENT_H_
