// Helpers for the writer's tests: the maintenance run (every 7-character
// head replaced by its stored form from the ground truth), the check that a
// table holds exactly the expected rows, and mdb-export as a second reader.
#ifndef DB_JET_TESTING_WRITER_TEST_UTIL_H_
#define DB_JET_TESTING_WRITER_TEST_UTIL_H_

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/read/database.h"
#include "db/jet/write/writer.h"

namespace jet::testing {

// The numindex rows of the ground truth with numhead replaced as the
// maintenance run must leave it: [numhead, index, cardtype] per row.
nlohmann::json ExpectedAfterMaintenance(const nlohmann::json& truth);

// Updates every numindex row whose head has 7 characters to the value
// `after[i][0]` (row i in table order), `batch` rows per batch (0: each row
// its own change). Stops after `limit` updates. Returns how many it made.
size_t RunMaintenance(Database& db, Writer& writer, const nlohmann::json& after,
                      size_t batch, size_t limit = SIZE_MAX);

// The numindex rows as [numhead, index, cardtype], in table order.
nlohmann::json ReadNumindex(Database& db);

// For each row of `actual`, whether it equals `before[i]` or `after[i]`
// wholly; adds a failure naming the row otherwise, and when counts differ.
void ExpectEachRowOldOrNew(const nlohmann::json& actual,
                           const nlohmann::json& before,
                           const nlohmann::json& after);

// numindex as mdb-export prints it (no header), one line per row, or
// nothing when mdb-export is not installed.
std::optional<std::vector<std::string>> MdbExportNumindex(
    const std::filesystem::path& file);

// The number of lines mdb-export prints for `table` (without a header:
// one per row, unless a value holds a line break), or nothing when
// mdb-export is not installed.
std::optional<size_t> MdbExportLineCount(const std::filesystem::path& file,
                                         const std::string& table);

// The lines mdb-export would print for `rows` (sorted, for comparison with
// a sorted MdbExportNumindex: mdbtools shows moved rows elsewhere).
std::vector<std::string> ExportLines(const nlohmann::json& rows);

}  // namespace jet::testing

#endif  // DB_JET_TESTING_WRITER_TEST_UTIL_H_
