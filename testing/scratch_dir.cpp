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
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path ScratchDir::CopyIn(const std::filesystem::path& source,
                                         const std::string& name) const {
  std::filesystem::path target = path_ / name;
  std::filesystem::copy_file(source, target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target;
}

}  // namespace testing_support
