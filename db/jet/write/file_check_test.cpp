// The whole-file check and the roll-back of a left journal, on small files
// written by the engine and then damaged or given a journal by hand.
#include "db/jet/write/file_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "db/jet/format/byte_reader.h"
#include "db/jet/format/error.h"
#include "db/jet/read/index_page.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "testing/scratch_dir.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

class FileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto db = NewMemoryDatabase();
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"t", {{u"n", ColumnKind::kLong}}, {});
    for (int32_t n = 1; n <= 3; ++n) writer.InsertRow(table, {{0, n}});
    writer.Commit();
    SaveDatabaseImage(DatabaseBytes(*db), path_);
  }
  // Writes `bytes` at `offset` of the file.
  void Patch(uint64_t offset, const std::string& bytes) {
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  testing_support::ScratchDir dir_;
  fs::path path_ = dir_.path() / "db.mdb";
};

TEST_F(FileCheckTest, SoundFileHasNoProblemsAndNoJournal) {
  const FileCheck check = CheckDatabaseFile(path_);
  EXPECT_TRUE(check.problems.empty()) << check.problems.front();
  EXPECT_FALSE(check.journal.has_value());
  EXPECT_FALSE(RecoverJournal(path_).has_value());
}

TEST_F(FileCheckTest, RowsThatCannotBeReadAreAProblemOfTheirTable) {
  // The first row of the table's data page (the last page) made to start
  // beyond the page's end.
  const uint64_t last_page = fs::file_size(path_) / 4096 - 1;
  Patch(last_page * 4096 + 14, std::string("\xFF\x1F", 2));
  const FileCheck check = CheckDatabaseFile(path_);
  bool found = false;
  for (const std::string& problem : check.problems) {
    found = found || problem.starts_with("t: rows cannot be read: ");
  }
  EXPECT_TRUE(found) << ::testing::PrintToString(check.problems);
}

TEST_F(FileCheckTest, ALeftJournalIsReportedAndRecoveredOnce) {
  {
    std::ofstream journal(JournalPathFor(path_), std::ios::binary);
    journal << "cut short";
  }
  const FileCheck check = CheckDatabaseFile(path_);
  EXPECT_TRUE(check.problems.empty());
  ASSERT_TRUE(check.journal.has_value());
  EXPECT_FALSE(check.journal->complete);
  const std::optional<JournalReport> recovered = RecoverJournal(path_);
  ASSERT_TRUE(recovered.has_value());
  EXPECT_FALSE(recovered->complete);
  EXPECT_FALSE(fs::exists(JournalPathFor(path_)));
  EXPECT_FALSE(RecoverJournal(path_).has_value());
}

TEST_F(FileCheckTest, WhatIsNoDatabaseRaises) {
  std::ofstream(dir_.path() / "text.mdb") << "not a database";
  for (const fs::path& path : {dir_.path() / "text.mdb", dir_.path() / "absent.mdb"}) {
    EXPECT_THROW(CheckDatabaseFile(path), Error) << path;
    EXPECT_THROW(RecoverJournal(path), Error) << path;
  }
}


// The findings of the index pass, on a table of 150 rows indexed by `s`
// (long distinct texts: several leaves under a node) and by `g` (five
// values: one leaf of repeated keys), each index damaged in one way.
struct IndexDamage {
  const char* name;
  std::u16string index;
  // Damages the index, whose leaves are `leaves` and root `root`, in the
  // file's `bytes`; returns the findings expected.
  std::function<std::vector<std::string>(std::vector<uint8_t>& bytes,
                                         const std::vector<IndexLeaf>& leaves, uint32_t root)>
      damage;
};

uint8_t* PageAt(std::vector<uint8_t>& bytes, uint32_t page) {
  return bytes.data() + size_t{page} * format::kPageSize;
}

// The bit of the last entry's end in the bitmap of index page `page`.
size_t LastEntryEnd(const uint8_t* page) {
  for (size_t bit = format::kIndexBitmapSize * 8; bit-- > 0;) {
    if ((page[format::kIndexBitmapOffset + bit / 8] >> (bit % 8)) & 1) return bit;
  }
  return 0;
}

class DamagedIndexTest : public ::testing::TestWithParam<IndexDamage> {};

