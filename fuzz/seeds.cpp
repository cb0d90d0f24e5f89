// Seed inputs for each entry.
#include "fuzz/seeds.h"

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "attribution/attribution_index.h"
#include "attribution/import_builder.h"
#include "attribution/phone_dat.h"
#include "codec/number_head.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/writer.h"
#include "fuzz/import_input.h"
#include "fuzz/sample_database.h"

namespace fuzz {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::vector<uint8_t>> FromTexts(std::initializer_list<std::string_view> texts) {
  std::vector<std::vector<uint8_t>> seeds;
  for (std::string_view text : texts) seeds.push_back(Bytes(text));
  return seeds;
}

// The sample database after rows were moved by growing updates, a table
// emptied and refilled, and a batch rolled back.
std::vector<uint8_t> ChangedImage() {
  auto db = OpenImageForWriting(SampleImage(true, true));
  jet::Writer writer(*db, jet::WriterOptions{.sync = false});
  writer.Begin();
  auto city = db->GetTable(u"city");
  std::vector<jet::RowLocation> rows;
  for (jet::RowCursor cursor = db->Scan(city); cursor.Next();) {
    rows.push_back(cursor.row().location());
  }
  for (jet::RowLocation row : rows) {
    writer.UpdateRow(city, row, {{1, std::u16string(50, u'长')}, {2, std::u16string(50, u'x')}});
  }
  auto cardtype = db->GetTable(u"cardtype");
  writer.DeleteAllRows(cardtype);
  writer.InsertRow(cardtype, {{0, std::u16string(u"3")}, {1, std::u16string(u"中国电信")}});
  writer.Commit();
  writer.Begin();
  writer.DeleteAllRows(db->GetTable(u"numindex"));
  writer.Rollback();
  return jet::DatabaseBytes(*db);
}

std::vector<std::vector<uint8_t>> DatabaseSeeds() {
  jet::NewDatabaseOptions options;
  options.created = 46000.5;
  return {jet::NewDatabaseImage(options), SampleImage(false, false), SampleImage(true, true),
          SampleImage(false, true), ChangedImage()};
}

std::vector<std::vector<uint8_t>> ProgramSeeds() {
  std::vector<std::vector<uint8_t>> seeds;
  std::mt19937 random(20240611);
  for (uint8_t start = 0; start < 4; ++start) {
    for (size_t length : {24, 120, 400}) {
      std::vector<uint8_t> program{start};
      while (program.size() < length) program.push_back(static_cast<uint8_t>(random()));
      seeds.push_back(std::move(program));
    }
  }
  // Insert into each table, verify, commit, verify: a plain path through.
  seeds.push_back({2, 0, 1, 0, 1, 0x40, 5, 1, 0x41, 3, 1, 2, 0x30, 7, 5, 7, 1, 3, 1, 0x50, 1,
                   0x21, 2, 0x40, 1, 5, 7});
  return seeds;
}

std::vector<uint8_t> WithMode(uint8_t mode, std::string_view input) {
  std::vector<uint8_t> seed(input.size() + 1);
  seed[0] = mode;
  std::copy(input.begin(), input.end(), seed.begin() + 1);
  return seed;
}

// A newer release than SampleRelease: a head moved to another city and
// another to another card type, every fifth head gone, 深圳 518000 with a
// new postal code, a new city and card type with new heads.
attribution::AttributionData ChangedRelease() {
  attribution::AttributionData release = SampleRelease();
  release.cities[1].postal_code = u"518001";
  release.cities.push_back({7, u"新疆", u"新城", u"830099", u"999", true});
  release.card_types.push_back({u"7", u"中国广电"});
  std::vector<attribution::HeadRow> heads;
  for (size_t i = 0; i < release.heads.size(); ++i) {
    attribution::HeadRow head = release.heads[i];
    if (i % 5 == 4) continue;
    if (i % 7 == 1) head.city = head.city % 6 + 1;
    if (i % 11 == 2) head.card_type = (head.card_type + 1) % 3;
    heads.push_back(head);
  }
  for (uint32_t k = 0; k < 6; ++k) heads.push_back({std::to_string(1999000 + k), 7, k % 2 * 3});
  release.heads = std::move(heads);
  return release;
}

std::string PhoneDatOf(std::initializer_list<std::array<std::string_view, 6>> heads) {
  attribution::PhoneDatWriter writer;
  for (const auto& h : heads) {
    writer.Add(static_cast<uint32_t>(std::stoul(std::string(h[0]))), h[1], h[2], h[3], h[4],
               static_cast<uint8_t>(std::stoul(std::string(h[5]))));
  }
  return writer.Finish("2412");
}

std::vector<std::vector<uint8_t>> PhoneDatSeeds() {
  // Cities with two area codes, a head without a city, a record used again
  // further on, codes without a name (0, 42, 255); then an index cut short
  // (its last record unused).
  const std::string shapes = PhoneDatOf({{"1300000", "湖北", "襄阳", "441000", "0710", "2"},
                                         {"1300001", "湖北", "襄阳", "441000", "0724", "2"},
                                         {"1300002", "北京", "北京", "100000", "010", "1"},
                                         {"1300003", "湖北", "襄阳", "441000", "0710", "0"},
                                         {"1340000", "新疆", "", "", "", "3"},
                                         {"1700000", "北京", "北京", "100000", "10", "8"},
                                         {"1990000", "北京", "北京", "100000", "010", "42"},
                                         {"1999999", "末", "尾", "", "0", "255"}});
  std::vector<std::vector<uint8_t>> seeds = {Bytes(shapes),
                                             Bytes(shapes.substr(0, shapes.size() - 9)),
                                             Bytes(PhoneDatOf({})),
                                             Bytes(WriteInputOf(SampleRelease(),
                                                                InputLayout::kPhoneDat))};
  // The export's writer, over the answers of a database the import built.
  jet::Database db(std::make_unique<jet::MemoryPageFile>(
      attribution::BuildAttributionImage(ChangedRelease(), false, nullptr), false));
  seeds.push_back(
      Bytes(attribution::WritePhoneDat(attribution::AttributionIndex::Load(db), "2501")));
  return seeds;
}

std::vector<std::vector<uint8_t>> CsvSeeds() {
  // A byte-order mark, CR LF and LF, a blank line, quoted fields (a comma
  // and doubled quotes inside), area codes with and without their "0",
  // empty texts, no line end at the end.
  const std::string_view one_file =
      "\xEF\xBB\xBFhead,province,city,postal_code,area_code,card_type\r\n"
      "1380013,北京,北京,100000,010,中国移动\r\n"
      "\r\n"
      "1390800,\"广东\",\"深圳\",518000,0755,\"中国联通\"\r\n"
      "1355500,广东,\"深圳, 南山\",518100,755,\"卡 \"\"二\"\"\"\n"
      "1860200,新疆,,,,中国电信\n"
      "1990000,北京,朝阳,100020,010,中国移动";
  // Keys given, a city no head uses, a card type keyed by a letter.
  const std::string tables = JoinTables(
      "index,sheng,shi,youbian,quhao\r\n1,北京,北京,100000,010\r\n7,广东,\"深圳\",518000,0755\r\n"
      "9,四川,成都,,\r\n",
      "cardtype,describe\r\n1,中国移动\r\nA,\"卡, 虚拟\"\r\n",
      "head,index,cardtype\r\n1380013,1,1\r\n1355500,7,A\r\n1860200,1,A\r\n");
  // Refused: a quote left open over lines, a line of five fields.
  const std::string_view open_quote =
      "head,province,city,postal_code,area_code,card_type\n1380013,\"北京,北京\n1,2,3,4,5,6\n";
  const std::string_view short_line =
      "head,province,city,postal_code,area_code,card_type\n1380013,北京,北京,100000,010\n";
  const std::string release = WriteInputOf(SampleRelease(), InputLayout::kCsv);
  const std::string release_tables = WriteInputOf(SampleRelease(), InputLayout::kTables);
  // Mode: bit 0 the folder layout, bit 1 detection, bits 2-3 the block.
  return {WithMode(0x00, one_file),      WithMode(0x06, one_file),   WithMode(0x0A, release),
          WithMode(0x0C, open_quote),    WithMode(0x02, short_line), WithMode(0x01, tables),
          WithMode(0x07, tables),        WithMode(0x0D, release_tables)};
}

std::vector<std::vector<uint8_t>> MergeSeeds() {
  // Mode: bits 0-2 the database, bit 3 prune, bit 4 plain heads, bit 5 a
  // refusal before writing, bits 6-7 the layout (one file, tables, phone.dat).
  const attribution::AttributionData changed = ChangedRelease();
  const std::string unchanged = WriteInputOf(SampleRelease(), InputLayout::kCsv);
  const std::string inputs[] = {WriteInputOf(changed, InputLayout::kCsv),
                                WriteInputOf(changed, InputLayout::kTables),
                                WriteInputOf(changed, InputLayout::kPhoneDat)};
  std::vector<std::vector<uint8_t>> seeds;
  for (uint8_t database = 0; database < 8; ++database) {
    seeds.push_back(WithMode(database, unchanged));
    for (uint8_t layout = 0; layout < 3; ++layout) {
      const uint8_t prune = (database + layout) % 2 == 0 ? 0x08 : 0;
      seeds.push_back(WithMode(static_cast<uint8_t>(database | prune | layout << 6),
                               inputs[layout]));
    }
  }
  seeds.push_back(WithMode(0x02 | 0x08 | 0x20, inputs[0]));
  seeds.push_back(WithMode(0x05 | 0x10 | 0x40, inputs[1]));
  return seeds;
}

}  // namespace

