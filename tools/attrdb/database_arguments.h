// The database argument of the subcommands that read one database:
// --db FILE, or the file as the first positional word, else attrdata.mdb
// in the working folder, then in the data folder.
#ifndef TOOLS_ATTRDB_DATABASE_ARGUMENTS_H_
#define TOOLS_ATTRDB_DATABASE_ARGUMENTS_H_

#include <CLI/CLI.hpp>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/user_data_folder.h"
#include "tools/attrdb/database_location.h"

namespace attrdb {

struct DatabaseArguments {
  std::string named;               // --db
  std::vector<std::string> words;  // the positional words, FILE first if given
};

// Adds --db FILE and the positional words, shown as `words_name` (for
// example "[FILE] TABLE").
inline void AddDatabaseArguments(CLI::App& command, DatabaseArguments& arguments,
                                 const std::string& words_name, const std::string& words_help) {
  const std::string help = std::string("Database file; without it (or FILE) attrdata.mdb in "
                                       "the working folder, else in the data folder (") +
                           platform::kUserDataFolderText + ")";
  command.add_option("--db", arguments.named, help)->type_name("FILE");
  command.add_option("WORDS", arguments.words, words_help)->type_name(words_name);
}

// SplitDatabaseWords of the arguments; a wrong number of words is a usage
// error.
inline DatabaseWords ResolveDatabase(const DatabaseArguments& arguments, size_t least_rest,
                                     size_t most_rest) {
  try {
    return SplitDatabaseWords(arguments.named, arguments.words, least_rest, most_rest, stderr);
  } catch (const std::invalid_argument& e) {
    throw CLI::ValidationError(e.what());
  }
}

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_DATABASE_ARGUMENTS_H_
