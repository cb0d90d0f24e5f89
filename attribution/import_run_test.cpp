// An import into a database file end to end: what is refused before the
// source is read, what a replace keeps, and the guard against a large prune.
#include "attribution/import_run.h"

#include <gtest/gtest.h>

#include "attribution/attribution_index.h"
#include "db/jet/format/error.h"
#include "db/jet/read/database.h"
#include "db/jet/write/table_creator.h"
#include "db/jet/write/writer.h"
#include "platform/path_text.h"
#include "testing/scratch_dir.h"

namespace attribution {
namespace {

namespace fs = std::filesystem;

// `count` heads from 1380000 on, all of one city and card type.
AttributionData Heads(int count) {
  AttributionData data;
  data.cities.push_back({1, u"北京", u"北京", u"100000", u"10", false});
  data.card_types.push_back({u"1", u"中国移动"});
  for (int i = 0; i < count; ++i) data.heads.push_back({std::to_string(1380000 + i), 1, 0});
  return data;
}

size_t HeadsIn(const fs::path& path) {
  auto db = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  return AttributionIndex::Load(*db).HeadCount();
}

class ImportRunTest : public ::testing::Test {
 protected:
  // Imports `data` into `to` with `options`, counting the reads.
  ImportRun Import(const std::string& to, const AttributionData& data,
                   ImportRunOptions options = {}) {
    return ImportIntoFile(
        to,
        [&] {
          ++reads_;
          return data;
        },
        options);
  }
  std::string Name(const char* file) const { return platform::Utf8Of(dir_.path() / file); }

  testing_support::ScratchDir dir_;
  int reads_ = 0;
};

TEST_F(ImportRunTest, ABadTargetIsRefusedBeforeTheSourceIsRead) {
  const std::string folder = platform::Utf8Of(dir_.path());
  const std::string missing = Name("不存在");
  for (const auto& [to, message] : std::vector<std::pair<std::string, std::string>>{
           {folder, folder + ": is a folder, not a database file"},
           {missing + "/a.mdb", missing + ": no such folder"}}) {
    try {
      Import(to, Heads(1));
      ADD_FAILURE() << to;
    } catch (const jet::Error& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
  EXPECT_EQ(reads_, 0);
  // A merge needs the file, and says so after reading the source.
  const std::string absent = Name("absent.mdb");
  try {
    Import(absent, Heads(1), {.merge = true});
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              absent + ": no such database to merge into (import without --merge makes one)");
  }
  EXPECT_EQ(reads_, 1);
}

TEST_F(ImportRunTest, AReplaceKeepsWhatElseTheFileHolds) {
  const std::string to = Name("a.mdb");
  int64_t last_done = -1, last_total = 0;
  const ImportRun made = Import(to, Heads(30), {.progress = [&](int64_t done, int64_t total) {
                                                  last_done = done;
                                                  last_total = total;
                                                }});
  EXPECT_EQ(made.data.heads.size(), 30u);
  EXPECT_GT(last_total, 0);
  EXPECT_EQ(last_done, last_total);
  EXPECT_EQ(HeadsIn(to), 30u);
  {
    auto db = jet::Database::Open(platform::PathFromUtf8(to), jet::OpenMode::kReadWrite);
    jet::Writer writer(*db, jet::WriterOptions{.sync = false});
    writer.Begin();
    jet::CreateTable(*db, writer, u"notes", {{u"n", jet::ColumnKind::kLong}}, {});
    writer.Commit();
  }
  Import(to, Heads(5));
  EXPECT_EQ(HeadsIn(to), 5u);
  auto db = jet::Database::Open(platform::PathFromUtf8(to), jet::OpenMode::kReadOnly);
  EXPECT_NO_THROW(db->GetTable(u"notes"));
}

TEST_F(ImportRunTest, APruneOfMoreThanATenthNeedsForce) {
  const std::string to = Name("a.mdb");
  Import(to, Heads(20));
  const AttributionData fewer = Heads(17);  // 3 of 20 heads pruned: more than a tenth
  ImportRunOptions options{.merge = true, .prune = true, .source_name = "cut.csv"};
  try {
    Import(to, fewer, options);
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              to + ": the merge would remove 3 of the 20 heads, more than a tenth (is cut.csv "
                   "a whole release?); give --force to remove them");
  }
  options.dry_run = true;
  const ImportRun dry = Import(to, fewer, options);
  EXPECT_TRUE(dry.needs_force);
  EXPECT_EQ(dry.plan.head_deletes.size(), 3u);
  EXPECT_EQ(HeadsIn(to), 20u);
  options = {.merge = true, .prune = true, .force = true};
  const ImportRun forced = Import(to, fewer, options);
  EXPECT_FALSE(forced.needs_force);
  EXPECT_EQ(HeadsIn(to), 17u);
  // One of 17 is within a tenth.
  options.force = false;
  EXPECT_EQ(Import(to, Heads(16), options).plan.head_deletes.size(), 1u);
  EXPECT_EQ(HeadsIn(to), 16u);
}

}  // namespace
}  // namespace attribution