std::vector<std::vector<uint8_t>> Seeds(std::string_view entry) {
  if (entry == "phone_dat") return PhoneDatSeeds();
  if (entry == "csv_import") return CsvSeeds();
  if (entry == "merge_plan") return MergeSeeds();
  if (entry == "read_database") return DatabaseSeeds();
  if (entry == "update_sequence") return ProgramSeeds();
  if (entry == "index_seek") {
    // No damage; a leaf's entry bitmap; the next-leaf pointer; a node's
    // child pointers; spread over every index page.
    std::vector<std::vector<uint8_t>> seeds = {{7, 0}, {40, 1, 0, 0x1B, 0x31},
                                               {200, 2, 1, 0x01, 0x02},
                                               {9, 0, 2, 0x01, 0x41, 5, 0x1E, 0x0C}};
    std::mt19937 random(15);
    for (int n = 0; n < 4; ++n) {
      std::vector<uint8_t> seed(2 + 3 * (1 + n * 4));
      for (uint8_t& b : seed) b = static_cast<uint8_t>(random());
      seeds.push_back(std::move(seed));
    }
    return seeds;
  }
  if (entry == "parse_statement") {
    return FromTexts({
        "select * from numindex where numhead='048254120249091211081'\r\n",
        "select * from numindex where index=284\r\n",
        "select distinct sheng from city\r\n",
        "select shi from city  where sheng='广东'",
        "SELECT [index], shi AS name FROM city WHERE sheng LIKE '广%' AND NOT quhao IS NULL;",
        "select * from cardtype where cardtype = \"1\" or (describe <> 'x' and cardtype >= '2')",
        "select city.shi from city where -index < -2 or index = ?",
        "select * from numindex where cardtype not like '[!1]*' and index between 1 and 3",
        "select * from kinds where dbl > 1.5e2 and memo is not null",
        "select 'open from city",
    });
  }
  if (entry == "parameter_scan") {
    return FromTexts({
        "select * from numindex where numhead=:head",
        "select * from city where sheng=:sheng and shi=:'shi'",
        "update x set a = ':not' , b = :b;",
        "a::b :\"quoted name\" \xb1\xb1\xbe\xa9:x)\r\n",
        ":",
        "`:in` ':also' :tail",
    });
  }
  if (entry == "text_to_integer") {
    return FromTexts({"284", "-2147483648", "2147483647", "2147483648", "  +42", "$7FFFFFFF",
                      "0x80000000", "-x1", "X", "0012", "12a", ""});
  }
  if (entry == "number_head") {
    return FromTexts({codec::EncodeNumberHead("1380013"), codec::EncodeNumberHead("1990000"),
                      "255000001", "25", "$FF0x1 -1", "999999999"});
  }
  return {};
}

}  // namespace fuzz
