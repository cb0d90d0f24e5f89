// The data folder from XDG_DATA_HOME and HOME.
#include <cstdlib>

#include "platform/user_data_folder.h"

namespace platform {

const char kUserDataFolderText[] = "$XDG_DATA_HOME/attrsearch or ~/.local/share/attrsearch";

std::filesystem::path UserDataFolder() {
  return XdgUserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace platform
