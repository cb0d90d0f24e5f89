// Building attribution databases through jet::CreateDatabase, the schema
// helper and jet::Writer.
#include "testing/attribution_db.h"

#include <memory>

#include "codec/number_head.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"

namespace testing_support {
namespace {

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// Rows per batch: the writer holds a batch's pages in memory.
constexpr size_t kRowsPerBatch = 1000;

template <typename Row, typename MakeValues>
void InsertAll(jet::Database& db, jet::Writer& writer, std::u16string_view table_name,
               const std::vector<Row>& rows, MakeValues make_values) {
  auto table = db.GetTable(table_name);
  for (size_t start = 0; start < rows.size(); start += kRowsPerBatch) {
    writer.Begin();
    for (size_t i = start; i < rows.size() && i < start + kRowsPerBatch; ++i) {
      writer.InsertRow(table, make_values(rows[i]));
    }
    writer.Commit();
  }
}

struct Block {
  int first;
  int count;
  int32_t index;
  const char* cardtype;
};

constexpr Block kBlocks[] = {
    {1380100, 40, 1, "1"}, {1390210, 30, 2, "1"},  {1860200, 50, 3, "2"},
    {1355500, 60, 4, "1"}, {1895600, 20, 5, "3"},  {1332800, 40, 6, "3"},
    {1504320, 10, 7, "1"}, {1314210, 10, 8, "2"},  {1921000, 5, 9, "4"},
    {1776550, 5, 10, "3"}, {1990000, 3, 11, "3"},
};

// The plain rows of the dataset in table order, odd heads left out.
std::vector<HeadRow> PlainHeads() {
  std::vector<HeadRow> rows;
  for (int j = 0;; ++j) {
    bool any = false;
    for (const Block& block : kBlocks) {
      if (j >= block.count) continue;
      any = true;
      rows.push_back({std::to_string(block.first + (7 * j) % block.count), block.index,
                      block.cardtype});
    }
    if (!any) break;
  }
  rows.push_back({"1355500", 6, "3"});
  rows.push_back({"1530999", 999, "3"});
  rows.push_back({"1860999", 3, "9"});
  return rows;
}

}  // namespace

void WriteAttributionDatabase(const std::filesystem::path& path,
                              const AttributionData& data) {
  jet::CreateDatabase(path);
  auto db = jet::Database::Open(path, jet::OpenMode::kReadWrite);
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  attribution::CreateAttributionTables(*db, writer, data.schema);
  InsertAll(*db, writer, u"city", data.cities, [](const CityRow& row) {
    return jet::ColumnChanges{{0, row.index}, {1, row.sheng}, {2, row.shi},
                              {3, row.youbian}, {4, row.quhao}};
  });
  InsertAll(*db, writer, u"cardtype", data.card_types, [](const CardTypeRow& row) {
    return jet::ColumnChanges{{0, row.cardtype}, {1, row.describe}};
  });
  InsertAll(*db, writer, u"numindex", data.heads, [](const HeadRow& row) {
    jet::Value head = std::monostate{};
    if (row.numhead) head = Ascii(*row.numhead);
    return jet::ColumnChanges{{0, head}, {1, row.index}, {2, Ascii(row.cardtype)}};
  });
}

AttributionData DemoAttribution(const DemoOptions& options) {
  AttributionData data;
  data.schema = options.schema;
  data.cities = {
      {1, u"北京", u"北京", u"100000", u"10"},   {2, u"上海", u"上海", u"200000", u"21"},
      {3, u"广东", u"广州", u"510000", u"20"},   {4, u"广东", u"深圳", u"518000", u"755"},
      {5, u"广东", u"珠海", u"519000", u"756"},  {6, u"四川", u"成都", u"610000", u"28"},
      {7, u"吉林", u"吉林", u"132000", u"432"},  {8, u"辽宁", u"朝阳", u"122000", u"421"},
      {9, u"北京", u"朝阳", u"100020", u"10"},   {10, u"广东", u"深圳", u"518100", u"755"},
      {11, u"演示", u"演示区\U0001F600", u"000000", u"0"},
  };
  data.card_types = {
      {u"1", u"中国移动"}, {u"2", u"中国联通"}, {u"3", u"中国电信"}, {u"4", u"中国广电"}};
  data.heads = PlainHeads();
  for (size_t i = 0; i < data.heads.size(); ++i) {
    const bool scramble = options.heads == HeadForm::kScrambled ||
                          (options.heads == HeadForm::kMixed && i % 10 == 0);
    if (scramble) data.heads[i].numhead = codec::EncodeNumberHead(*data.heads[i].numhead);
  }
  for (int i = 0; i < options.extra_heads; ++i) {
    std::string head = std::to_string(1470000 + (7919 * i) % 10000);
    if (options.heads == HeadForm::kScrambled) head = codec::EncodeNumberHead(head);
    data.heads.push_back({head, 1 + i % 11, "1"});
  }
  if (options.odd_heads) {
    const HeadRow odd[] = {{"189560", 5, "3"}, {"18956001", 5, "3"}, {"", 5, "3"},
                           {std::nullopt, 5, "3"}};
    data.heads.insert(data.heads.begin() + 41, std::begin(odd), std::end(odd));
  }
  return data;
}

std::filesystem::path WriteDemoDatabase(const std::filesystem::path& folder,
                                        const DemoOptions& options,
                                        const std::string& name) {
  std::filesystem::path path = folder / name;
  WriteAttributionDatabase(path, DemoAttribution(options));
  return path;
}

std::vector<std::optional<std::string>> HeadsAfterEncoding(const AttributionData& data) {
  std::vector<std::optional<std::string>> heads;
  for (const HeadRow& row : data.heads) {
    heads.push_back(row.numhead);
    if (row.numhead && row.numhead->size() == 7) {
      heads.back() = codec::EncodeNumberHead(*row.numhead).substr(0, data.schema.numhead_size);
    }
  }
  return heads;
}

std::vector<std::string> DemoHeadsOf(int32_t index) {
  std::vector<std::string> heads;
  for (const HeadRow& row : PlainHeads()) {
    if (row.index == index) heads.push_back(*row.numhead);
  }
  return heads;
}

void AddKindsTable(const std::filesystem::path& path) {
  auto database = jet::Database::Open(path, jet::OpenMode::kReadWrite);
  jet::Writer writer(*database, jet::WriterOptions{.sync = false});
  std::vector<jet::ColumnSpec> columns = {
      {u"id", jet::ColumnKind::kLong},        {u"flag", jet::ColumnKind::kBoolean},
      {u"tiny", jet::ColumnKind::kByte},      {u"small", jet::ColumnKind::kInteger},
      {u"big", jet::ColumnKind::kLong},       {u"price", jet::ColumnKind::kCurrency},
      {u"ratio", jet::ColumnKind::kSingle},   {u"measure", jet::ColumnKind::kDouble},
      {u"stamp", jet::ColumnKind::kDateTime}, {u"txt", jet::ColumnKind::kText, 20},
      {u"bin", jet::ColumnKind::kBinary, 8}};
  columns[0].auto_number = true;
  writer.Begin();
  auto table = jet::CreateTable(*database, writer, u"kinds", columns, {});
  writer.InsertRow(table, {{1, true}, {2, uint8_t{255}}, {3, int16_t{1}},
                           {4, int32_t{2147483647}}, {5, jet::Currency{12345678}},
                           {6, 3.14159f}, {7, 3.14159265358979}, {8, jet::DateTime{2}},
                           {9, std::u16string(u"广州市天河区")},
                           {10, jet::Bytes{1, 2}}});
  writer.InsertRow(table, {{1, false}, {3, int16_t{-1}}, {5, jet::Currency{-1}},
                           {6, -1.5e-20f}, {7, 1e300}, {8, jet::DateTime{-1.5}},
                           {9, std::u16string(u"emoji \U0001F600 和 hello")}});
  writer.InsertRow(table, {{1, true}, {7, 7.5}, {9, std::u16string(u"hello")}});
  writer.InsertRow(table, {{1, false}});
  writer.Commit();
}

}  // namespace testing_support
