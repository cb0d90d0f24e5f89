// The data folder's name from the environment, and the choice between the
// working folder's database and the data folder's.
#include "tools/attrdb/database_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/scratch_dir.h"

namespace attrdb {
namespace {

TEST(UserDataFolder, FollowsTheBaseDirectoryRules) {
  struct Case {
    const char* xdg_data_home;
    const char* home;
    const char* folder;
  };
  const Case cases[] = {
      {"/data", "/home/u", "/data/attrsearch"},
      {"/data/", "/home/u", "/data/attrsearch"},
      {nullptr, "/home/u", "/home/u/.local/share/attrsearch"},
      {"", "/home/u", "/home/u/.local/share/attrsearch"},
      // A relative XDG_DATA_HOME is invalid and ignored.
      {"data", "/home/u", "/home/u/.local/share/attrsearch"},
      {"/data", nullptr, "/data/attrsearch"},
      {nullptr, "", ""},
      {nullptr, nullptr, ""},
      {"relative", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("XDG_DATA_HOME=") + (c.xdg_data_home ? c.xdg_data_home : "(unset)") +
                 " HOME=" + (c.home ? c.home : "(unset)"));
    EXPECT_EQ(UserDataFolder(c.xdg_data_home, c.home), c.folder);
  }
}

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

}  // namespace
}  // namespace attrdb
