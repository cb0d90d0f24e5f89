// The choice between the working folder's database and the data folder's
// (the data folder's name: platform/user_data_folder_test.cpp).
#include "tools/attrdb/database_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/scratch_dir.h"

namespace attrdb {
namespace {

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

TEST(ChooseDatabase, TakesTheNamedFileFirstThenTheDataFolders) {
  testing_support::ScratchDir scratch;
  const std::filesystem::path data = scratch.path() / "data";
  const std::filesystem::path here = scratch.path() / "here" / "attrdata.mdb";
  const std::string here_name = here.string();

  // Nowhere: the name as given, so that opening it reports it missing.
  EXPECT_EQ(ChooseDatabase(here_name, data.string()), here_name);
  EXPECT_EQ(ChooseDatabase(here_name, ""), here_name);

  Touch(data / "relative.mdb");
  EXPECT_EQ(ChooseDatabase("relative.mdb", data.string()), (data / "relative.mdb").string());
  EXPECT_EQ(ChooseDatabase("relative.mdb", ""), "relative.mdb");

  // Present in both places: the named (working folder's) file wins.
  Touch(here);
  Touch(data / "attrdata.mdb");
  EXPECT_EQ(ChooseDatabase(here_name, data.string()), here_name);
}

// Which positional word names the database: --db wins; a word more than
// the subcommand takes is the file; an ambiguous first word is the file
// when it exists (and, for an exact count, ends like a database).
TEST(SplitDatabaseWords, TellsTheFileFromTheOtherWords) {
  testing_support::ScratchDir scratch;
  const std::string db = (scratch.path() / "x.mdb").string();
  const std::string other = (scratch.path() / "city").string();
  Touch(db);
  Touch(other);
  struct Case {
    std::string named;
    std::vector<std::string> words;
    size_t least, most;
    std::string database;  // "" : the default, whatever it is
    std::vector<std::string> rest;
  };
  const Case cases[] = {
      {"", {db}, 0, 0, db, {}},                    // tables FILE
      {db, {}, 0, 0, db, {}},                      // tables --db FILE
      {"", {db, "city"}, 0, 1, db, {"city"}},      // schema FILE TABLE
      {"", {db}, 0, 1, db, {}},                    // schema FILE
      {"", {"city"}, 0, 1, "", {"city"}},          // schema TABLE
      {db, {"city"}, 0, 1, db, {"city"}},          // schema --db FILE TABLE
      {"", {other}, 1, 1, "", {other}},            // export TABLE, a file of that name here
      {"", {"nope.mdb"}, 1, 1, "", {"nope.mdb"}},  // no such file: a table name
      {"", {"nope.mdb"}, 0, 1, "nope.mdb", {}},    // schema FILE, missing: named as one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named + " " + (c.words.empty() ? "" : c.words[0]));
    const DatabaseWords split = SplitDatabaseWords(c.named, c.words, c.least, c.most, stderr);
    if (!c.database.empty()) {
      EXPECT_EQ(split.database, c.database);
    }
    EXPECT_EQ(split.rest, c.rest);
  }
  // export FILE without its TABLE, and one word too many.
  EXPECT_THROW(SplitDatabaseWords("", {db}, 1, 1, stderr), std::invalid_argument);
  EXPECT_THROW(SplitDatabaseWords(db, {"a", "b"}, 1, 1, stderr), std::invalid_argument);
  EXPECT_THROW(SplitDatabaseWords(scratch.path().string(), {}, 0, 0, stderr), std::runtime_error);
}

}  // namespace
}  // namespace attrdb
