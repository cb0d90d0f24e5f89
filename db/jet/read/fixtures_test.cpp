// Every shared fixture reads back equal to its ground truth: tables,
// columns, indexes, row counts, values and row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <zlib.h>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/write/checker.h"
#include "db/jet/read/data_page.h"
#include "db/jet/read/database.h"
#include "db/jet/testing/test_util.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

std::vector<fs::path> FixtureFiles(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".mdb") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsLarge(const fs::path& mdb) {
  return mdb.filename().string().find("-large") != std::string::npos;
}

void CompareColumns(const TableDef& t, const json& expected) {
  ASSERT_EQ(t.columns.size(), expected.size());
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const Column& c = t.columns[i];
    const json& e = expected[i];
    SCOPED_TRACE(e["name"].get<std::string>());
    EXPECT_EQ(base::Utf16ToUtf8(c.name), e["name"]);
    EXPECT_EQ(ColumnKindName(c.kind), e["type"]);
    EXPECT_EQ(c.Size(), e["size"]);
    EXPECT_EQ(c.length, e["size_bytes"]);
    EXPECT_EQ(c.compressed, e["compressed_unicode"]);
    EXPECT_EQ(!c.fixed, e["variable_length"]);
    EXPECT_EQ(c.auto_number, e["auto_number"]);
    EXPECT_EQ(c.number, e["column_id"]);
    if (e.contains("var_index")) {
      EXPECT_EQ(c.var_index, e["var_index"]);
    }
    if (e.contains("fixed_offset")) {
      EXPECT_EQ(c.fixed_offset, e["fixed_offset"]);
    }
    if (e.contains("precision")) {
      EXPECT_EQ(c.precision, e["precision"]);
      EXPECT_EQ(c.scale, e["scale"]);
    }
  }
}

void CompareIndexes(const TableDef& t, const json& expected) {
  ASSERT_EQ(t.indexes.size(), expected.size());
  for (size_t i = 0; i < t.indexes.size(); ++i) {
    const Index& index = t.indexes[i];
    const json& e = expected[i];
    SCOPED_TRACE(e["name"].get<std::string>());
    EXPECT_EQ(base::Utf16ToUtf8(index.name), e["name"]);
    json columns = json::array();
    for (const IndexColumn& ic : index.columns) {
      auto it = std::find_if(t.columns.begin(), t.columns.end(),
                             [&](const Column& c) { return c.number == ic.column_number; });
      std::string column = it == t.columns.end() ? "?" : base::Utf16ToUtf8(it->name);
      columns.push_back(ic.ascending ? column : column + " DESC");
    }
    EXPECT_EQ(columns, e["columns"]);
    EXPECT_EQ(index.primary_key, e["primary_key"]);
    EXPECT_EQ(index.unique, e["unique"]);
    EXPECT_EQ(index.ignore_nulls, e["ignore_nulls"]);
    EXPECT_EQ(index.required, e["required"]);
    EXPECT_EQ(index.foreign_key, e["foreign_key"]);
    EXPECT_EQ(index.real_index, e["index_data_number"]);
  }
}

// Returns how many rows differed (reported up to a few).
int CompareRow(const Row& row, const json& expected, size_t position) {
  const TableDef& t = row.table();
  int failures = 0;
  for (size_t c = 0; c < t.columns.size(); ++c) {
    json actual = testing::ValueToJson(row.Get(c));
    if (!testing::ValuesMatch(t.columns[c].kind, actual, expected[c])) {
      ADD_FAILURE() << "row " << position << " column "
                    << base::Utf16ToUtf8(t.columns[c].name) << ": got "
                    << actual.dump().substr(0, 200) << ", expected "
                    << expected[c].dump().substr(0, 200);
      ++failures;
    }
  }
  return failures;
}

void CompareTable(Database& db, const std::string& name, const json& e) {
  SCOPED_TRACE("table " + name);
  auto table = db.GetTable(base::Utf8ToUtf16(name));
  CompareColumns(*table, e["columns"]);
  CompareIndexes(*table, e["indexes"]);
  EXPECT_EQ(table->row_count, e.value("tdef_row_count", e["row_count"].get<int64_t>()));
  std::map<size_t, const json*> samples;
  if (e.contains("sample_rows")) {
    for (const json& s : e["sample_rows"]) samples[s[0].get<size_t>()] = &s[1];
  }
  const json& storage = e["storage"];
  EXPECT_EQ(table->tdef_page, storage["tdef_page"]);
  EXPECT_EQ(table->tdef_page_count, storage["tdef_pages"]);
  const json& rows = e["rows"];
  RowCursor cursor = db.Scan(table);
  size_t position = 0;
  int failures = 0;
  int moved = 0;
  while (cursor.Next() && failures < 5) {
    RowLocation home = cursor.row().location();
    if (ReadSlot(*db.pages().Get(home.page), home.slot).kind == SlotKind::kOverflow) {
      ++moved;
    }
    if (position < rows.size()) failures += CompareRow(cursor.row(), rows[position], position);
    auto it = samples.find(position);
    if (it != samples.end()) failures += CompareRow(cursor.row(), *it->second, position);
    ++position;
  }
  if (failures == 0) {
    EXPECT_EQ(position, e["row_count"].get<size_t>());
    EXPECT_EQ(moved, storage["overflow_pointer_rows"]);
  }
}

