// attrdb check: the structural check of a database file.
#ifndef TOOLS_ATTRDB_CHECK_COMMAND_H_
#define TOOLS_ATTRDB_CHECK_COMMAND_H_

#include <filesystem>
#include <string>
#include <vector>

namespace attrdb {

// The problems of the database at `path`, one line each, empty when it is
// sound: those of jet::CheckDatabase, then any row of any table (system
// tables included) that cannot be read and decoded, long values followed to
// their end. Raises jet::Error when the file cannot be opened at all.
std::vector<std::string> CheckDatabaseFile(const std::filesystem::path& path);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_CHECK_COMMAND_H_
