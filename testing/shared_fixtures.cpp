// Fixture lookup.
#include "testing/shared_fixtures.h"

#include <cstdlib>

namespace testing_support {

std::optional<std::filesystem::path> SharedDir() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("ATTR_SHARED_DIR"); env && *env) {
    dir = env;
  } else {
    dir = ATTR_DEFAULT_SHARED_DIR;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  return std::filesystem::weakly_canonical(dir, ec);
}

std::optional<std::filesystem::path> FixturePath(const std::string& relative) {
  auto dir = SharedDir();
  if (!dir) return std::nullopt;
  // With the system's own separators throughout, as programs print paths.
  std::filesystem::path path = (*dir / "fixtures" / relative).make_preferred();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  return path;
}

}  // namespace testing_support
