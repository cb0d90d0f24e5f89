// A merge killed (SIGKILL) at random moments: the file it leaves answers
// every head wholly as before or wholly as after, checks sound, and a
// second run completes the merge.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "attribution/attribution_index.h"
#include "attribution/import_builder.h"
#include "attribution/mobile_number.h"
#include "base/utf.h"
#include "db/jet/write/checker.h"
#include "db/jet/read/database.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/file/journal.h"
#include "platform/process.h"
#include "testing/scratch_dir.h"

namespace attribution {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
// A sanitized helper takes about 100 ms under load before it reaches the
// database; a kill before then would test nothing.
constexpr int kStartupUs = kSanitized ? 120000 : 0;

platform::ChildProcess StartMerge(const fs::path& source, const fs::path& db) {
  return platform::ChildProcess::Start({MERGE_HELPER, source.string(), db.string(), "1"});
}

const char16_t* const kCities[][4] = {{u"北京", u"北京", u"100000", u"10"},
                                      {u"广东", u"深圳", u"518000", u"755"},
                                      {u"四川", u"成都", u"610000", u"28"},
                                      {u"新疆", u"新城", u"830099", u"999"}};
const char16_t* const kCards[] = {u"中国移动", u"中国联通", u"新卡"};

// Head i of a release: release 0 uses the first three cities and two card
// types; release 1 moves every 3rd head, drops every 7th and adds heads.
struct Release {
  std::map<uint32_t, std::pair<int, int>> heads;  // head -> (city, card)
};

Release MakeRelease(int version, uint32_t count) {
  Release r;
  for (uint32_t i = 0; i < count; ++i) {
    int city = static_cast<int>(i % 3), card = static_cast<int>(i % 5 == 0);
    if (version == 1) {
      if (i % 7 == 2) continue;
      if (i % 3 == 1) city = 3;
      if (i % 11 == 0) card = 2;
    }
    r.heads[1300000 + i * 3] = {city, card};
  }
  if (version == 1) {
    for (uint32_t i = 0; i < count / 5; ++i) r.heads[1900000 + i] = {static_cast<int>(i % 4), 1};
  }
  return r;
}

void WriteCsv(const fs::path& path, const Release& r) {
  std::ofstream out(path);
  out << "head,province,city,postal_code,area_code,card_type\n";
  for (const auto& [head, answer] : r.heads) {
    const auto& c = kCities[answer.first];
    out << head << ',' << base::Utf16ToUtf8(c[0]) << ',' << base::Utf16ToUtf8(c[1]) << ','
        << base::Utf16ToUtf8(c[2]) << ",0" << base::Utf16ToUtf8(c[3]) << ','
        << base::Utf16ToUtf8(kCards[answer.second]) << '\n';
  }
}

// Which release `db` answers as: 0, 1, or -1 for a mix (with a failure).
int AnsweredRelease(jet::Database& db, const Release& old_release, const Release& new_release) {
  AttributionIndex index = AttributionIndex::Load(db);
  auto matches = [&](const Release& r) {
    if (index.HeadCount() != r.heads.size()) return false;
    for (const auto& [head, answer] : r.heads) {
      uint32_t n = index.Find(head);
      if (n == 0) return false;
      const Attribution& a = index.Answer(n);
      if (a.city != base::Utf16ToUtf8(kCities[answer.first][1]) ||
          a.card_type != base::Utf16ToUtf8(kCards[answer.second])) {
        return false;
      }
    }
    return true;
  };
  if (matches(old_release)) return 0;
  if (matches(new_release)) return 1;
  ADD_FAILURE() << "the database answers partly as before and partly as after the merge";
  return -1;
}

// Two releases of 30 000 heads (6 000 under the sanitizers) written as
// CSV files, and a database of the old one.
class MergeOfTwoReleases : public ::testing::Test {
 protected:
  void SetUp() override {
    const uint32_t count = kSanitized ? 6000 : 30000;
    old_release_ = MakeRelease(0, count);
    new_release_ = MakeRelease(1, count);
    WriteCsv(old_csv_, old_release_);
    WriteCsv(new_csv_, new_release_);
    jet::SaveDatabaseImage(BuildAttributionImage(ReadImportInput(old_csv_), false, {}), base_);
  }

