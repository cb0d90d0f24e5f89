// The writer against the fixtures: the maintenance run in place and by
// moving rows, indexes kept, refusals before anything is written, and the
// structural checker and mdb-export agreeing with our reader afterwards.
#include "db/jet/write/writer.h"

#include <gtest/gtest.h>

#include "base/utf.h"
#include "codec/number_head.h"
#include "db/jet/format/byte_reader.h"
#include "db/jet/format/format.h"
#include "db/jet/write/index_writer.h"
#include "db/jet/file/journal.h"
#include "db/jet/testing/test_databases.h"
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
using testing::ExpectSound;
using testing::RunMaintenance;

void ExpectMdbExport(const std::filesystem::path& file, const json& rows) {
  auto lines = testing::MdbExportNumindex(file);
  if (!lines) return;  // mdbtools not installed
  EXPECT_EQ(*lines, testing::ExportLines(rows));
}

using testing::Source;

// Each case on a database of our own and on a shared fixture.
class WriterTest : public ::testing::TestWithParam<Source> {};

// The maintenance run, in batches and row by row, over mixed and odd heads
// without indexes, plain heads under indexes, and heads stored scrambled
// already (nothing to do).
TEST_P(WriterTest, MaintenanceRunLeavesEveryRowAsExpected) {
  testing_support::DemoOptions scrambled;
  scrambled.extra_heads = 500;
  const std::pair<const char*, testing_support::DemoOptions> cases[] = {
      {"attrdata-plain", testing_support::MixedHeads()},
      {"attrdata-indexed", testing_support::IndexedHeads()},
      {"attrdata-small", scrambled}};
  for (const auto& [name, options] : cases) {
    for (size_t batch : {size_t{0}, size_t{500}}) {
      // Row by row rebuilds the index at each change: keep that one short.
      if (batch == 0 && GetParam() == Source::kSharedFixture &&
          std::string(name) == "attrdata-small") {
        continue;
      }
      SCOPED_TRACE(std::string(name) + " batch " + std::to_string(batch));
      testing_support::ScratchDir dir;
      JET_PLACE_DATABASE(file, GetParam(), dir.path(), name, options);
      size_t changed = 0;
      {
        auto db = Database::Open(file.path, OpenMode::kReadWrite);
        Writer writer(*db, WriterOptions{.sync = false});
        changed = RunMaintenance(*db, writer, file.after, batch);
        EXPECT_EQ(ReadNumindex(*db), file.after);  // through the same cache
      }
      size_t plain = 0;
      for (const json& row : file.before) {
        plain += row[0].is_string() && row[0].get<std::string>().size() == 7;
      }
      EXPECT_EQ(changed, plain);
      EXPECT_FALSE(JournalExists(JournalPathFor(file.path)));
      auto db = Database::Open(file.path, OpenMode::kReadOnly);
      EXPECT_EQ(ReadNumindex(*db), file.after);
      ExpectSound(*db);
      ExpectMdbExport(file.path, file.after);
    }
  }
}

// A second run changes rows that already moved: their data is updated where
// it lies, or moved again with the old copy deleted.
TEST_P(WriterTest, UpdatingMovedRowsLeavesNoStrayCopies) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-plain",
                     testing_support::MixedHeads());
  const std::filesystem::path& path = file.path;
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

TEST_P(WriterTest, RefusesBadValuesBeforeWritingAnything) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-narrow",
                     testing_support::NarrowHeads());
  const std::filesystem::path& path = file.path;
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
TEST_P(WriterTest, IndexPagesSplitAndEmpty) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads());
  const std::filesystem::path& path = file.path;
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
TEST_P(WriterTest, IndexRootGrowsAndShrinks) {
  testing_support::ScratchDir dir;
  JET_PLACE_DATABASE(file, GetParam(), dir.path(), "attrdata-indexed",
                     testing_support::IndexedHeads());
  const std::filesystem::path& path = file.path;
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

INSTANTIATE_TEST_SUITE_P(Databases, WriterTest,
                         ::testing::Values(Source::kOurs, Source::kSharedFixture),
                         testing::SourceName);

}  // namespace
}  // namespace jet
