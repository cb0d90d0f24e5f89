// The writer against the fixtures: the maintenance run in place and by
// moving rows, indexes kept, refusals before anything is written, and the
// structural checker and mdb-export agreeing with our reader afterwards.
#include "db/jet/write/writer.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/write/checker.h"
#include "db/jet/format/byte_reader.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/file/journal.h"
#include "db/jet/testing/test_util.h"
#include "db/jet/testing/writer_test_util.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace jet {
namespace {

using nlohmann::json;
using testing::ExpectedAfterMaintenance;
using testing::ReadNumindex;
using testing::RunMaintenance;

void ExpectSound(Database& db) {
  for (const std::string& problem : CheckDatabase(db)) ADD_FAILURE() << problem;
}

void ExpectMdbExport(const std::filesystem::path& file, const json& rows) {
  auto lines = testing::MdbExportNumindex(file);
  if (!lines) return;  // mdbtools not installed
  EXPECT_EQ(*lines, testing::ExportLines(rows));
}

// The maintenance run over each fixture, in batches and row by row.
TEST(Writer, MaintenanceRunLeavesEveryRowAsExpected) {
  for (const char* name : {"attrdata-plain", "attrdata-indexed", "attrdata-small"}) {
    for (size_t batch : {size_t{0}, size_t{500}}) {
      // Row by row rebuilds the index at each change: keep that one short.
      if (batch == 0 && std::string(name) == "attrdata-small") continue;
      SCOPED_TRACE(std::string(name) + " batch " + std::to_string(batch));
      ATTR_REQUIRE_FIXTURE(source, std::string(name) + ".mdb");
      json truth = testing::ReadJson(source.parent_path() / (std::string(name) + ".json"));
      json after = ExpectedAfterMaintenance(truth);
      testing_support::ScratchDir dir;
      auto path = dir.CopyIn(source, "db.mdb");
      {
        auto db = Database::Open(path, OpenMode::kReadWrite);
        Writer writer(*db, WriterOptions{.sync = false});
        RunMaintenance(*db, writer, after, batch);
        EXPECT_EQ(ReadNumindex(*db), after);  // through the same cache
      }
      EXPECT_FALSE(JournalExists(JournalPathFor(path)));
      auto db = Database::Open(path, OpenMode::kReadOnly);
      EXPECT_EQ(ReadNumindex(*db), after);
      ExpectSound(*db);
      ExpectMdbExport(path, after);
    }
  }
}

// The rows of `data` as [numhead, index, cardtype] with numhead as the
// maintenance run leaves it.
json OwnRowsAfterMaintenance(const testing_support::AttributionData& data) {
  const auto heads = testing_support::HeadsAfterEncoding(data);
  json rows = json::array();
  for (size_t i = 0; i < data.heads.size(); ++i) {
    rows.push_back(json::array({heads[i] ? json(*heads[i]) : json(nullptr),
                                data.heads[i].index, data.heads[i].cardtype}));
  }
  return rows;
}

// The same on databases our engine wrote, the expected rows from the data
// they were written from: mixed and odd heads without indexes, plain heads
// under three indexes, heads stored scrambled already (nothing to do).
TEST(Writer, MaintenanceRunLeavesEveryRowAsExpectedInOurOwnDatabase) {
  testing_support::DemoOptions scrambled;
  scrambled.extra_heads = 500;
  const std::pair<const char*, testing_support::DemoOptions> cases[] = {
      {"mixed", testing_support::MixedHeads()},
      {"indexed", testing_support::IndexedHeads()},
      {"scrambled", scrambled}};
  for (const auto& [name, options] : cases) {
    for (size_t batch : {size_t{0}, size_t{500}}) {
      SCOPED_TRACE(std::string(name) + " batch " + std::to_string(batch));
      const auto data = testing_support::DemoAttribution(options);
      json after = OwnRowsAfterMaintenance(data);
      testing_support::ScratchDir dir;
      auto path = dir.path() / "db.mdb";
      testing_support::WriteAttributionDatabase(path, data);
      size_t changed = 0;
      {
        auto db = Database::Open(path, OpenMode::kReadWrite);
        Writer writer(*db, WriterOptions{.sync = false});
        changed = RunMaintenance(*db, writer, after, batch);
        EXPECT_EQ(ReadNumindex(*db), after);  // through the same cache
      }
      size_t plain = 0;
      for (const auto& row : data.heads) plain += row.numhead && row.numhead->size() == 7;
      EXPECT_EQ(changed, plain);
      EXPECT_FALSE(JournalExists(JournalPathFor(path)));
      auto db = Database::Open(path, OpenMode::kReadOnly);
      EXPECT_EQ(ReadNumindex(*db), after);
      ExpectSound(*db);
      ExpectMdbExport(path, after);
    }
  }
}

// A second run changes rows that already moved: their data is updated where
// it lies, or moved again with the old copy deleted.
void CheckUpdatingMovedRowsLeavesNoStrayCopies(const std::filesystem::path& path) {
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  auto table = db->GetTable(u"numindex");
  size_t head = table->ColumnIndex(u"numhead");
  std::vector<RowLocation> homes;
  RowCursor cursor = db->Scan(table);
  while (cursor.Next()) homes.push_back(cursor.row().location());
  json expected = ReadNumindex(*db);
  // Grow, grow more (30 characters), shrink back: three placements each.
  for (std::u16string value : {std::u16string(21, u'7'), std::u16string(30, u'8'),
                               std::u16string(u"1")}) {
    writer.Begin();
    for (size_t i = 0; i < homes.size(); i += 3) {
      writer.UpdateRow(table, homes[i], {{head, value}});
      expected[i][0] = base::Utf16ToUtf8(value);
    }
    writer.Commit();
    EXPECT_EQ(ReadNumindex(*db), expected);
    ExpectSound(*db);
  }
  ExpectMdbExport(path, expected);
}

TEST(Writer, UpdatingMovedRowsLeavesNoStrayCopies) {
  ATTR_REQUIRE_FIXTURE(source, "attrdata-plain.mdb");
  testing_support::ScratchDir dir;
  CheckUpdatingMovedRowsLeavesNoStrayCopies(dir.CopyIn(source, "db.mdb"));
}

TEST(Writer, UpdatingMovedRowsLeavesNoStrayCopiesInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(),
                                                 testing_support::MixedHeads());
  CheckUpdatingMovedRowsLeavesNoStrayCopies(path);
}

