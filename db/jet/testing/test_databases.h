// The two kinds of database the engine's tests run the same cases on: one
// our own engine writes from the demonstration data, and a shared fixture
// written by an independent writer, absent in a fresh clone (its cases skip).
#ifndef DB_JET_TESTING_TEST_DATABASES_H_
#define DB_JET_TESTING_TEST_DATABASES_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "db/jet/testing/test_util.h"
#include "db/jet/write/checker.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet::testing {

enum class Source { kOurs, kSharedFixture };

// Adds a failure for each problem the structural checker finds.
inline void ExpectSound(Database& db) {
  for (const std::string& problem : CheckDatabase(db)) ADD_FAILURE() << problem;
}

// For INSTANTIATE_TEST_SUITE_P over ::testing::Values(kOurs, kSharedFixture).
inline std::string SourceName(const ::testing::TestParamInfo<Source>& info) {
  return info.param == Source::kOurs ? "Ours" : "SharedFixture";
}

// The numindex rows of `data` as [numhead, index, cardtype]: numhead as
// stored, or with `encoded` as the maintenance run leaves it.
inline nlohmann::json DemoRows(const testing_support::AttributionData& data, bool encoded) {
  const auto after = testing_support::HeadsAfterEncoding(data);
  nlohmann::json rows = nlohmann::json::array();
  for (size_t i = 0; i < data.heads.size(); ++i) {
    const auto& head = encoded ? after[i] : data.heads[i].numhead;
    rows.push_back(nlohmann::json::array({head ? nlohmann::json(*head) : nlohmann::json(nullptr),
                                          data.heads[i].index, data.heads[i].cardtype}));
  }
  return rows;
}

// A writable attribution database and its numindex rows in table order, as
// stored and as the maintenance run leaves them (null for a fixture
// without numindex).
struct AttributionFile {
  std::filesystem::path path;
  nlohmann::json before, after;
};

// DemoAttribution(options) written as `folder`/`name`, or a copy there of
// the shared fixture `fixture` (named without ".mdb"); nothing when that
// fixture is absent.
inline std::optional<AttributionFile> PlaceAttributionFile(
    Source source, const std::filesystem::path& folder, const std::string& fixture,
    const testing_support::DemoOptions& options, const std::string& name = "db.mdb") {
  AttributionFile file{folder / name, nullptr, nullptr};
  if (source == Source::kOurs) {
    const auto data = testing_support::DemoAttribution(options);
    testing_support::WriteAttributionDatabase(file.path, data);
    file.before = DemoRows(data, false);
    file.after = DemoRows(data, true);
    return file;
  }
  auto found = testing_support::FixturePath(fixture + ".mdb");
  if (!found) return std::nullopt;
  testing_support::CopyOver(*found, file.path);
  std::filesystem::permissions(file.path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  nlohmann::json truth = ReadJson(std::filesystem::path(*found).replace_extension(".json"));
  if (truth["tables"].contains("numindex")) {
    file.before = truth["tables"]["numindex"]["rows"];
    file.after = ExpectedAfterMaintenance(truth);
  }
  return file;
}

}  // namespace jet::testing

// Declares `var` (an AttributionFile) from PlaceAttributionFile(...), or
// skips the test when the fixture is absent.
#define JET_PLACE_DATABASE(var, ...)                                            \
  auto var##_placed_ = ::jet::testing::PlaceAttributionFile(__VA_ARGS__);       \
  if (!var##_placed_) GTEST_SKIP() << "shared fixture absent";                  \
  const ::jet::testing::AttributionFile& var = *var##_placed_

#endif  // DB_JET_TESTING_TEST_DATABASES_H_
