// Locating the shared fixture files beside the project. They are optional:
// tests that need them skip with a message where they are absent.
#ifndef TESTING_SHARED_FIXTURES_H_
#define TESTING_SHARED_FIXTURES_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace testing_support {

// The shared folder: $ATTR_SHARED_DIR if set, else the folder "shared" beside
// the source tree. Nothing when it does not exist.
std::optional<std::filesystem::path> SharedDir();

// Path of a file under shared/fixtures/; nothing when absent.
std::optional<std::filesystem::path> FixturePath(const std::string& relative);

}  // namespace testing_support

// Sets `var` to the fixture's path, or skips the test when it is absent.
#define ATTR_REQUIRE_FIXTURE(var, relative)                              \
  std::filesystem::path var;                                             \
  do {                                                                   \
    auto found_ = ::testing_support::FixturePath(relative);              \
    if (!found_) GTEST_SKIP() << "shared fixture absent: " << (relative); \
    var = *found_;                                                       \
  } while (0)

#endif  // TESTING_SHARED_FIXTURES_H_