TEST_P(DamagedIndexTest, GivesItsFinding) {
  auto db = NewMemoryDatabase();
  {
    Writer writer(*db, WriterOptions{.sync = false});
    writer.Begin();
    auto table = CreateTable(*db, writer, u"t",
                             {{u"s", ColumnKind::kText, 100}, {u"g", ColumnKind::kLong}},
                             {{u"s", {u"s"}}, {u"g", {u"g"}}});
    for (int32_t i = 0; i < 150; ++i) {
      std::u16string s(90, u"xyz"[i % 3]);
      for (int32_t n = i; s.size() < 94; n /= 10) s.insert(s.begin(), char16_t(u'0' + n % 10));
      writer.InsertRow(table, {{0, s}, {1, i % 5}});
    }
    writer.Commit();
  }
  auto table = db->GetTable(u"t", false);
  const Index& index = *std::find_if(table->indexes.begin(), table->indexes.end(),
                                     [](const Index& i) { return i.name == GetParam().index; });
  std::vector<uint8_t> bytes = DatabaseBytes(*db);
  const std::vector<std::string> expected =
      GetParam().damage(bytes, ReadIndexLeaves(db->pages(), *table, index, false),
                        index.root_page);
  testing_support::ScratchDir dir;
  SaveDatabaseImage(bytes, dir.path() / "db.mdb");
  EXPECT_EQ(CheckDatabaseFile(dir.path() / "db.mdb").problems, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Index, DamagedIndexTest,
    ::testing::Values(
        IndexDamage{"Sound", u"s",
                    [](auto&, const auto& leaves, uint32_t root) {
                      EXPECT_GT(leaves.size(), 3u);
                      EXPECT_NE(leaves.front().page, root);
                      return std::vector<std::string>{};
                    }},
        IndexDamage{"EntryGivenAnotherRow", u"g",
                    [](auto& bytes, const auto& leaves, uint32_t) {
                      uint8_t* page = PageAt(bytes, leaves.back().page);
                      ++page[format::kIndexEntriesOffset + LastEntryEnd(page) - 1];
                      return std::vector<std::string>{
                          "t: index g disagrees with the rows (150 entries, 150 rows)"};
                    }},
        IndexDamage{"LastEntryDropped", u"s",
                    [](auto& bytes, const auto& leaves, uint32_t) {
                      uint8_t* page = PageAt(bytes, leaves.back().page);
                      const size_t bit = LastEntryEnd(page);
                      page[format::kIndexBitmapOffset + bit / 8] ^= uint8_t(1u << (bit % 8));
                      return std::vector<std::string>{
                          "t: index s disagrees with the rows (149 entries, 150 rows)"};
                    }},
        IndexDamage{"FirstLeafRaisedAboveTheNext", u"s",
                    [](auto& bytes, const auto& leaves, uint32_t) {
                      PageAt(bytes, leaves.front().page)[format::kIndexEntriesOffset + 1] = 0xFF;
                      return std::vector<std::string>{"t: index s is out of order"};
                    }},
        IndexDamage{"EntryRaisedAboveTheNextOnItsLeaf", u"g",
                    [](auto& bytes, const auto& leaves, uint32_t) {
                      // The first entry's row slot, the last byte of its row id.
                      uint8_t* page = PageAt(bytes, leaves.front().page);
                      size_t end = 0;
                      while (!((page[format::kIndexBitmapOffset + end / 8] >> (end % 8)) & 1)) {
                        ++end;
                      }
                      page[format::kIndexEntriesOffset + end - 1] = 0xFF;
                      return std::vector<std::string>{"t: index g is out of order"};
                    }},
        IndexDamage{"NodeLeadsAstray", u"s",
                    [](auto& bytes, const auto& leaves, uint32_t root) {
                      // Every child of the root made the first leaf.
                      uint8_t* page = PageAt(bytes, root);
                      for (size_t bit = 0; bit < format::kIndexBitmapSize * 8; ++bit) {
                        if (!((page[format::kIndexBitmapOffset + bit / 8] >> (bit % 8)) & 1)) {
                          continue;
                        }
                        uint8_t* child = page + format::kIndexEntriesOffset + bit - 4;
                        for (size_t i = 0; i < 4; ++i) {
                          child[i] = uint8_t(leaves.front().page >> (24 - 8 * i));
                        }
                      }
                      StoreU32(page + format::kIndexTailOffset, leaves.front().page);
                      const RowLocation row = leaves[1].entries.front().row;
                      return std::vector<std::string>{
                          "t: index s does not lead to its entry for page " +
                          std::to_string(row.page) + " row " + std::to_string(row.slot)};
                    }},
        IndexDamage{"EntryShorterThanItsRowId", u"s",
                    [](auto& bytes, const auto& leaves, uint32_t) {
                      // The first leaf's first entry cut to two bytes, no
                      // prefix shared (its last entry still reads).
                      uint8_t* page = PageAt(bytes, leaves.front().page);
                      page[format::kIndexPrefixOffset] = page[format::kIndexPrefixOffset + 1] = 0;
                      page[format::kIndexBitmapOffset] |= 0x04;
                      return std::vector<std::string>{
                          "damaged database: page " + std::to_string(leaves.front().page) +
                          ": index entry shorter than its row id"};
                    }}),
    [](const ::testing::TestParamInfo<IndexDamage>& info) { return info.param.name; });

}  // namespace
}  // namespace jet
