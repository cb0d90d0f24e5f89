// The data folder by the XDG rules, and this user's folder on this system.
#include "platform/user_data_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace {

TEST(XdgUserDataFolder, FollowsTheBaseDirectoryRules) {
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
    EXPECT_EQ(XdgUserDataFolder(c.xdg_data_home, c.home).generic_string(), c.folder);
  }
}

#ifdef _WIN32
// The known folder is the one LOCALAPPDATA names, which the documents tell
// users to put their database in.
TEST(UserDataFolder, IsInTheLocalApplicationData) {
  const char* local = std::getenv("LOCALAPPDATA");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(UserDataFolder(), std::filesystem::path(local) / "attrsearch");
}
#endif

}  // namespace
}  // namespace platform
