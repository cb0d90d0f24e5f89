// The default database's place: working folder, then the user's data folder.
#include "tools/attrdb/database_location.h"
#include "platform/path_text.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace attrdb {
namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

std::string UserDataFolder(const char* xdg_data_home, const char* home) {
  using std::filesystem::path;
  // The base directory rules speak of "/"-separated paths on every system.
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
    return (path(xdg_data_home) / "attrsearch").generic_string();
  }
  if (home != nullptr && home[0] != '\0') {
    return (path(home) / ".local/share/attrsearch").generic_string();
  }
  return "";
}

std::string ChooseDatabase(const std::string& file_name, const std::string& data_folder) {
  if (Exists(platform::PathFromUtf8(file_name)) || data_folder.empty()) return file_name;
  const std::filesystem::path in_data_folder =
      platform::PathFromUtf8(data_folder) / platform::PathFromUtf8(file_name);
  return Exists(in_data_folder) ? platform::Utf8Of(in_data_folder) : file_name;
}

std::string FindDefaultDatabase(const std::string& file_name, std::FILE* err) {
  const std::string chosen = ChooseDatabase(
      file_name, UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
  if (chosen != file_name) std::fprintf(err, "attrdb: reading %s\n", chosen.c_str());
  return chosen;
}

DatabaseWords SplitDatabaseWords(const std::string& named, std::vector<std::string> words,
                                 size_t least_rest, size_t most_rest, std::FILE* err) {
  DatabaseWords out;
  std::error_code error;
  if (!named.empty()) {
    out.database = named;
  } else if (words.size() > most_rest ||
             (words.size() > least_rest &&
              std::filesystem::is_regular_file(platform::PathFromUtf8(words[0]), error))) {
    out.database = words[0];
    words.erase(words.begin());
  }
  if (words.size() < least_rest || words.size() > most_rest) {
    throw std::invalid_argument(
        words.size() < least_rest ? "missing arguments" : "too many arguments: " + words.back());
  }
  if (out.database.empty()) out.database = FindDefaultDatabase("attrdata.mdb", err);
  if (std::filesystem::is_directory(platform::PathFromUtf8(out.database), error)) {
    throw std::runtime_error(out.database + ": is a folder, not a database file");
  }
  out.rest = std::move(words);
  return out;
}

}  // namespace attrdb
