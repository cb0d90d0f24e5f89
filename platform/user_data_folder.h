// The user's data folder: where the window, started from the menu, keeps
// and reads attrdata.mdb, and where attrdb looks for it after the working
// folder.
#ifndef PLATFORM_USER_DATA_FOLDER_H_
#define PLATFORM_USER_DATA_FOLDER_H_

#include <filesystem>

namespace platform {

// The folder as help texts name it: "%LOCALAPPDATA%\attrsearch" on Windows,
// "$XDG_DATA_HOME/attrsearch or ~/.local/share/attrsearch" elsewhere.
extern const char kUserDataFolderText[];

// This user's data folder: on Windows "attrsearch" in the local application
// data folder (the known folder, else the LOCALAPPDATA variable); elsewhere
// XdgUserDataFolder of XDG_DATA_HOME and HOME. Empty when there is none.
std::filesystem::path UserDataFolder();

// The data folder by the XDG base directory rules, as the menu entry's
// launcher makes it: "<xdg_data_home>/attrsearch" when `xdg_data_home` is an
// absolute path, else "<home>/.local/share/attrsearch" when `home` is not
// empty, else empty. A relative or empty XDG_DATA_HOME is ignored, as the
// rules ask; null counts as empty.
std::filesystem::path XdgUserDataFolder(const char* xdg_data_home, const char* home);

}  // namespace platform

#endif  // PLATFORM_USER_DATA_FOLDER_H_
