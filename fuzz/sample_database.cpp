// Building the sample databases through the engine's own creator and writer.
#include "fuzz/sample_database.h"

#include <string>

#include "codec/number_head.h"
#include "attribution/schema.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/file/journal.h"
#include "db/jet/write/table_creator.h"

namespace fuzz {
namespace {

std::u16string Ascii(std::string_view text) { return {text.begin(), text.end()}; }

std::u16string LongText(size_t characters) {
  std::u16string text;
  for (size_t k = 0; k < characters; ++k) {
    text.push_back(k % 11 == 3 ? static_cast<char16_t>(0x4E00 + k % 300)
                               : static_cast<char16_t>(u'a' + k % 26));
  }
  return text;
}

jet::Bytes LongBytes(size_t length) {
  jet::Bytes bytes(length);
  for (size_t k = 0; k < length; ++k) bytes[k] = static_cast<uint8_t>(k * 13 + 5);
  return bytes;
}

void CreateKindsTable(jet::Database& db, jet::Writer& writer, bool indexes) {
  using jet::ColumnKind;
  std::vector<jet::ColumnSpec> columns = {
      {u"id", ColumnKind::kLong, 0, true, /*auto_number=*/true},
      {u"flag", ColumnKind::kBoolean},
      {u"tiny", ColumnKind::kByte},
      {u"small", ColumnKind::kInteger},
      {u"money", ColumnKind::kCurrency},
      {u"single", ColumnKind::kSingle},
      {u"dbl", ColumnKind::kDouble},
      {u"stamp", ColumnKind::kDateTime},
      {u"bin", ColumnKind::kBinary, 16},
      {u"txt", ColumnKind::kText, 20},
      {u"num", ColumnKind::kNumeric, 0, true, false, 18, 4},
      {u"guid", ColumnKind::kGuid},
      {u"memo", ColumnKind::kMemo},
      {u"ole", ColumnKind::kOle},
  };
  std::vector<jet::IndexSpec> index_specs;
  if (indexes) {
    index_specs.push_back({u"txt", {u"txt"}});
    index_specs.push_back({u"small", {u"small"}, false, /*unique=*/true});
  }
  writer.Begin();
  jet::CreateTable(db, writer, kKindsTable, columns, index_specs);
  writer.Commit();
}

}  // namespace

std::unique_ptr<jet::Database> NewSampleDatabase(bool indexes) {
  jet::NewDatabaseOptions options;
  options.created = 46000.5;  // a fixed date, so that the images repeat
  auto db = jet::NewMemoryDatabase(options);
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  attribution::CreateAttributionTables(*db, writer, {.numhead_size = 30, .indexes = indexes});
  CreateKindsTable(*db, writer, indexes);
  return db;
}

void AddSampleRows(jet::Database& db, jet::Writer& writer) {
  writer.Begin();
  auto city = db.GetTable(u"city");
  writer.InsertRow(city, {{0, int32_t{1}}, {1, std::u16string(u"北京")},
                          {2, std::u16string(u"北京")}, {3, std::u16string(u"100000")},
                          {4, std::u16string(u"10")}});
  writer.InsertRow(city, {{0, int32_t{2}}, {1, std::u16string(u"广东")},
                          {2, std::u16string(u"深圳")}, {3, std::u16string(u"518000")},
                          {4, std::u16string(u"755")}});
  writer.InsertRow(city, {{0, int32_t{3}}, {1, std::u16string(u"四川")}});
  auto cardtype = db.GetTable(u"cardtype");
  writer.InsertRow(cardtype, {{0, std::u16string(u"1")}, {1, std::u16string(u"中国移动")}});
  writer.InsertRow(cardtype, {{0, std::u16string(u"2")}, {1, std::u16string(u"中国联通")}});
  auto numindex = db.GetTable(u"numindex");
  const char* heads[] = {"1380013", "1390800", "1355500", "1860200", "1895600"};
  int32_t index = 1;
  for (const char* head : heads) {
    writer.InsertRow(numindex, {{0, Ascii(codec::EncodeNumberHead(head))},
                                {1, index}, {2, std::u16string(u"1")}});
    index = index % 3 + 1;
  }
  writer.InsertRow(numindex, {{0, std::u16string(u"1331234")}, {1, int32_t{2}},
                              {2, std::u16string(u"2")}});
  writer.InsertRow(numindex, {{1, int32_t{9}}});
  auto kinds = db.GetTable(kKindsTable);
  // Inline, one long-value row, and a chain of them.
  const size_t memo_chars[] = {10, 600, 2500};
  const size_t ole_bytes[] = {40, 3000, 9000};
  for (size_t r = 0; r < 3; ++r) {
    jet::Guid guid;
    for (size_t k = 0; k < guid.bytes.size(); ++k) guid.bytes[k] = static_cast<uint8_t>(k + r);
    writer.InsertRow(
        kinds, {{1, r % 2 == 0}, {2, static_cast<uint8_t>(200 + r)},
                {3, static_cast<int16_t>(-300 * static_cast<int>(r))},
                {4, jet::Currency{123456789 * static_cast<int64_t>(r + 1)}},
                {5, 1.5f * static_cast<float>(r)}, {6, -2.25 * static_cast<double>(r)},
                {7, jet::DateTime{45000.25 + static_cast<double>(r)}},
                {8, jet::Bytes{1, 2, static_cast<uint8_t>(r)}},
                {9, std::u16string(u"txt") + static_cast<char16_t>(u'0' + r)},
                {10, jet::Decimal{r == 1, 18, 4, 0, 12345678 + r}}, {11, guid},
                {12, LongText(memo_chars[r])}, {13, LongBytes(ole_bytes[r])}});
  }
  writer.InsertRow(kinds, {});  // every column null or false
  writer.Commit();
}

const std::vector<uint8_t>& SampleImage(bool indexes, bool rows) {
  static std::vector<uint8_t> images[2][2];
  std::vector<uint8_t>& image = images[indexes][rows];
  if (image.empty()) {
    auto db = NewSampleDatabase(indexes);
    if (rows) {
      jet::Writer writer(*db, jet::WriterOptions{.sync = false});
      AddSampleRows(*db, writer);
    }
    image = jet::DatabaseBytes(*db);
  }
  return image;
}

std::unique_ptr<jet::Database> OpenImageForWriting(const std::vector<uint8_t>& image) {
  auto file = std::make_unique<jet::JournaledFile>(
      std::make_unique<jet::MemoryPageFile>(image, true, "fuzz database"),
      std::filesystem::path{}, std::filesystem::path{});
  return std::make_unique<jet::Database>(std::move(file));
}

attribution::AttributionData SampleRelease() {
  attribution::AttributionData release;
  release.cities = {{1, u"北京", u"北京", u"100000", u"10", true},
                    {2, u"广东", u"深圳", u"518000", u"755", true},
                    {3, u"广东", u"深圳", u"518100", u"755", true},
                    {4, u"四川", u"成都", u"610000", u"28", true},
                    {5, u"辽宁", u"朝阳", u"122000", u"421", true},
                    {6, u"北京", u"朝阳", u"100020", u"10", true}};
  release.card_types = {{u"1", u"中国移动"}, {u"2", u"中国联通"}, {u"3", u"中国电信"}};
  for (uint32_t i = 0; i < 36; ++i) {
    release.heads.push_back({std::to_string(1300000 + 18713 * i),
                             static_cast<int32_t>(1 + i % 6), i % 3});
  }
  return release;
}

}  // namespace fuzz
