// The statements the attribution commands run, on the small database
// against the rows its ground truth lists, and on a database our engine
// writes against the rows it was written from.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "base/gbk.h"
#include "base/utf.h"
#include "codec/number_head.h"
#include "db/query.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
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

// The values each database is asked about.
struct Source {
  std::string name;
  bool shared;  // the small fixture and its ground truth, else our demonstration database
  std::vector<std::string> heads, cards;
  std::vector<int> city_keys;
  std::vector<std::string> provinces;  // distinct, in table order
  std::vector<std::string> sheng;      // asked for their cities
  std::vector<std::pair<std::string, std::string>> places;
  std::vector<int> head_keys;
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

class StatementsTest : public ::testing::TestWithParam<Source> {
 protected:
  void SetUp() override {
    if (!GetParam().shared) {
      UseOwn(testing_support::DemoAttribution(testing_support::MixedHeads()));
      return;
    }
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

  // Writes `data` and describes its tables as the ground truth does, text
  // as the cursor shows it (a character GBK lacks becomes "?").
  void UseOwn(const testing_support::AttributionData& data) {
    const auto path = own_dir_.path() / "attrdata.mdb";
    testing_support::WriteAttributionDatabase(path, data);
    connection_.SetDataSource(path.string());
    auto text = [](const std::u16string& value) {
      return base::Utf16ToUtf8(base::GbkToUtf16(base::Utf16ToGbk(value)));
    };
    auto columns = [](std::vector<std::string> names) {
      json list = json::array();
      for (const std::string& name : names) list.push_back({{"name", name}});
      return list;
    };
    tables_ = json::object();
    tables_["city"]["columns"] = columns({"index", "sheng", "shi", "youbian", "quhao"});
    for (const auto& c : data.cities) {
      tables_["city"]["rows"].push_back(
          {c.index, text(c.sheng), text(c.shi), text(c.youbian), text(c.quhao)});
    }
    tables_["cardtype"]["columns"] = columns({"cardtype", "describe"});
    for (const auto& c : data.card_types) {
      tables_["cardtype"]["rows"].push_back({text(c.cardtype), text(c.describe)});
    }
    tables_["numindex"]["columns"] = columns({"numhead", "index", "cardtype"});
    for (const auto& h : data.heads) {
      tables_["numindex"]["rows"].push_back(
          {h.numhead ? json(*h.numhead) : json(nullptr), h.index, h.cardtype});
    }
  }

  testing_support::ScratchDir own_dir_;
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

auto All() {
  return [](const json&, const json&) { return true; };
}

TEST_P(StatementsTest, NumberLookup) {
  for (const std::string& head : GetParam().heads) {
    Rows rows = Run("select * from numindex where numhead='" + head + "'", kNumindex);
    EXPECT_EQ(rows, Expected("numindex", kNumindex, Equals("numhead", head))) << head;
  }
  for (const std::string& card : GetParam().cards) {
    EXPECT_EQ(Run("select * from cardtype where cardtype='" + card + "'", {"cardtype", "describe"}),
              Expected("cardtype", {"cardtype", "describe"}, Equals("cardtype", card)));
  }
  for (int key : GetParam().city_keys) {
    EXPECT_EQ(Run("select * from city where index=" + std::to_string(key), kCity),
              Expected("city", kCity, Equals("index", key)));
  }
}

TEST_P(StatementsTest, ProvinceAndCityLists) {
  Rows provinces = Run("select distinct sheng from city", {"sheng"});
  Rows expected;
  for (const auto& row : Expected("city", {"sheng"}, All())) {
    if (std::find(expected.begin(), expected.end(), row) == expected.end()) expected.push_back(row);
  }
  EXPECT_EQ(provinces, expected);
  Rows listed;
  for (const std::string& sheng : GetParam().provinces) listed.push_back({sheng});
  EXPECT_EQ(provinces, listed);
  for (const std::string& province : GetParam().sheng) {
    EXPECT_EQ(Run("select shi from city  where sheng='" + province + "'", {"shi"}),
              Expected("city", {"shi"}, Equals("sheng", province)));
  }
}

TEST_P(StatementsTest, SegmentListingAndTheWholeTable) {
  for (const auto& [p, c] : GetParam().places) {
    EXPECT_EQ(Run("select * from city where sheng='" + p + "' and shi='" + c + "'", kCity),
              Expected("city", kCity, [&](const json& row, const json& names) {
                return Equals("sheng", p)(row, names) && Equals("shi", c)(row, names);
              }));
  }
  for (int key : GetParam().head_keys) {
    EXPECT_EQ(Run("select * from numindex where index=" + std::to_string(key), kNumindex),
              Expected("numindex", kNumindex, Equals("index", key)));
  }
  EXPECT_EQ(Run("select * from numindex", kNumindex), Expected("numindex", kNumindex, All()));
  EXPECT_EQ(Run("select * from city", kCity), Expected("city", kCity, All()));
}

INSTANTIATE_TEST_SUITE_P(
    Databases, StatementsTest,
    ::testing::Values(
        // Mixed and odd heads: plain, scrambled, six digits, empty; a plain
        // head stored twice, and its scrambled form.
        Source{.name = "Ours",
               .shared = false,
               .heads = {codec::EncodeNumberHead("1380100"), "1355500", "1355507", "189560", "",
                         codec::EncodeNumberHead("1355500")},
               .cards = {"1", "4", "9"},
               .city_keys = {1, 4, 10, 11, 999, -1},
               .provinces = {"北京", "上海", "广东", "四川", "吉林", "辽宁", "演示"},
               .sheng = {"广东", "北京", "演示", "广", ""},
               .places = {{"广东", "深圳"}, {"北京", "朝阳"}, {"吉林", "吉林"}, {"", ""}},
               .head_keys = {4, 5, 6, 999, -1}},
        Source{.name = "SharedFixture",
               .shared = true,
               .heads = {"048248010176051004235", "048248001091236109242",
                         "048254121252073032183", "1380013", ""},
               .cards = {"1", "7", "99"},
               .city_keys = {1, 7, 61, 9999, -1},
               .provinces = {"北京", "上海", "天津", "重庆", "广东", "四川", "江苏", "浙江",
                             "新疆", "内蒙古", "黑龙江", "吉林", "青海"},
               .sheng = {"广东", "吉林", "青海", "广", ""},
               .places = {{"广东", "深圳"}, {"青海", "海南"}, {"", ""}},
               .head_keys = {7, 26, 9999, -1}}),
    [](const ::testing::TestParamInfo<Source>& info) { return info.param.name; });

}  // namespace
}  // namespace db
