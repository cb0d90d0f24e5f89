// Helpers shared by the engine's tests: reading fixture files and ground
// truth, values in the ground truth's JSON form, and checks of raised errors.
#ifndef DB_JET_TESTING_TEST_UTIL_H_
#define DB_JET_TESTING_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/format/error.h"
#include "db/jet/read/table_def.h"
#include "db/jet/format/values.h"

namespace jet::testing {

// True in the sanitizer build, where tests that read hundreds of thousands
// of rows are cut down to keep the run short.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
nlohmann::json ReadJson(const std::filesystem::path& path);

// The value in the form the ground truth uses: numbers, "1234.5678" for
// money and numeric, ISO text for dates, lower-case hex for binary, the
// braced form for GUIDs, UTF-8 text.
nlohmann::json ValueToJson(const Value& value);
// Whether `actual` (from ValueToJson) matches `expected` for a column of
// `kind`; floats compare as 32-bit floats, doubles exactly.
bool ValuesMatch(ColumnKind kind, const nlohmann::json& actual,
                 const nlohmann::json& expected);

// The output of the shell command `command` (mdbtools, for one), or nothing
// when it cannot run or fails.
std::optional<std::string> RunCommand(const std::string& command);

}  // namespace jet::testing

// EXPECT_JET_ERROR(statement, kCorrupt, "damaged database: page 3: ...")
#define EXPECT_JET_ERROR(statement, error_kind, message)                  \
  do {                                                                    \
    try {                                                                 \
      statement;                                                          \
      ADD_FAILURE() << "expected jet::Error from " #statement;            \
    } catch (const ::jet::Error& e_) {                                    \
      EXPECT_EQ(e_.kind(), ::jet::ErrorKind::error_kind) << e_.what();    \
      EXPECT_EQ(std::string(e_.what()), std::string(message));            \
    }                                                                     \
  } while (0)

#endif  // DB_JET_TESTING_TEST_UTIL_H_
