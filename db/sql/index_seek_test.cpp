// Lookups through the file's own indexes give the rows, in the order, that
// the equality hash built by a scan gives: on every fixture with indexes and
// on a database our engine writes; and damaged index pages fail cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "base/utf.h"
#include "db/jet/format/error.h"
#include "db/sql/session.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace sql {
namespace {

// `value` written as a literal of a statement, or nothing for kinds a
// statement cannot compare.
std::optional<std::u16string> Literal(const jet::Value& value) {
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    std::u16string out = u"'";
    for (char16_t c : *text) out += c == u'\'' ? u"''" : std::u16string(1, c);
    return out + u"'";
  }
  double number;
  if (const auto* b = std::get_if<uint8_t>(&value)) number = *b;
  else if (const auto* s = std::get_if<int16_t>(&value)) number = *s;
  else if (const auto* l = std::get_if<int32_t>(&value)) number = *l;
  else if (const auto* d = std::get_if<double>(&value)) number = *d;
  else return std::nullopt;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", number);
  return base::Utf8ToUtf16(buffer);
}

std::vector<jet::RowLocation> Locations(const ResultSet& result) {
  std::vector<jet::RowLocation> rows;
  for (const jet::Row& row : result.rows) rows.push_back(row.location());
  return rows;
}

// For each index's first column, up to 40 of its stored values and a value
// stored nowhere: the seek and the hash find the same rows. Returns how many
// statements took a seek, or -1 when the indexed columns hold no rows.
int CompareSeeksWithHashes(const std::filesystem::path& path) {
  auto database = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  Session seeking(*database), hashing(*database);
  hashing.SetIndexSeeks(false);
  int seeks = 0, statements = 0;
  for (const std::u16string& name : database->TableNames()) {
    auto table = database->GetTable(name);
    std::set<uint16_t> columns;
    for (const jet::Index& index : table->indexes) {
      if (!index.columns.empty()) columns.insert(index.columns[0].column_number);
    }
    for (size_t c = 0; c < table->columns.size(); ++c) {
      if (!columns.contains(table->columns[c].number)) continue;
      std::vector<std::u16string> literals;
      jet::RowCursor cursor = database->Scan(table);
      for (size_t n = 0; cursor.Next() && literals.size() < 40; ++n) {
        if (n % 7 != 0) continue;
        if (auto literal = Literal(cursor.row().Get(c))) literals.push_back(*literal);
      }
      if (literals.empty()) continue;
      literals.push_back(literals[0][0] == u'\'' ? u"'no such value'" : u"-12345");
      for (const std::u16string& literal : literals) {
        const std::u16string statement = u"select * from [" + table->name + u"] where [" +
                                         table->columns[c].name + u"] = " + literal;
        ++statements;
        const ResultSet seek = seeking.Execute(statement);
        const ResultSet hash = hashing.Execute(statement);
        EXPECT_EQ(Locations(seek), Locations(hash)) << base::Utf16ToUtf8(statement);
        EXPECT_EQ(hashing.LastPlan().rfind("equality hash", 0), 0u);
        if (seeking.LastPlan().rfind("index seek", 0) == 0) ++seeks;
      }
    }
  }
  return statements == 0 ? -1 : seeks;
}

// A shared fixture with indexes, or (empty) the demonstration database with
// its three indexes, written by our engine.
class SeekMatchesHash : public ::testing::TestWithParam<const char*> {};

TEST_P(SeekMatchesHash, OnEveryIndexedColumn) {
  testing_support::ScratchDir dir;
  std::filesystem::path path;
  if (*GetParam() == '\0') {
    path = testing_support::WriteDemoDatabase(dir.path(), testing_support::IndexedHeads());
  } else {
    auto found = testing_support::FixturePath(GetParam());
    if (!found) GTEST_SKIP() << "shared fixture absent: " << GetParam();
    path = *found;
  }
  const int seeks = CompareSeeksWithHashes(path);
  EXPECT_NE(seeks, 0);
  if (*GetParam() == '\0') {
    EXPECT_GT(seeks, 0);  // rows lie under every index there
  }
}

INSTANTIATE_TEST_SUITE_P(Ours, SeekMatchesHash, ::testing::Values(""),
                         [](const auto&) { return std::string("IndexedHeads"); });
INSTANTIATE_TEST_SUITE_P(
    Fixtures, SeekMatchesHash,
    ::testing::Values("attrdata-indexed.mdb", "access/bigIndexTestV2000.mdb",
                      "access/compIndexTestV2000.mdb", "access/indexTestV2000.mdb",
                      "access/indexCursorTestV2000.mdb",
                      "access/testIndexPropertiesV2000.mdb", "access/test2V2000.mdb",
                      "access/delColTestV2000.mdb", "access/fixedTextTestV2000.mdb",
                      "access/testRefGlobalV2000.mdb", "access/testUnicodeCompV2003.mdb",
                      "access/testV2000.mdb"));

// Which way each statement takes on the demonstration database.
TEST(SeekOrHash, IndexedHeadsSeekOtherKindsAndValuesTakeTheHash) {
  testing_support::ScratchDir dir;
  const auto path = testing_support::WriteDemoDatabase(dir.path(),
                                                       testing_support::IndexedHeads());
  auto database = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  Session session(*database);
  EXPECT_EQ(session.Execute(u"select * from numindex where numhead = '1355500'").rows.size(), 2u);
  EXPECT_EQ(session.LastPlan(), "index seek numhead on numindex.numhead");
  // Kinds and values whose keys are not known exactly take the hash.
  session.Execute(u"select * from numindex where [index] = 2.5");
  EXPECT_EQ(session.LastPlan(), "equality hash on numindex.index");
  session.Execute(u"select * from city where sheng = '北京'");
  EXPECT_EQ(session.LastPlan(), "equality hash on city.sheng");
  // Once built, the hash answers from memory.
  session.Execute(u"select * from numindex where [index] = 4");
  EXPECT_EQ(session.LastPlan(), "equality hash on numindex.index");
  session.Execute(u"select * from numindex where [index] > 3");
  EXPECT_EQ(session.LastPlan(), "scan of numindex");
}

}  // namespace
}  // namespace sql
