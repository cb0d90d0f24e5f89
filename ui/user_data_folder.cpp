// The data folder made, given the sample database when it has none, and
// entered.
#include "ui/user_data_folder.h"

#include <string>
#include <system_error>

#include "platform/file.h"
#include "platform/path_text.h"
#include "platform/user_data_folder.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

constexpr char kDatabaseName[] = "attrdata.mdb";

// The reason for a failure as the C library words it: a Windows error by its
// errno counterpart, so the text is plain ASCII rather than in the system's
// language and code page.
std::string Reason(const std::error_code& error) {
  return error.default_error_condition().message();
}

// Whether anything is at `path`, a dangling link too; also when that cannot
// be told, so that nothing is put there.
bool Taken(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

// Copies `sample` to `target` unless a file is there by then. Returns an
// error message, empty on success.
std::string CopySample(const fs::path& sample, const fs::path& target) {
  const std::string failure =
      "cannot copy " + platform::Utf8Of(sample) + " to " + platform::Utf8Of(target) + ": ";
  // Whole under a name of this process's own, so that nobody ever opens a
  // half-copied database, then put in place by a step that refuses a name
  // that exists.
  const fs::path partial = target.parent_path() / ("." + std::string(kDatabaseName) + "." +
                                                   std::to_string(platform::ProcessId()));
  std::error_code error;
  fs::remove(partial, error);  // left by a start that died, under a reused id
  if (!fs::copy_file(sample, partial, error)) return failure + Reason(error);
  try {
    platform::MoveIfAbsent(partial, target);  // false: one appeared meanwhile, and stays
    return "";
  } catch (const std::system_error&) {
    // A file system without hard links (the partial copy is gone): copied
    // straight to the name, which still refuses an existing file.
  }
  if (!Taken(target) && !fs::copy_file(sample, target, error)) return failure + Reason(error);
  return "";
}

}  // namespace

std::string EnterDataFolder(const fs::path& folder, const fs::path& sample) {
  if (folder.empty()) return "there is no data folder: the system names no home folder";
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    return "cannot make the data folder " + platform::Utf8Of(folder) + ": " + Reason(error);
  }
  const fs::path target = folder / kDatabaseName;
  if (!Taken(target) && fs::is_regular_file(sample, error)) {
    const std::string failure = CopySample(sample, target);
    if (!failure.empty()) return failure;
  }
  fs::current_path(folder, error);
  if (error) {
    return "cannot enter the data folder " + platform::Utf8Of(folder) + ": " + Reason(error);
  }
  return "";
}

std::string EnterUserDataFolder(const fs::path& sample) {
  return EnterDataFolder(platform::UserDataFolder(), sample);
}

}  // namespace ui
