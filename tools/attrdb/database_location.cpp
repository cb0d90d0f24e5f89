// The default database's place: working folder, then the user's data folder.
#include "tools/attrdb/database_location.h"
#include "platform/path_text.h"
#include "platform/user_data_folder.h"

#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace attrdb {
namespace {

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// A name ending as Access databases' do, for a word that could be either.
bool NamesDatabase(const std::string& word) {
  std::string end = word.substr(word.size() > 6 ? word.size() - 6 : 0);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end.ends_with(".mdb") || end.ends_with(".accdb");
}

}  // namespace

std::string ChooseDatabase(const std::string& file_name, const std::string& data_folder) {
  if (Exists(platform::PathFromUtf8(file_name)) || data_folder.empty()) return file_name;
  const std::filesystem::path in_data_folder =
      platform::PathFromUtf8(data_folder) / platform::PathFromUtf8(file_name);
  return Exists(in_data_folder) ? platform::Utf8Of(in_data_folder) : file_name;
}

std::string FindDefaultDatabase(const std::string& file_name, std::FILE* err) {
  const std::string chosen =
      ChooseDatabase(file_name, platform::Utf8Of(platform::UserDataFolder()));
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
             (!words.empty() && words.size() >= least_rest &&
              std::filesystem::is_regular_file(platform::PathFromUtf8(words[0]), error) &&
              (words.size() > least_rest || NamesDatabase(words[0]))) ||
             // A missing file named as a database is reported as missing
             // rather than read as a table name, where the words allow one.
             (words.size() > least_rest && NamesDatabase(words[0]))) {
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