void CheckRefusesBadValuesBeforeWritingAnything(const std::filesystem::path& path) {
  auto before = testing::ReadFileBytes(path);
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db);
  auto table = db->GetTable(u"numindex");
  size_t head = table->ColumnIndex(u"numhead");
  size_t index = table->ColumnIndex(u"index");
  RowCursor cursor = db->Scan(table);
  ASSERT_TRUE(cursor.Next());
  RowLocation home = cursor.row().location();
  EXPECT_JET_ERROR(writer.UpdateRow(table, home, {{head, std::u16string(21, u'0')}}),
                   kInvalidArgument,
                   "value too long for numindex.numhead: 21 characters, at most 10");
  EXPECT_JET_ERROR(writer.UpdateRow(table, home, {{index, std::u16string(u"1")}}),
                   kInvalidArgument, "wrong kind of value for numindex.index (LONG)");
  EXPECT_JET_ERROR(writer.UpdateRow(table, {home.page, 250}, {{index, int32_t{1}}}),
                   kInvalidArgument,
                   "no such row: page " + std::to_string(home.page) +
                       " row 250 of numindex");
  EXPECT_FALSE(writer.InBatch());
  EXPECT_EQ(testing::ReadFileBytes(path), before);
}

TEST(Writer, RefusesBadValuesBeforeWritingAnything) {
  ATTR_REQUIRE_FIXTURE(source, "attrdata-narrow.mdb");
  testing_support::ScratchDir dir;
  CheckRefusesBadValuesBeforeWritingAnything(dir.CopyIn(source, "db.mdb"));
}

TEST(Writer, RefusesBadValuesBeforeWritingAnythingInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(),
                                                 testing_support::NarrowHeads());
  CheckRefusesBadValuesBeforeWritingAnything(path);
}