  int Answered(jet::Database& db) { return AnsweredRelease(db, old_release_, new_release_); }

  testing_support::ScratchDir dir_;
  Release old_release_, new_release_;
  const fs::path old_csv_ = dir_.path() / "old.csv", new_csv_ = dir_.path() / "new.csv";
  const fs::path base_ = dir_.path() / "base.mdb";
};

// The merge is run on the file's own path, or through a symbolic link to it:
// either way the journal lies beside the file itself, so a reader by either
// path meets it.
class KilledMerge : public MergeOfTwoReleases, public ::testing::WithParamInterface<bool> {};

TEST_P(KilledMerge, LeavesOldOrNewByEveryPathAndARerunCompletesIt) {
  const bool through_link = GetParam();
  std::mt19937 random(20261209);
  const int runs = kSanitized ? 3 : 8;
  int old_left = 0, new_left = 0, hot = 0;
  const fs::path path = dir_.path() / "run.mdb";
  const fs::path link = dir_.path() / "link.mdb";
  if (through_link) {
    std::error_code error;
    fs::create_symlink("run.mdb", link, error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  }
  const fs::path written = through_link ? link : path;
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    testing_support::CopyOver(base_, path);
    platform::ChildProcess merge = StartMerge(new_csv_, written);
    if (run % 2 == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(
          kStartupUs +
          std::uniform_int_distribution<int>(0, kSanitized ? 1500000 : 800000)(random)));
    } else {
      // Killed during its commit: once a journal shows, by either name.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!merge.TryWait() && std::chrono::steady_clock::now() < deadline &&
             !jet::JournalExists(dir_.path() / "run.mdb-journal") &&
             !jet::JournalExists(dir_.path() / "link.mdb-journal")) {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
      std::this_thread::sleep_for(
          std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
    }
    merge.Kill();
    merge.Wait();
    EXPECT_FALSE(jet::JournalExists(dir_.path() / "link.mdb-journal"));
    if (jet::JournalExists(jet::JournalPathFor(path))) ++hot;
    // Read-only readers by both paths see one state, reading through the
    // journal; the file checks sound.
    int states[2];
    for (int i = 0; i < 2; ++i) {
      auto db = jet::Database::Open(i == 0 ? path : written, jet::OpenMode::kReadOnly);
      states[i] = Answered(*db);
      EXPECT_TRUE(jet::CheckDatabase(*db).empty());
    }
    EXPECT_EQ(states[0], states[1]);
    (states[0] == 0 ? old_left : new_left)++;
    EXPECT_TRUE(StartMerge(new_csv_, written).Wait().Succeeded());
    auto db = jet::Database::Open(path, jet::OpenMode::kReadOnly);
    EXPECT_EQ(Answered(*db), 1);
    if (HasFailure()) break;
  }
  EXPECT_EQ(fs::is_symlink(link), through_link);
  std::printf("%d runs left the old answers, %d the new, %d a journal to roll back\n",
              old_left, new_left, hot);
}

INSTANTIATE_TEST_SUITE_P(ByPath, KilledMerge, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughALink" : "ByItsOwnPath";
                         });

// The window and attrdb lookup keep the file open while a merge runs: each
// read under the shared lock answers wholly as before or wholly as after,
// never an error.
TEST_F(MergeOfTwoReleases, ReadersDuringAMergeSeeTheOldAnswersOrTheNew) {
  const fs::path& path = base_;

  auto db = jet::Database::Open(path, jet::OpenMode::kReadOnly);
  platform::ChildProcess merge = StartMerge(new_csv_, path);
  int reads[2] = {0, 0};
  while (!merge.TryWait() && !HasFailure()) {
    jet::ReadLock lock(*db);
    const int state = Answered(*db);
    if (state >= 0) ++reads[state];
  }
  EXPECT_TRUE(merge.Wait().Succeeded());
  jet::ReadLock lock(*db);
  EXPECT_EQ(Answered(*db), 1);
  std::printf("%d reads during the merge answered as before, %d as after\n", reads[0],
              reads[1]);
}

}  // namespace
}  // namespace attribution