void CompareFile(const fs::path& mdb) {
  SCOPED_TRACE(mdb.filename().string());
  fs::path truth_path = mdb;
  truth_path.replace_extension(".json");
  json truth = testing::ReadJson(truth_path);
  auto db = Database::Open(mdb, OpenMode::kReadOnly);
  std::set<std::string> expected_names;
  for (const auto& [name, _] : truth["tables"].items()) expected_names.insert(name);
  std::set<std::string> names;
  for (const auto& name : db->TableNames()) names.insert(base::Utf16ToUtf8(name));
  EXPECT_EQ(names, expected_names);
  for (const auto& [name, table] : truth["tables"].items()) {
    CompareTable(*db, name, table);
  }
}

TEST(Fixtures, EverySmallFileReadsBackAsItsGroundTruth) {
  ATTR_REQUIRE_FIXTURE(dir, "");
  int files = 0;
  for (const fs::path& sub : {dir, dir / "access"}) {
    for (const fs::path& mdb : FixtureFiles(sub)) {
      if (IsLarge(mdb)) continue;
      CompareFile(mdb);
      ++files;
    }
  }
  EXPECT_GE(files, 20);
}

// The files Access and the other writer made pass the checker: it must not
// call a sound file damaged.
TEST(Fixtures, TheCheckerFindsEverySoundFileSound) {
  ATTR_REQUIRE_FIXTURE(dir, "");
  for (const fs::path& sub : {dir, dir / "access"}) {
    for (const fs::path& mdb : FixtureFiles(sub)) {
      if (IsLarge(mdb) && testing::kSanitized) continue;
      auto db = Database::Open(mdb, OpenMode::kReadOnly);
      for (const std::string& problem : CheckDatabase(*db)) {
        ADD_FAILURE() << mdb.filename() << ": " << problem;
      }
    }
  }
}

TEST(Fixtures, LargeFilesReadBackAsTheirGroundTruth) {
  ATTR_REQUIRE_FIXTURE(dir, "");
  if (testing::kSanitized) GTEST_SKIP() << "too slow under the sanitizers";
  for (const char* name : {"attrdata-large.mdb", "attrdata-large-plain.mdb"}) {
    if (!fs::exists(dir / name)) GTEST_SKIP() << "shared fixture absent: " << name;
    CompareFile(dir / name);
  }
}

// The large files' numindex in full, against the compressed listing beside
// them (heads decoded when stored as 21 digits).
TEST(Fixtures, LargeNumindexMatchesItsFullListing) {
  ATTR_REQUIRE_FIXTURE(dir, "");
  if (testing::kSanitized) GTEST_SKIP() << "too slow under the sanitizers";
  for (const char* name : {"attrdata-large", "attrdata-large-plain"}) {
    SCOPED_TRACE(name);
    fs::path listing = dir / (std::string(name) + ".numindex.csv.gz");
    if (!fs::exists(listing)) GTEST_SKIP() << "shared fixture absent: " << listing;
    gzFile gz = gzopen(listing.string().c_str(), "rb");
    ASSERT_NE(gz, nullptr);
    auto db = Database::Open(dir / (std::string(name) + ".mdb"), OpenMode::kReadOnly);
    auto table = db->GetTable(u"numindex");
    size_t head = table->ColumnIndex(u"numhead");
    size_t index = table->ColumnIndex(u"index");
    size_t cardtype = table->ColumnIndex(u"cardtype");
    RowCursor cursor = db->Scan(table);
    char line[256];
    ASSERT_NE(gzgets(gz, line, sizeof line), nullptr);  // the header
    size_t rows = 0, mismatches = 0;
    std::u16string text;
    while (gzgets(gz, line, sizeof line) != nullptr) {
      ASSERT_TRUE(cursor.Next()) << "scan ended at row " << rows;
      const Row& row = cursor.row();
      std::string got;
      if (row.GetText(head, text)) {
        got = base::Utf16ToUtf8(text);
        if (got.size() == 21) got = codec::DecodeNumberHead(got);
      }
      int64_t number = 0;
      got += "," + (row.GetInteger(index, number) ? std::to_string(number) : "") + ",";
      if (row.GetText(cardtype, text)) got += base::Utf16ToUtf8(text);
      got += "\n";
      if (got != line && ++mismatches <= 3) {
        ADD_FAILURE() << "row " << rows << ": got " << got << " expected " << line;
      }
      ++rows;
    }
    gzclose(gz);
    EXPECT_FALSE(cursor.Next());
    EXPECT_EQ(rows, 507620u);
    EXPECT_EQ(mismatches, 0u);
  }
}

}  // namespace
}  // namespace jet