TEST(Writer, IndexKeysFollowTheGeneralOrder) {
  TableDef t;
  t.name = u"t";
  Column text;
  text.name = u"s";
  text.kind = ColumnKind::kText;
  text.sort_order = 1033;
  text.number = 0;
  Column number;
  number.name = u"n";
  number.kind = ColumnKind::kLong;
  number.number = 1;
  t.columns = {text, number};
  Index index;
  index.name = u"i";
  index.columns = {{0, true}, {1, false}};
  using Key = std::vector<uint8_t>;
  EXPECT_EQ(IndexKey(t, index, {std::u16string(u"1390000"), int32_t{2}}),
            (Key{0x7F, 0x38, 0x3C, 0x48, 0x36, 0x36, 0x36, 0x36, 0x01, 0x00,
                 0x80, 0x7F, 0xFF, 0xFF, 0xFD}));
  EXPECT_EQ(IndexKey(t, index, {std::u16string(u"Table1 "), Value{}}),
            (Key{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x38, 0x01, 0x00, 0xFF}));
  EXPECT_JET_ERROR(IndexKey(t, index, {std::u16string(u"-1"), int32_t{0}}),
                   kInvalidArgument,
                   "cannot update index i of t: no known key code for character U+002D");
  t.columns[0].sort_order = 2052;
  EXPECT_JET_ERROR(IndexKey(t, index, {std::u16string(u"1"), int32_t{0}}),
                   kInvalidArgument,
                   "cannot update index i of t: text collation 2052 has no known key codes");
}

// Keys that grow split leaves (the root leaf of a small index becomes a
// node over new leaves); keys that shrink back empty leaves, which leave the
// tree. The checker follows the nodes to every entry.
void CheckIndexPagesSplitAndEmpty(const std::filesystem::path& path) {
  auto db = Database::Open(path, OpenMode::kReadWrite);
  Writer writer(*db, WriterOptions{.sync = false});
  auto table = db->GetTable(u"numindex");
  size_t head = table->ColumnIndex(u"numhead");
  size_t index = table->ColumnIndex(u"index");
  std::vector<RowLocation> homes;
  RowCursor cursor = db->Scan(table);
  while (cursor.Next()) homes.push_back(cursor.row().location());
  const Index* by_index = nullptr;
  for (const Index& i : table->indexes) {
    if (i.name == u"numhead") by_index = &i;
  }
  ASSERT_NE(by_index, nullptr);
  size_t leaves_before = ReadIndexLeaves(db->pages(), *table, *by_index, true).size();
  for (int round = 0; round < 3; ++round) {
    writer.Begin();
    for (size_t i = 0; i < homes.size(); ++i) {
      std::string digits = std::to_string(100000 + i * 7919 % 100000);
      std::u16string text(digits.begin(), digits.end());
      text = round == 1 ? std::u16string(u"1") : text + std::u16string(24, u'A');
      int32_t spread = round == 1 ? 7 : static_cast<int32_t>(i * 7919 % 100000);
      writer.UpdateRow(table, homes[i], {{head, text}, {index, spread}});
    }
    writer.Commit();
    ExpectSound(*db);
    size_t leaves = ReadIndexLeaves(db->pages(), *table, *by_index, true).size();
    // Longer keys take more leaves; short ones empty leaves, which go.
    if (round != 1) {
      EXPECT_GT(leaves, leaves_before);
    } else {
      EXPECT_LT(leaves, leaves_before);
    }
    leaves_before = leaves;
  }
  auto reopened = Database::Open(path, OpenMode::kReadOnly);
  ExpectSound(*reopened);
}

TEST(Writer, IndexPagesSplitAndEmpty) {
  ATTR_REQUIRE_FIXTURE(source, "attrdata-indexed.mdb");
  testing_support::ScratchDir dir;
  CheckIndexPagesSplitAndEmpty(dir.CopyIn(source, "db.mdb"));
}

TEST(Writer, IndexPagesSplitAndEmptyInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(),
                                                 testing_support::IndexedHeads());
  CheckIndexPagesSplitAndEmpty(path);
}

