// The data folder in the user's local application data (not the roaming
// profile: a database is no setting to carry between machines).
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdlib>

#include "platform/user_data_folder.h"

namespace platform {

const char kUserDataFolderText[] = "%LOCALAPPDATA%\\attrsearch";

std::filesystem::path UserDataFolder() {
  std::filesystem::path base;
  PWSTR known = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known))) {
    base = known;
  }
  CoTaskMemFree(known);  // also when the call failed
  if (!base.is_absolute()) {
    const wchar_t* variable = _wgetenv(L"LOCALAPPDATA");
    base = variable != nullptr ? std::filesystem::path(variable) : std::filesystem::path();
  }
  if (!base.is_absolute()) return std::filesystem::path();
  return base / L"attrsearch";
}

}  // namespace platform
