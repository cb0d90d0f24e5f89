// The bulk number-head encoding through fake controls, on the shared
// fixtures and on databases our engine writes.
#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "base/gbk.h"
#include "codec/number_head.h"
#include "commands/busy.h"
#include "commands/commands.h"
#include "commands/fake_controls.h"
#include "db/connection.h"
#include "db/jet/write/checker.h"
#include "db/jet/read/database.h"
#include "db/query.h"
#include "testing/attribution_db.h"
#include "testing/expect_raise.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace commands {
namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A shell whose event handling runs a callback, as if the user acted
// while the bulk encoding lets events through.
class DrainingShell : public FakeShell {
 public:
  void DrainPendingEvents() override {
    FakeShell::DrainPendingEvents();
    if (on_drain) on_drain();
  }
  void SetCommandsEnabled(bool enabled) override { enabled_log.push_back(enabled); }
  std::function<void()> on_drain;
  std::vector<bool> enabled_log;
};

class EncodeAllTest : public ::testing::Test {
 protected:
  void Use(const std::filesystem::path& fixture) {
    path_ = scratch_.CopyIn(fixture, "attrdata.mdb");
    connection_.SetDataSource(path_.string());
    query_.SetParamCheck(false);
  }
  // The same with the demonstration database written by our engine.
  void UseOwn(const testing_support::DemoOptions& options) {
    path_ = scratch_.path() / "attrdata.mdb";
    testing_support::WriteAttributionDatabase(path_, testing_support::DemoAttribution(options));
    connection_.SetDataSource(path_.string());
    query_.SetParamCheck(false);
  }
  // The checker's findings on the file, with the cursor closed.
  std::vector<std::string> Problems() {
    query_.Close();
    connection_.Close();
    auto database = jet::Database::Open(path_, jet::OpenMode::kReadOnly);
    return jet::CheckDatabase(*database);
  }
  // Every numhead in table order.
  std::vector<std::string> Heads() {
    std::vector<std::string> heads;
    query_.Close();
    query_.SQL().Clear();
    query_.SQL().Add("select numhead from numindex");
    query_.Open();
    for (; !query_.AtEnd(); query_.Next()) heads.push_back(query_.FieldText("numhead"));
    return heads;
  }

  testing_support::ScratchDir scratch_;
  std::filesystem::path path_;
  db::TADOConnection connection_;
  db::TADOQuery query_{connection_};
  FakeText edit1_;
  DrainingShell shell_;
};

// The heads of `before` that `after` holds encoded: every head of seven
// characters must be, every other one unchanged (a failure names the row).
int CountEncoded(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  EXPECT_EQ(after.size(), before.size());
  int encoded = 0;
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    if (before[i].size() == 7) {
      EXPECT_EQ(after[i], codec::EncodeNumberHead(before[i])) << i;
      ++encoded;
    } else {
      EXPECT_EQ(after[i], before[i]) << i;
    }
  }
  return encoded;
}

// The databases a case runs on and what they hold.
struct Source {
  std::string name;
  bool shared;      // the shared fixtures, else databases our engine writes
  size_t plain_rows;  // rows of the file of plain heads (and odd ones)
  int plain_encoded;  // of them seven characters long
  int narrow_width;   // numhead's width in the file too narrow
  int scrambled_drains;  // drains over the file stored scrambled
  // Heads of the file under indexes and the cities they are found in.
  std::vector<std::pair<std::string, std::u16string>> indexed_cities = {};
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

class EncodeAllOn : public EncodeAllTest, public ::testing::WithParamInterface<Source> {
 protected:
  // Plain heads with odd ones; plain heads under indexes; a numhead too
  // narrow; scrambled heads.
  enum class File { kPlain, kIndexed, kNarrow, kScrambled };
  void SetUp() override {
    if (!GetParam().shared) return;
    for (const char* fixture : kFixtures) {
      if (!testing_support::FixturePath(fixture)) {
        GTEST_SKIP() << "shared fixture absent: " << fixture;
      }
    }
  }
  void Use(File file) {
    if (GetParam().shared) {
      EncodeAllTest::Use(*testing_support::FixturePath(kFixtures[static_cast<int>(file)]));
      return;
    }
    testing_support::DemoOptions narrow;
    narrow.heads = testing_support::HeadForm::kPlain;
    narrow.schema.numhead_size = 20;
    const testing_support::DemoOptions options[] = {
        testing_support::MixedHeads(), testing_support::IndexedHeads(), narrow, {}};
    UseOwn(options[static_cast<int>(file)]);
  }

