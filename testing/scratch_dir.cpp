// Scratch folders under the system's temporary directory.
#include "testing/scratch_dir.h"

#include <random>

namespace testing_support {

ScratchDir::ScratchDir() {
  std::random_device rd;
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("attrtest-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Where read-only files cannot be removed (Windows), they are made
  // writable first.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
    std::error_code ignored;
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path ScratchDir::CopyIn(const std::filesystem::path& source,
                                         const std::string& name) const {
  std::filesystem::path target = path_ / name;
  CopyOver(source, target);
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target;
}

void CopyOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  std::error_code ignored;
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove(target);
  std::filesystem::copy_file(source, target);
}

}  // namespace testing_support
