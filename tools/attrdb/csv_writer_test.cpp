// attrdb export against the mdbtools CSV recorded beside each fixture: text
// and whole numbers must agree exactly; where mdbtools formats a value
// differently (or is known to be wrong) the value is compared instead.
#include "tools/attrdb/csv_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/utf.h"
#include "db/jet/read/data_page.h"
#include "db/jet/read/database.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace attrdb {
namespace {

namespace fs = std::filesystem;
using Record = std::vector<std::string>;

// Splits CSV text into records; quoted fields may hold commas, doubled
// quotes and line breaks. A field keeps its quotes so that "" (empty text)
// and \N (null) stay apart.
std::vector<Record> ParseCsv(const std::string& text) {
  std::vector<Record> records;
  Record record;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      field.push_back(c);
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field.push_back(text[++i]);
        } else {
          quoted = false;
        }
      }
    } else if (c == '"') {
      quoted = true;
      field.push_back(c);
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      record.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(record));
      record.clear();
    } else {
      field.push_back(c);
    }
  }
  return records;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Export(jet::Database& db, const std::shared_ptr<const jet::TableDef>& table,
                   bool& has_moved_rows) {
  testing_support::ScratchDir dir;
  const fs::path path = dir.path() / "export.csv";
  std::FILE* out = std::fopen(path.string().c_str(), "wb");
  {
    CsvWriter writer(out, *table, "\\N");
    writer.WriteHeader();
    jet::RowCursor cursor = db.Scan(table);
    while (cursor.Next()) {
      writer.WriteRow(cursor.row());
      jet::PageRef home = db.pages().Get(cursor.row().location().page);
      if (jet::ReadSlot(*home, cursor.row().location().slot).kind ==
          jet::SlotKind::kOverflow) {
        has_moved_rows = true;
      }
    }
  }
  std::fclose(out);
  return ReadText(path);
}


// mdbtools prints each character beyond the BMP as "??".
std::string WithoutAstral(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<uint8_t>(utf8[i]) & 0xF8) == 0xF0) {
      out += "??";
      i += 3;
    } else {
      out.push_back(utf8[i]);
    }
  }
  return out;
}

// Whether our field `ours` agrees with mdbtools' `theirs` for a column of
// `kind`, allowing for mdbtools' known departures.
bool Agrees(jet::ColumnKind kind, const std::string& ours, const std::string& theirs) {
  using jet::ColumnKind;
  if (ours == theirs) return true;
  switch (kind) {
    case ColumnKind::kText:
    case ColumnKind::kMemo:
      // mdbtools exports an empty string as null.
      if (ours == "\"\"" && theirs == "\\N") return true;
      return WithoutAstral(ours) == theirs;
    case ColumnKind::kSingle:
      return std::strtof(ours.c_str(), nullptr) == std::strtof(theirs.c_str(), nullptr);
    case ColumnKind::kDouble:
      return std::strtod(ours.c_str(), nullptr) == std::strtod(theirs.c_str(), nullptr);
    case ColumnKind::kDateTime:
      // mdbtools cannot show dates before 1900 or far ahead, and drops
      // milliseconds.
      return theirs == "\"1900-01-00T00:00:00\"" ||
             (ours.size() > 20 && ours.compare(0, 20, theirs, 0, 20) == 0);
    case ColumnKind::kBinary:
      // mdbtools cuts binary values at their first zero byte.
      return theirs.size() >= 2 && ours.compare(0, theirs.size() - 1, theirs, 0,
                                                theirs.size() - 1) == 0;
    case ColumnKind::kGuid:
      return true;  // mdbtools prints the hex of its own text form
    default:
      return false;
  }
}

void CompareTable(jet::Database& db, const fs::path& csv) {
  std::string name = csv.stem().string();
  SCOPED_TRACE(name);
  auto table = db.GetTable(base::Utf8ToUtf16(name));
  bool moved = false;
  std::vector<Record> ours = ParseCsv(Export(db, table, moved));
  std::vector<Record> theirs = ParseCsv(ReadText(csv));
  ASSERT_EQ(ours.size(), theirs.size());
  ASSERT_FALSE(ours.empty());
  EXPECT_EQ(ours[0], theirs[0]);
  if (moved) {
    // mdbtools lists a moved row where its data lies, not at its own slot;
    // compare the rows without regard to order.
    std::sort(ours.begin() + 1, ours.end());
    std::sort(theirs.begin() + 1, theirs.end());
  }
  int failures = 0;
  for (size_t r = 1; r < ours.size() && failures < 5; ++r) {
    ASSERT_EQ(ours[r].size(), table->columns.size());
    ASSERT_EQ(theirs[r].size(), table->columns.size());
    for (size_t c = 0; c < table->columns.size(); ++c) {
      if (!Agrees(table->columns[c].kind, ours[r][c], theirs[r][c])) {
        ADD_FAILURE() << "row " << r << " column " << c << ": ours "
                      << ours[r][c].substr(0, 120) << ", mdbtools "
                      << theirs[r][c].substr(0, 120);
        ++failures;
      }
    }
  }
}

TEST(AttrdbExport, AgreesWithMdbExportOnEveryFixture) {
  ATTR_REQUIRE_FIXTURE(dir, "");
  int tables = 0;
  for (const fs::path& sub : {dir, dir / "access"}) {
    for (const auto& entry : fs::directory_iterator(sub)) {
      if (entry.path().extension() != ".mdbtools") continue;
      fs::path mdb = entry.path();
      mdb.replace_extension(".mdb");
      SCOPED_TRACE(mdb.filename().string());
      auto db = jet::Database::Open(mdb, jet::OpenMode::kReadOnly);
      for (const auto& csv : fs::directory_iterator(entry.path())) {
        CompareTable(*db, csv.path());
        ++tables;
      }
    }
  }
  EXPECT_GE(tables, 40);
}

}  // namespace
}  // namespace attrdb
