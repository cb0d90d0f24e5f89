// Indexes added to tables that hold rows: complete and sound for our reader,
// the checker, seeks and mdbtools; refused with exact messages leaving the
// file as it was; wholly absent after a commit cut short.
#include "db/jet/write/index_adder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "db/jet/write/checker.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/read/index_seek.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/file/journal.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RunCommand;

// Plain and scrambled heads, "" and null among them, and enough rows for
// indexes of several pages.
testing_support::DemoOptions Heads() {
  testing_support::DemoOptions options = testing_support::MixedHeads();
  options.extra_heads = 1700;
  return options;
}

// What mdbtools make of the file: each table's rows and the columns.
std::string MdbtoolsView(const fs::path& path) {
  std::string file = "'" + path.string() + "'", view;
  for (const char* table : {"city", "cardtype", "numindex"}) {
    view += RunCommand(std::string("mdb-export ") + file + " " + table).value_or("failed");
  }
  return view + RunCommand("mdb-schema --no-indexes " + file).value_or("failed");
}

// Every row of `table` with a seekable value in column `column` is found
// through `index`, and only rows holding that value are.
void ExpectEveryRowSought(Database& db, const std::shared_ptr<const TableDef>& table,
                          std::u16string_view column, std::u16string_view index) {
  size_t c = table->ColumnIndex(column), sought = 0;
  RowCursor cursor = db.Scan(table);
  while (cursor.Next()) {
    Value value = cursor.row().Get(c);
    if (IsNull(value) || value == Value{std::u16string()}) continue;  // never sought
    auto seek = PlanIndexSeek(*table, c, value);
    ASSERT_TRUE(seek) << NameForMessage(index);
    ASSERT_EQ(seek->index->name, index);
    std::vector<RowLocation> rows = SeekRows(db.pages(), *table, *seek);
    EXPECT_NE(std::find(rows.begin(), rows.end(), cursor.row().location()), rows.end());
    for (RowLocation row : rows) EXPECT_EQ(db.ReadRow(table, row)->Get(c), value);
    ++sought;
  }
  EXPECT_GT(sought, 0u);
}

TEST(AddIndex, IndexesOnRowsAlreadyThereAreCompleteAndReadersAgree) {
  testing_support::ScratchDir dir;
  fs::path path = testing_support::WriteDemoDatabase(dir.path(), Heads());
  std::string before = MdbtoolsView(path);
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    size_t entries = 0;
    AddIndex(*db, writer, u"numindex", {u"numhead", {u"numhead"}}, &entries);
    EXPECT_EQ(entries, 1980u);
    AddIndex(*db, writer, u"NumIndex", {u"by city", {u"INDEX"}});
    auto city = AddIndex(*db, writer, u"city", {u"index", {u"index"}, false, true}, &entries);
    EXPECT_EQ(entries, 11u);
    ASSERT_EQ(city->indexes.size(), 1u);
    EXPECT_TRUE(city->indexes[0].unique);
    EXPECT_FALSE(city->indexes[0].primary_key);
    writer.Commit();
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  auto numindex = db->GetTable(u"numindex");
  ASSERT_EQ(numindex->indexes.size(), 2u);
  EXPECT_EQ(numindex->indexes[1].name, u"by city");
  EXPECT_EQ(numindex->indexes[1].real_index, 1u);
  EXPECT_GT(ReadIndexLeaves(db->pages(), *numindex, numindex->indexes[0], true).size(), 3u);
  ExpectEveryRowSought(*db, numindex, u"numhead", u"numhead");
  ExpectEveryRowSought(*db, numindex, u"index", u"by city");
  ExpectEveryRowSought(*db, db->GetTable(u"city"), u"index", u"index");
  if (!RunCommand("command -v mdb-export")) return;  // mdbtools not installed
  EXPECT_EQ(MdbtoolsView(path), before);
  auto schema = RunCommand("mdb-schema --indexes -T numindex '" + path.string() + "' postgres");
  for (const char* line : {"CREATE INDEX \"numindex_numhead_idx\" ON \"numindex\" (\"numhead\");",
                           "CREATE INDEX \"numindex_by city_idx\" ON \"numindex\" (\"index\");"}) {
    EXPECT_NE(schema.value_or("").find(line), std::string::npos) << schema.value_or("");
  }
}

