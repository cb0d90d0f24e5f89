// A fresh folder for one test, removed with everything in it afterwards.
#ifndef TESTING_SCRATCH_DIR_H_
#define TESTING_SCRATCH_DIR_H_

#include <filesystem>
#include <string>

namespace testing_support {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Copies `source` into the folder as `name` (writable) and returns its path.
  std::filesystem::path CopyIn(const std::filesystem::path& source,
                               const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Copies `source` to `target`, replacing a file there. (std::filesystem's
// overwrite_existing refuses an existing target in some C++ libraries for
// Windows.) Raises std::filesystem::filesystem_error.
void CopyOver(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace testing_support

#endif  // TESTING_SCRATCH_DIR_H_
