// The statements the attribution commands run, on the small database,
// against the rows its ground truth lists.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "base/gbk.h"
#include "base/utf.h"
#include "db/query.h"
#include "testing/shared_fixtures.h"

namespace db {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using nlohmann::json;

std::string Text(const json& value) {
  if (value.is_null()) return "";
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto mdb = testing_support::FixturePath("attrdata-small.mdb");
    auto truth = testing_support::FixturePath("attrdata-small.json");
    if (!mdb || !truth) GTEST_SKIP() << "shared fixture absent: attrdata-small";
    connection_.SetDataSource(mdb->string());
    std::ifstream in(*truth);
    tables_ = json::parse(in)["tables"];
  }

  // Runs the statement as the commands do and reads `columns` of every row
  // with FieldText, as UTF-8.
  Rows Run(const std::string& utf8_line, const std::vector<std::string>& columns) {
    query_.Close();
    query_.SQL().Clear();
    query_.SQL().Add(base::Utf16ToGbk(base::Utf8ToUtf16(utf8_line)));
    query_.Open();
    Rows rows;
    for (; !query_.AtEnd(); query_.Next()) {
      rows.emplace_back();
      for (const std::string& c : columns) {
        rows.back().push_back(base::Utf16ToUtf8(base::GbkToUtf16(query_.FieldText(c))));
      }
    }
    EXPECT_EQ(query_.RowCount(), static_cast<int>(rows.size()));
    return rows;
  }

  // The ground truth's rows of `table` that satisfy `keep`, in table order,
  // with the values of `columns`.
  Rows Expected(const std::string& table, const std::vector<std::string>& columns,
                const std::function<bool(const json& row, const json& names)>& keep) {
    const json& t = tables_[table];
    json names = json::object();
    for (size_t i = 0; i < t["columns"].size(); ++i) names[t["columns"][i]["name"]] = i;
    Rows rows;
    for (const json& row : t["rows"]) {
      if (!keep(row, names)) continue;
      rows.emplace_back();
      for (const std::string& c : columns) rows.back().push_back(Text(row[names[c].get<size_t>()]));
    }
    return rows;
  }

  json tables_;
  TADOConnection connection_;
  TADOQuery query_{connection_};
};

auto Equals(const std::string& column, const json& value) {
  return [column, value](const json& row, const json& names) {
    return row[names[column].get<size_t>()] == value;
  };
}

const std::vector<std::string> kNumindex = {"numhead", "index", "cardtype"};
const std::vector<std::string> kCity = {"index", "sheng", "shi", "youbian", "quhao"};

TEST_F(StatementsTest, NumberLookup) {
  for (const char* head : {"048248010176051004235", "048248001091236109242",
                           "048254121252073032183", "1380013", ""}) {
    Rows rows = Run(std::string("select * from numindex where numhead='") + head + "'", kNumindex);
    EXPECT_EQ(rows, Expected("numindex", kNumindex, Equals("numhead", head))) << head;
  }
  for (const char* card : {"1", "7", "99"}) {
    EXPECT_EQ(Run(std::string("select * from cardtype where cardtype='") + card + "'",
                  {"cardtype", "describe"}),
              Expected("cardtype", {"cardtype", "describe"}, Equals("cardtype", card)));
  }
  for (int key : {1, 7, 61, 9999, -1}) {
    EXPECT_EQ(Run("select * from city where index=" + std::to_string(key), kCity),
              Expected("city", kCity, Equals("index", key)));
  }
}

TEST_F(StatementsTest, ProvinceAndCityLists) {
  Rows provinces = Run("select distinct sheng from city", {"sheng"});
  Rows expected;
  for (const auto& row : Expected("city", {"sheng"}, [](const json&, const json&) { return true; })) {
    if (std::find(expected.begin(), expected.end(), row) == expected.end()) expected.push_back(row);
  }
  EXPECT_EQ(provinces, expected);
  for (const char* province : {"广东", "吉林", "青海", "广", ""}) {
    EXPECT_EQ(Run(std::string("select shi from city  where sheng='") + province + "'", {"shi"}),
              Expected("city", {"shi"}, Equals("sheng", province)));
  }
}

TEST_F(StatementsTest, SegmentListingAndTheWholeTable) {
  for (auto [p, c] : {std::pair{"广东", "深圳"}, {"青海", "海南"}, {"", ""}}) {
    EXPECT_EQ(Run(std::string("select * from city where sheng='") + p + "' and shi='" + c + "'",
                  kCity),
              Expected("city", kCity, [&](const json& row, const json& names) {
                return Equals("sheng", p)(row, names) && Equals("shi", c)(row, names);
              }));
  }
  for (int key : {7, 26, 9999, -1}) {
    EXPECT_EQ(Run("select * from numindex where index=" + std::to_string(key), kNumindex),
              Expected("numindex", kNumindex, Equals("index", key)));
  }
  EXPECT_EQ(Run("select * from numindex", kNumindex),
            Expected("numindex", kNumindex, [](const json&, const json&) { return true; }));
}

}  // namespace
}  // namespace db
