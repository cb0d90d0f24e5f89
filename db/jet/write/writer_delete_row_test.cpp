// Deleting single rows among insertions and updates, against a model of
// the table: on our own files and on copies of files Access made, every row
// the model holds is read back, the checker finds nothing new and
// mdb-export shows as many rows.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/format/error.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/write/writer.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

std::string Show(const Value& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return "null";
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return "t:" + base::Utf16ToUtf8(x);
        } else if constexpr (std::is_same_v<T, Bytes>) {
          return "b:" + std::string(x.begin(), x.end());
        } else if constexpr (std::is_arithmetic_v<T>) {
          return std::to_string(x);
        } else {
          return "?";
        }
      },
      v);
}

struct Live {
  RowLocation home;
  std::vector<Value> values;
};

std::vector<Live> ReadAll(Database& db, const std::shared_ptr<const TableDef>& t) {
  std::vector<Live> rows;
  RowCursor cursor = db.Scan(t);
  while (cursor.Next()) {
    Live live{cursor.row().location(), {}};
    for (size_t c = 0; c < t->columns.size(); ++c) live.values.push_back(cursor.row().Get(c));
    rows.push_back(std::move(live));
  }
  return rows;
}

std::multiset<std::string> Shown(const std::vector<Live>& rows, const TableDef& t) {
  std::multiset<std::string> out;
  for (const Live& r : rows) {
    std::string line;
    for (size_t c = 0; c < t.columns.size(); ++c) {
      if (!t.columns[c].auto_number) line += Show(r.values[c]) + "|";
    }
    out.insert(line);
  }
  return out;
}

// Values an inserted copy of `row` gets: every column but autonumbers.
ColumnChanges CopyOf(const TableDef& t, const std::vector<Value>& row) {
  ColumnChanges values;
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (!t.columns[c].auto_number && t.columns[c].kind != ColumnKind::kUnknown) {
      values.emplace_back(c, row[c]);
    }
  }
  return values;
}

// Deletes, re-inserts (copies of deleted rows, so unique keys stay free)
// and updates rows of `t` at random over a few batches; keeps a model of
// the rows. Returns false, with the table as it was, when the engine
// refuses the table's indexes.
bool RandomMix(Database& db, Writer& writer, const std::u16string& name, uint32_t seed) {
  std::mt19937 random(seed);
  auto t = db.GetTable(name);
  std::vector<Live> model = ReadAll(db, t);
  std::vector<size_t> texts;
  for (size_t c = 0; c < t->columns.size(); ++c) {
    const Column& col = t->columns[c];
    if (col.kind == ColumnKind::kText && ColumnWritable(col) && col.Size() >= 6) texts.push_back(c);
  }
  std::vector<std::vector<Value>> removed;
  for (int batch = 0; batch < 4; ++batch) {
    std::vector<Live> saved = model;
    auto saved_removed = removed;
    writer.Begin();
    t = db.GetTable(name);
    try {
      int ops = 5 + static_cast<int>(random() % 40);
      for (int k = 0; k < ops; ++k) {
        int kind = static_cast<int>(random() % 3);
        if (kind == 0 && !model.empty()) {
          size_t i = random() % model.size();
          writer.DeleteRow(t, model[i].home);
          removed.push_back(model[i].values);
          model.erase(model.begin() + static_cast<ptrdiff_t>(i));
        } else if (kind == 1 && !removed.empty()) {
          size_t i = random() % removed.size();
          RowLocation home = writer.InsertRow(t, CopyOf(*t, removed[i]));
          model.push_back({home, removed[i]});
          removed.erase(removed.begin() + static_cast<ptrdiff_t>(i));
        } else if (kind == 2 && !model.empty() && !texts.empty()) {
          size_t i = random() % model.size();
          size_t c = texts[random() % texts.size()];
          std::u16string text = IsNull(model[i].values[c])
                                    ? u""
                                    : std::get<std::u16string>(model[i].values[c]);
          text = text.size() > 3 ? text.substr(0, text.size() / 2) : text + u"Grown";
          if (text.size() > t->columns[c].Size()) text.resize(t->columns[c].Size());
          writer.UpdateRow(t, model[i].home, {{c, text}});
          model[i].values[c] = text;
        }
      }
      writer.Commit();
    } catch (const Error& e) {
      if (std::string(e.what()).find("cannot update index") == std::string::npos) throw;
      writer.Rollback();
      model = saved;
      removed = saved_removed;
      EXPECT_TRUE(Shown(ReadAll(db, db.GetTable(name)), *t) == Shown(model, *t));
      return false;
    }
    t = db.GetTable(name);
    std::vector<Live> now = ReadAll(db, t);
    EXPECT_TRUE(Shown(now, *t) == Shown(model, *t)) << "batch " << batch;
    EXPECT_EQ(t->row_count, model.size());
    model = now;  // homes as the file has them
  }
  return true;
}

struct Case {
  const char* name;
  const char* fixture;  // nullptr: a database of our own
};

class WriterDeleteRow : public ::testing::TestWithParam<Case> {};

