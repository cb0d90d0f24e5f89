// The XDG rule for the data folder, the same on every system.
#include "platform/user_data_folder.h"

namespace platform {

std::filesystem::path XdgUserDataFolder(const char* xdg_data_home, const char* home) {
  using std::filesystem::path;
  // The base directory rules speak of "/"-separated paths on every system.
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
    return path(xdg_data_home) / "attrsearch";
  }
  if (home != nullptr && home[0] != '\0') return path(home) / ".local/share/attrsearch";
  return path();
}

}  // namespace platform