  static constexpr const char* kFixtures[] = {"attrdata-plain.mdb", "attrdata-indexed.mdb",
                                              "attrdata-narrow.mdb", "attrdata-small.mdb"};
};

TEST_P(EncodeAllOn, EncodesEverySevenByteHeadAndLeavesTheRest) {
  Use(File::kPlain);
  const std::vector<std::string> before = Heads();
  ASSERT_EQ(before.size(), GetParam().plain_rows);
  const int changed = Button3Click(query_, edit1_, shell_);
  EXPECT_TRUE(shell_.notices.empty());
  // Progress: the head of rows 100, 200, ... as read, one drain each.
  const int drains = static_cast<int>(before.size()) / kRowsPerDrain;
  EXPECT_EQ(shell_.drains, drains);
  EXPECT_EQ(edit1_.sets, drains);
  EXPECT_EQ(edit1_.text, before[drains * kRowsPerDrain - 1]);
  EXPECT_EQ(shell_.enabled_log, (std::vector<bool>{false, true}));

  const int encoded = CountEncoded(before, Heads());
  EXPECT_EQ(encoded, GetParam().plain_encoded);
  EXPECT_EQ(changed, encoded);
  for (const std::string& problem : Problems()) ADD_FAILURE() << problem;

  // A second run writes nothing.
  const std::string bytes = FileBytes(path_);
  EXPECT_EQ(Button3Click(query_, edit1_, shell_), 0);
  query_.Close();
  EXPECT_EQ(FileBytes(path_), bytes);
}

TEST_P(EncodeAllOn, FormerPlainHeadsAreFoundAfterwards) {
  Use(File::kIndexed);
  const std::vector<std::string> before = Heads();
  Button3Click(query_, edit1_, shell_);
  FakeText e2, e3, e4, e5, e6;
  LookupTab tab{edit1_, e2, e3, e4, e5, e6};
  int looked_up = 0;
  for (size_t i = 0; i < before.size(); i += 97) {
    if (before[i].size() != 7) continue;
    edit1_.text = before[i] + "1234";
    Button1Click(query_, tab, shell_);
    ++looked_up;
  }
  EXPECT_GT(looked_up, 10);
  for (const auto& [head, city] : GetParam().indexed_cities) {
    edit1_.text = head + "1234";
    Button1Click(query_, tab, shell_);
    EXPECT_EQ(base::GbkToUtf16(e3.text), city) << head;
  }
  EXPECT_TRUE(shell_.notices.empty());
  // The indexes over numhead were brought up to date.
  for (const std::string& problem : Problems()) ADD_FAILURE() << problem;
}

TEST_P(EncodeAllOn, NarrowColumnIsRefusedBeforeAnythingIsWritten) {
  Use(File::kNarrow);
  const std::string bytes = FileBytes(path_);
  EXPECT_RAISE(Button3Click(query_, edit1_, shell_), EDatabaseError,
               "Column numhead of table numindex holds at most " +
                   std::to_string(GetParam().narrow_width) +
                   " characters, but a scrambled number head needs 21. Nothing was changed");
  query_.Close();
  connection_.Close();
  EXPECT_EQ(FileBytes(path_), bytes);
  EXPECT_EQ(shell_.enabled_log, (std::vector<bool>{false, true}));
  EXPECT_EQ(edit1_.sets, 0);
  EXPECT_FALSE(CommandsBusy());
}

TEST_P(EncodeAllOn, OtherCommandsDoNothingWhileEventsAreLetThrough) {
  Use(File::kScrambled);
  FakeText e2, e3, e4, e5, e6;
  LookupTab lookup{edit1_, e2, e3, e4, e5, e6};
  FakeCombo provinces, cities;
  FakeMemo memo;
  SegmentTab segments{provinces, cities, memo};
  provinces.text = "x";
  int nested = 0;
  shell_.on_drain = [&] {
    ++nested;
    Button1Click(query_, lookup, shell_);
    ComboBox1Change(query_, segments);
    Button2Click(query_, segments, shell_);
    EXPECT_EQ(Button3Click(query_, edit1_, shell_), 0);
  };
  Button3Click(query_, edit1_, shell_);
  EXPECT_EQ(nested, GetParam().scrambled_drains);  // every head already stored scrambled
  EXPECT_TRUE(shell_.notices.empty());
  EXPECT_EQ(e2.sets, 0);
  EXPECT_EQ(memo.text, "\r\n");
  // Afterwards the commands work again: a head of 深圳 in both files.
  edit1_.text = GetParam().shared ? "1879396" : "1355507";
  Button1Click(query_, lookup, shell_);
  EXPECT_EQ(base::GbkToUtf16(e3.text), u"深圳");
}

Source Ours() {
  // MixedHeads: 280 rows, 28 of them scrambled or odd.
  Source source{"Ours", false, 280, 276 - 28, 20, testing_support::kDemoHeadRows / kRowsPerDrain};
  for (const std::string& head : testing_support::DemoHeadsOf(4)) {
    source.indexed_cities.emplace_back(head, u"深圳");
  }
  source.indexed_cities.emplace_back("1332801", u"成都");
  return source;
}

INSTANTIATE_TEST_SUITE_P(
    Databases, EncodeAllOn,
    ::testing::Values(Ours(), Source{"SharedFixture", true, 2518, 2500, 10, 3014 / kRowsPerDrain}),
    [](const ::testing::TestParamInfo<Source>& info) { return info.param.name; });

TEST_F(EncodeAllTest, ExactlyWideEnoughColumnIsEncoded) {
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kPlain;
  options.schema.numhead_size = 21;
  UseOwn(options);
  Button3Click(query_, edit1_, shell_);
  const std::vector<std::string> after = Heads();
  ASSERT_EQ(after.size(), 276u);
  EXPECT_EQ(after.front(), codec::EncodeNumberHead("1380100"));
  EXPECT_EQ(after.back(), codec::EncodeNumberHead("1860999"));
}

// The memory a run takes grows with the file's pages, not with its rows:
// every row changed must not keep a page of its own.
TEST_F(EncodeAllTest, MemoryFollowsTheFileNotTheRowsChanged) {
#if defined(__GLIBC__)
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kPlain;
  options.extra_heads = 20000;
  UseOwn(options);
  connection_.Open();
  auto in_use = [] {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const size_t start = in_use();
  if (start == 0) GTEST_SKIP() << "the allocator keeps no count (a sanitizer's)";
  size_t peak = start;
  shell_.on_drain = [&] { peak = std::max(peak, in_use()); };
  Button3Click(query_, edit1_, shell_);
  ASSERT_GE(shell_.drains, 200);
  query_.Close();
  const size_t file_size = std::filesystem::file_size(path_);
  // The pages read and written and some bytes a row take some 2.5 times
  // the file; a page a row would take 80 times.
  EXPECT_LT(peak - start, 8 * file_size)
      << "file " << file_size << " bytes, " << shell_.drains * 100 << " rows";
  const std::vector<std::string> after = Heads();
  EXPECT_EQ(static_cast<size_t>(std::count_if(
                after.begin(), after.end(),
                [](const std::string& head) { return head.size() == 21; })),
            after.size());
#else
  GTEST_SKIP() << "needs glibc's allocator counts";
#endif
}

TEST_F(EncodeAllTest, EmptyTableChangesNothing) {
  path_ = scratch_.path() / "attrdata.mdb";
  testing_support::WriteAttributionDatabase(path_, {});
  connection_.SetDataSource(path_.string());
  const std::string bytes = FileBytes(path_);
  Button3Click(query_, edit1_, shell_);
  query_.Close();
  connection_.Close();
  EXPECT_EQ(FileBytes(path_), bytes);
  EXPECT_EQ(shell_.drains, 0);
  EXPECT_EQ(shell_.enabled_log, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace commands