// A definition that outgrows its page goes on a continuation page, which
// the next index reuses.
TEST(AddIndex, ADefinitionThatOutgrowsItsPageContinues) {
  testing_support::ScratchDir dir;
  fs::path path = dir.path() / "db.mdb";
  CreateDatabase(path);
  std::vector<ColumnSpec> columns;
  for (int k = 0; k < 40; ++k) {
    std::string name = "a_rather_long_column_name_" + std::to_string(k);
    columns.push_back({std::u16string(name.begin(), name.end()), ColumnKind::kLong});
  }
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  auto table = CreateTable(*db, writer, u"wide", columns, {});
  for (int32_t r = 0; r < 300; ++r) {
    ColumnChanges values;
    for (size_t k = 0; k < 10; ++k) values.emplace_back(k, r % static_cast<int32_t>(k + 2));
    writer.InsertRow(table, values);
  }
  writer.Commit();
  auto add = [&](size_t k) {
    writer.Begin();
    AddIndex(*db, writer, u"wide", {columns[k].name + u" index", {columns[k].name}});
    writer.Commit();
  };
  size_t added = 0;
  for (; db->GetTable(u"wide")->tdef_page_count == 1; ++added) {
    ASSERT_LT(added, 10u);
    add(added);
  }
  EXPECT_GT(added, 2u);
  add(added++);
  db = Database::Open(path, OpenMode::kReadOnly);
  table = db->GetTable(u"wide");
  EXPECT_EQ(table->tdef_page_count, 2u);
  EXPECT_EQ(table->indexes.size(), added);
  EXPECT_TRUE(TableDefRewritable(db->pages(), *table));
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
  ExpectEveryRowSought(*db, table, columns[1].name, columns[1].name + u" index");
  ExpectEveryRowSought(*db, table, columns[added - 1].name,
                       columns[added - 1].name + u" index");
  if (!RunCommand("command -v mdb-export")) return;  // mdbtools not installed
  EXPECT_EQ(testing::MdbExportLineCount(path, "wide"), 300u);
}

struct Refusal {
  const char* label;
  const char* fixture;  // an Access-made file under shared/fixtures, or our own
  std::u16string table;
  IndexSpec spec;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.label; }

class AddIndexRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(AddIndexRefusal, ChangesNothing) {
  const Refusal& r = GetParam();
  testing_support::ScratchDir dir;
  fs::path path;
  if (r.fixture) {
    ATTR_REQUIRE_FIXTURE(source, r.fixture);
    path = dir.CopyIn(source, "db.mdb");
  } else {
    testing_support::DemoOptions options = Heads();
    options.schema.indexes = true;
    path = testing_support::WriteDemoDatabase(dir.path(), options);
    testing_support::AddKindsTable(path);
  }
  std::vector<uint8_t> before = ReadFileBytes(path);
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    try {
      AddIndex(*db, writer, r.table, r.spec);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), r.message);
      EXPECT_TRUE(writer.InBatch());  // nothing was changed to roll back
    }
    writer.Commit();
  }
  EXPECT_TRUE(ReadFileBytes(path) == before);
}

INSTANTIATE_TEST_SUITE_P(
    AddIndex, AddIndexRefusal,
    ::testing::Values(
        Refusal{"NoTable", nullptr, u"nope", {u"x", {u"x"}}, "no such table: nope"},
        Refusal{"NoColumn", nullptr, u"numindex", {u"x", {u"nope"}},
                "cannot add index x to numindex: no column nope"},
        Refusal{"NoName", nullptr, u"numindex", {u"", {u"index"}},
                "cannot add index  to numindex: the name is empty"},
        Refusal{"NameTaken", nullptr, u"numindex", {u"NUMHEAD", {u"cardtype"}},
                "cannot add index NUMHEAD to numindex: an index of that name exists"},
        Refusal{"Duplicates", nullptr, u"numindex", {u"u", {u"index"}, false, true},
                "cannot add index u to numindex: duplicate key in a unique index"},
        Refusal{"Character", nullptr, u"city", {u"shi", {u"shi"}},
                "cannot add index shi to city: no known key code for character U+5317"},
        Refusal{"Kind", nullptr, u"kinds", {u"flag", {u"flag"}},
                "cannot add index flag to kinds: keys of BOOLEAN columns are not handled"},
        Refusal{"AccessDefinition", "access/compIndexTestV2000.mdb", u"Table1",
                {u"new", {u"CD_AGENTE"}},
                "cannot add index new to Table1: its definition holds parts this engine "
                "does not rewrite"}),
    [](const auto& info) { return std::string(info.param.label); });

