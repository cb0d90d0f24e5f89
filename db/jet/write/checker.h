// A structural check of a database: what a reader cannot see but the
// writers must keep right (page maps, moved rows, free space, row counts,
// indexes against their rows).
#ifndef DB_JET_WRITE_CHECKER_H_
#define DB_JET_WRITE_CHECKER_H_

#include <string>
#include <vector>

#include "db/jet/read/database.h"

namespace jet {

// Checks every table of `db`, the system tables too, and returns one line per problem found
// (empty when the file is sound): data pages packed with exact free space
// (jet4-format.md 6.1), each moved row's pointer reaching a moved-data slot
// on a page of the table and every moved-data slot reached exactly once
// (11), the table's pages in use in the global map and its free-space map a
// subset of its pages (5.3, 12.6), the stored row count of user tables
// (12.5; Access lets those of its system tables drift), and each
// index's entries equal to the keys of the rows (13), where the keys can be
// computed. Raises kCorrupt or kIo only when the file cannot be read at all.
std::vector<std::string> CheckDatabase(Database& db);

}  // namespace jet

#endif  // DB_JET_WRITE_CHECKER_H_
