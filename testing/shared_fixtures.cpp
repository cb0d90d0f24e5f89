// Fixture lookup.
#include "testing/shared_fixtures.h"

#include <cstdlib>

namespace testing_support {
namespace {

// The default folder, made absolute when the program starts, before any test
// changes the working folder (on Windows a path that starts with "/" lies on
// the working folder's drive).
const std::filesystem::path& DefaultSharedDir() {
  static const std::filesystem::path dir = [] {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(ATTR_DEFAULT_SHARED_DIR, ec);
    return ec ? std::filesystem::path(ATTR_DEFAULT_SHARED_DIR) : absolute;
  }();
  return dir;
}
[[maybe_unused]] const bool kDefaultResolvedAtStart = !DefaultSharedDir().empty();

}  // namespace

std::optional<std::filesystem::path> SharedDir() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("ATTR_SHARED_DIR"); env && *env) {
    dir = env;
  } else {
    dir = DefaultSharedDir();
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