// The file, whose writes from the `first_failure`-th on fail as when the
// process died there: the journal stays for the next open to roll back.
class DyingFile : public PageFile {
 public:
  DyingFile(const fs::path& path, int first_failure)
      : inner_(OpenPageFile(path, OpenMode::kReadWrite)), countdown_(first_failure) {}
  const std::string& Name() const override { return inner_->Name(); }
  uint64_t Size() override { return inner_->Size(); }
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) override {
    return inner_->ReadAt(offset, out, n);
  }
  void WriteAt(uint64_t offset, const uint8_t* data, size_t n) override {
    if (countdown_-- <= 0) RaiseIoError(Name(), "writing", EIO);
    inner_->WriteAt(offset, data, n);
  }
  void Sync() override { inner_->Sync(); }
  FileStamp Stamp() override { return inner_->Stamp(); }
  void Reopen() override { inner_->Reopen(); }
  bool Writable() const override { return true; }

 private:
  std::unique_ptr<PageFile> inner_;
  int countdown_;
};

// Keys compared by their first eight bytes and then the rest: text keys
// sharing long beginnings, keys that begin others, repeated keys and nulls,
// given out of order, and numbers given in order (taken as they come); the
// index holds every row's entry in key order, then row order.
TEST(AddIndex, EntriesInKeyOrderWhateverTheRowOrder) {
  auto db = NewMemoryDatabase();
  Writer writer(*db, WriterOptions{.sync = false});
  writer.Begin();
  CreateTable(*db, writer, u"t", {{u"text", ColumnKind::kText, 30}, {u"n", ColumnKind::kLong}},
              {});
  writer.Commit();
  const std::u16string texts[] = {u"abcdefghijk", u"abcdefghij", u"abcdefghijkl", u"abc",
                                  u"abcdefgh", u"abcdefghijz", u"b", u"abcdefghij"};
  writer.Begin();
  auto table = db->GetTable(u"t");
  writer.InsertRows(table, 2400, [&](size_t i, ColumnChanges& values) {
    values = {{1, static_cast<int32_t>(i / 3)}};
    if (i % 11 != 0) values.emplace_back(0, texts[(i * 5) % 8] + std::u16string(i % 4, u'x'));
  });
  writer.Commit();
  writer.Begin();
  AddIndex(*db, writer, u"t", {u"text", {u"text"}});
  table = AddIndex(*db, writer, u"t", {u"n", {u"n"}});
  writer.Commit();
  for (const Index& index : table->indexes) {
    std::vector<IndexEntry> expected;
    const size_t column = table->ColumnIndex(index.name);
    RowCursor cursor = db->Scan(table);
    while (cursor.Next()) {
      expected.push_back(
          {IndexKey(*table, index, {cursor.row().Get(column)}), cursor.row().location()});
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(ReadIndexEntries(db->pages(), *table, index) == expected)
        << NameForMessage(index.name);
  }
  for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
}

TEST(AddIndex, ACommitCutShortLeavesTheFileWhollyOld) {
  testing_support::ScratchDir dir;
  fs::path base = testing_support::WriteDemoDatabase(dir.path(), Heads(), "base.mdb");
  fs::path path = dir.path() / "db.mdb";
  int cut = 0;
  for (int first = 0;; first += 3) {
    ASSERT_LT(first, 300);
    SCOPED_TRACE("write " + std::to_string(first));
    testing_support::CopyOver(base, path);
    bool failed = false;
    {
      Database db(std::make_unique<JournaledFile>(std::make_unique<DyingFile>(path, first),
                                                  JournalPathFor(path), path));
      Writer writer(db, WriterOptions{.sync = false});
      writer.Begin();
      AddIndex(db, writer, u"numindex", {u"numhead", {u"numhead"}});
      try {
        writer.Commit();
      } catch (const Error& e) {
        failed = true;
        EXPECT_EQ(e.kind(), ErrorKind::kIo) << e.what();
      }
    }
    auto db = Database::Open(path, OpenMode::kReadWrite);  // rolls a journal back
    for (const std::string& problem : CheckDatabase(*db)) ADD_FAILURE() << problem;
    EXPECT_EQ(db->GetTable(u"numindex")->indexes.size(), failed ? 0u : 1u);
    if (!failed) break;
    EXPECT_TRUE(ReadFileBytes(path) == ReadFileBytes(base));
    ++cut;
  }
  EXPECT_GT(cut, 3);
}

}  // namespace
}  // namespace jet
