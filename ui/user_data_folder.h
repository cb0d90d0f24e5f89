// The window's start in the user's data folder, as the menu starts it: on
// Windows the Start-menu shortcut gives attrsearch.exe kUserDataSwitch (the
// Linux menu entry's launcher script does the same steps itself).
#ifndef UI_USER_DATA_FOLDER_H_
#define UI_USER_DATA_FOLDER_H_

#include <filesystem>
#include <string>

namespace ui {

// The switch the Start-menu shortcut gives attrsearch.exe.
inline constexpr char kUserDataSwitch[] = "--user-data";

// Makes the user's data folder (platform::UserDataFolder()) when missing,
// copies `sample` into it as attrdata.mdb when it holds none (never
// replacing one, also not one that appears meanwhile: the copy is made
// under a temporary name, then put in place only where nothing is), and
// makes it the working folder. A missing `sample` is no error: the folder
// is entered without a database, whose absence the window then reports.
// Returns an error message (UTF-8), empty on success; on failure the
// working folder is left as it was.
std::string EnterUserDataFolder(const std::filesystem::path& sample);

// EnterUserDataFolder with `folder` in place of the user's data folder.
std::string EnterDataFolder(const std::filesystem::path& folder,
                            const std::filesystem::path& sample);

}  // namespace ui

#endif  // UI_USER_DATA_FOLDER_H_
