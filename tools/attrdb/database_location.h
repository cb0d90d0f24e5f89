// Where `attrdb lookup` and `attrdb list` find the attribution database when
// no --db names one: the working folder first, then the user's data folder
// that the window's menu entry starts in.
#ifndef TOOLS_ATTRDB_DATABASE_LOCATION_H_
#define TOOLS_ATTRDB_DATABASE_LOCATION_H_

#include <cstdio>
#include <string>
#include <vector>

namespace attrdb {

// The database to read: `file_name` in the working folder when it exists
// there; else `file_name` in `data_folder` when that is not empty and the
// file exists there; else `file_name` itself, whose absence the caller
// reports when it opens it.
std::string ChooseDatabase(const std::string& file_name, const std::string& data_folder);

// ChooseDatabase(file_name, platform::UserDataFolder(): on Windows
// %LOCALAPPDATA%\attrsearch, elsewhere by XDG_DATA_HOME and HOME); writes
// "attrdb: reading <path>" to `err` when the file chosen is not the working
// folder's.
std::string FindDefaultDatabase(const std::string& file_name, std::FILE* err);

// The database a subcommand reads and the rest of its positional words.
struct DatabaseWords {
  std::string database;
  std::vector<std::string> rest;
};

// Splits the positional `words` of a subcommand that takes the database as
// --db FILE (`named`, empty when not given) or as its first word, followed
// by `least_rest` to `most_rest` other words. Without --db, the first word
// is the database when there are more words than `most_rest`, or when it
// names an existing file and there are more than `least_rest` words (or
// just that many, and its name ends in .mdb or .accdb); else the
// default database is read (FindDefaultDatabase, telling `err`). Raises
// std::invalid_argument for a wrong number of words, std::runtime_error
// "<path>: is a folder, not a database file".
DatabaseWords SplitDatabaseWords(const std::string& named, std::vector<std::string> words,
                                 size_t least_rest, size_t most_rest, std::FILE* err);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_DATABASE_LOCATION_H_
