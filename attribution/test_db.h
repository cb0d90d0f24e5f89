// Attribution databases for the lookup tests, made by our own engine in
// memory from rows given in code.
#ifndef ATTRIBUTION_TEST_DB_H_
#define ATTRIBUTION_TEST_DB_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/jet/read/database.h"

namespace attribution::testing {

struct TestCity {
  int32_t index;
  std::u16string sheng, shi, youbian, quhao;
};

struct TestCardType {
  std::optional<std::u16string> cardtype;  // nothing: null
  std::u16string describe;
};

struct TestHead {
  std::optional<std::u16string> numhead;  // as stored; nothing: null
  std::optional<int32_t> index;           // nothing: null
  std::u16string cardtype;
};

struct TestData {
  std::vector<TestCity> cities;
  std::vector<TestCardType> card_types;
  std::vector<TestHead> heads;
};

// EncodeNumberHead of `head`, as the engine's text.
std::u16string Scrambled(const std::string& head);
// `head` as the engine's text.
std::u16string Plain(const std::string& head);

// A database in memory holding the three tables with `data`'s rows in the
// order given.
std::unique_ptr<jet::Database> MakeDatabase(const TestData& data);
// The same, saved as the file `path`.
void SaveDatabase(const TestData& data, const std::filesystem::path& path);

}  // namespace attribution::testing

#endif  // ATTRIBUTION_TEST_DB_H_
