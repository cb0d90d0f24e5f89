// Seed inputs for each entry.
#include "fuzz/seeds.h"

#include <random>
#include <string>

#include "codec/number_head.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/writer.h"
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

}  // namespace

std::vector<std::vector<uint8_t>> Seeds(std::string_view entry) {
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
