// attrdb check and attrdb recover: the engine's whole-file check and its
// roll-back of a left journal, as attrdb reports them.
#ifndef TOOLS_ATTRDB_CHECK_COMMAND_H_
#define TOOLS_ATTRDB_CHECK_COMMAND_H_

#include <string>

namespace attrdb {

// Prints one line per problem of the database `file` (a journal left beside
// it first), or that it has none; returns kExitFailed when there is any.
// Raises jet::Error when the file cannot be opened at all.
int Check(const std::string& file);

// Rolls back the journal an interrupted change left beside `file` and says
// what it put back, or that there was nothing to recover.
int Recover(const std::string& file);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_CHECK_COMMAND_H_