// The maintenance run at full scale, in batches as the command runs it:
// every head stored encoded, the sampled rows as the ground truth says.
TEST(Writer, LargeFileMaintenanceRun) {
  if (testing::kSanitized) GTEST_SKIP() << "too slow under the sanitizers";
  ATTR_REQUIRE_FIXTURE(source, "attrdata-large-plain.mdb");
  json truth = testing::ReadJson(source.parent_path() / "attrdata-large-plain.json");
  const json& t = truth["tables"]["numindex"];
  testing_support::ScratchDir dir;
  auto path = dir.CopyIn(source, "large.mdb");
  {
    auto db = Database::Open(path, OpenMode::kReadWrite);
    Writer writer(*db, WriterOptions{.sync = false});
    auto table = db->GetTable(u"numindex");
    size_t head = table->ColumnIndex(u"numhead");
    RowCursor cursor = db->Scan(table);
    std::u16string text;
    size_t done = 0;
    while (cursor.Next()) {
      if (!cursor.row().GetText(head, text) || text.size() != 7) continue;
      if (done++ % 5000 == 0) {
        if (writer.InBatch()) writer.Commit();
        writer.Begin();
      }
      std::string stored = codec::EncodeNumberHead(base::Utf16ToUtf8(text));
      writer.UpdateRow(table, cursor.row().location(),
                       {{head, base::Utf8ToUtf16(stored)}});
    }
    writer.Commit();
    EXPECT_EQ(done, t["row_count"].get<size_t>());
  }
  auto db = Database::Open(path, OpenMode::kReadOnly);
  json rows = ReadNumindex(*db);
  ASSERT_EQ(rows.size(), t["row_count"].get<size_t>());
  for (size_t i = 0; i < t["sample_rows"].size(); ++i) {
    size_t at = t["sample_rows"][i][0].get<size_t>();
    json expected = t["sample_rows"][i][1];
    expected[0] = t["sample_numhead_after_maintenance"][i];
    ASSERT_EQ(rows[at], expected) << "row " << at;
  }
  for (const json& r : rows) ASSERT_EQ(r[0].get<std::string>().size(), 21u);
  ExpectSound(*db);
}

// A small index whose root is its only leaf grows to three levels (the root
// becomes a node over new leaves, then over nodes) and shrinks back to a
// single root leaf; every entry stays reachable through the nodes.
void CheckIndexRootGrowsAndShrinks(const std::filesystem::path& path) {
  auto db = Database::Open(path, OpenMode::kReadWrite);
  auto table = db->GetTable(u"city");
  ASSERT_FALSE(table->indexes.empty());
  const Index& index = table->indexes.front();
  std::vector<IndexEntry> original = ReadIndexEntries(db->pages(), *table, index);
  ASSERT_EQ(ReadIndexLeaves(db->pages(), *table, index, true).size(), 1u);
  const size_t kExtra = testing::kSanitized ? 80000 : 120000;
  auto entry = [&](size_t i) {
    std::vector<uint8_t> key{0x7F, static_cast<uint8_t>(0x90 + i % 7),
                             static_cast<uint8_t>(i >> 16), static_cast<uint8_t>(i >> 8),
                             static_cast<uint8_t>(i)};
    key.resize(14, static_cast<uint8_t>(i % 251));  // long keys: many leaves
    return IndexEntry{key, RowLocation{static_cast<uint32_t>(1000 + i % 5000),
                                       static_cast<uint16_t>(i % 200)}};
  };
  {
    IndexEditor editor(db->pages(), *table, index);
    for (size_t i = 0; i < kExtra; ++i) editor.Insert(entry(i * 7919 % kExtra));
    editor.Write(db->pages());
  }
  std::vector<IndexEntry> all = ReadIndexEntries(db->pages(), *table, index);
  ASSERT_EQ(all.size(), original.size() + kExtra);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  PageRef root = db->pages().Get(index.root_page);
  ASSERT_EQ(root->type(), format::kPageIndexNode);
  uint32_t tail = LoadU32(&root->bytes[format::kIndexTailOffset]);
  ASSERT_NE(tail, 0u);
  EXPECT_EQ(db->pages().Get(tail)->type(), format::kPageIndexNode);  // three levels
  for (size_t i = 0; i < all.size(); i += 97) {
    ASSERT_TRUE(IndexFinds(db->pages(), *table, index, all[i])) << i;
  }
  {
    IndexEditor editor(db->pages(), *table, index);
    for (size_t i = 0; i < kExtra; ++i) editor.Remove(entry(i));
    editor.Write(db->pages());
  }
  EXPECT_EQ(ReadIndexEntries(db->pages(), *table, index), original);
  EXPECT_EQ(db->pages().Get(index.root_page)->type(), format::kPageIndexLeaf);
  ExpectSound(*db);
}

TEST(Writer, IndexRootGrowsAndShrinks) {
  ATTR_REQUIRE_FIXTURE(source, "attrdata-indexed.mdb");
  testing_support::ScratchDir dir;
  CheckIndexRootGrowsAndShrinks(dir.CopyIn(source, "db.mdb"));
}

TEST(Writer, IndexRootGrowsAndShrinksInOurOwnDatabase) {
  testing_support::ScratchDir dir;
  auto path = testing_support::WriteDemoDatabase(dir.path(),
                                                 testing_support::IndexedHeads());
  CheckIndexRootGrowsAndShrinks(path);
}

}  // namespace
}  // namespace jet