TEST_P(WriterDeleteRow, RandomMixAgreesWithModelCheckerAndMdbExport) {
  testing_support::ScratchDir dir;
  fs::path path = dir.path() / "db.mdb";
  fs::path source;
  if (GetParam().fixture) {
    ATTR_REQUIRE_FIXTURE(found, GetParam().fixture);
    source = found;
    path = dir.CopyIn(source, "db.mdb");
  } else {
    CreateDatabase(path);
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    CreateTable(*db, writer, u"heads",
                {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 50},
                 {u"note", ColumnKind::kMemo}},
                {{u"PrimaryKey", {u"id"}, true}, {u"text", {u"text"}}});
    writer.Commit();
    writer.Begin();
    auto t = db->GetTable(u"heads");
    for (int32_t k = 0; k < 1500; ++k) {
      ColumnChanges values{{0, k}, {1, u"head " + std::u16string(k % 40, u'7')}};
      // Inline, single-row and chained memos.
      if (k % 7 == 0) values.emplace_back(2, std::u16string(size_t(k % 3) * 2100 + 20, u'm'));
      writer.InsertRow(t, values);
    }
    writer.Commit();
  }
  auto db = Database::Open(path, OpenMode::kReadWrite);
  std::vector<std::string> baseline = CheckDatabase(*db);
  Writer writer(*db, WriterOptions{.sync = false});
  int mixed = 0;
  uint32_t seed = 1;
  std::map<std::string, size_t> counts;
  for (const std::u16string& name : db->TableNames()) {
    SCOPED_TRACE(base::Utf16ToUtf8(name));
    if (RandomMix(*db, writer, name, seed++)) ++mixed;
    counts[base::Utf16ToUtf8(name)] = db->GetTable(name)->row_count;
  }
  EXPECT_GT(mixed, 0);
  EXPECT_EQ(CheckDatabase(*db), baseline);
  for (const auto& [name, count] : counts) {
    auto lines = testing::MdbExportLineCount(path, name);
    if (lines && *lines == count + 0) continue;
    // Text with line breaks prints more lines: only compare when the
    // source agreed with its own count.
    if (!source.empty()) {
      auto db_source = Database::Open(source, OpenMode::kReadOnly);
      auto lines_source = testing::MdbExportLineCount(source, name);
      if (lines_source != db_source->GetTable(base::Utf8ToUtf16(name))->row_count) continue;
    }
    EXPECT_EQ(lines.value_or(count), count) << name;
  }
}

// Room that deletions free is taken by later insertions: by the same
// writer, or by another one that opens the file afresh and finds the pages
// in the table's free-space map.
class WriterDeleteRowRoom : public ::testing::TestWithParam<bool> {};

TEST_P(WriterDeleteRowRoom, FreedRoomIsTakenByLaterInsertions) {
  const bool reopen = GetParam();
  testing_support::ScratchDir dir;
  fs::path path = dir.path() / "db.mdb";
  CreateDatabase(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  auto writer = std::make_unique<Writer>(*db, WriterOptions{.sync = false});
  writer->Begin();
  CreateTable(*db, *writer, u"heads", {{u"id", ColumnKind::kLong}, {u"text", ColumnKind::kText, 50}},
              {{u"PrimaryKey", {u"id"}, true}});
  writer->Commit();
  writer->Begin();
  auto t = db->GetTable(u"heads");
  std::vector<RowLocation> homes;
  for (int32_t k = 0; k < 3000; ++k) homes.push_back(writer->InsertRow(t, {{0, k}, {1, std::u16string(40, u'x')}}));
  writer->Commit();
  auto size = fs::file_size(path);
  writer->Begin();
  t = db->GetTable(u"heads");
  for (int32_t k = 0; k < 3000; k += 3) writer->DeleteRow(t, homes[static_cast<size_t>(k)]);
  writer->Commit();
  if (reopen) {
    writer.reset();
    db = Database::Open(path, OpenMode::kReadWrite);
    writer = std::make_unique<Writer>(*db, WriterOptions{.sync = false});
  }
  writer->Begin();
  t = db->GetTable(u"heads");
  for (int32_t k = 3000; k < 4000; ++k) writer->InsertRow(t, {{0, k}, {1, std::u16string(40, u'y')}});
  writer->Commit();
  // The new rows (some 25 pages' worth) went where rows were deleted; only
  // the primary key, whose new keys come last, may take a page or two.
  EXPECT_LE(fs::file_size(path), size + 3 * 4096);
  EXPECT_EQ(db->GetTable(u"heads")->row_count, 3000u);
  EXPECT_TRUE(CheckDatabase(*db).empty());
  EXPECT_THROW(writer->DeleteRow(db->GetTable(u"heads"), homes[0]), Error);
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterDeleteRowRoom, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Reopened" : "SameWriter"; });

INSTANTIATE_TEST_SUITE_P(
    Files, WriterDeleteRow,
    ::testing::Values(Case{"own", nullptr}, Case{"types", "attrdata-types.mdb"},
                      Case{"indexTest", "access/indexTestV2000.mdb"},
                      Case{"overflowTest", "access/overflowTestV2000.mdb"},
                      Case{"bigIndexTest", "access/bigIndexTestV2000.mdb"},
                      Case{"delTest", "access/delTestV2000.mdb"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jet
