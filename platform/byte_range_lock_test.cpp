// Two handles of one file exclude each other as two processes would.
#include "platform/byte_range_lock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

#include "testing/scratch_dir.h"

namespace platform {
namespace {

constexpr uint64_t kFar = uint64_t{1} << 40;

struct Case {
  const char* name;
  LockMode first;
  LockMode second;
  bool second_granted;
};

class ByteRangeLockPair : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    path_ = dir_.path() / "locked.bin";
    std::ofstream(path_) << "data";
    a_ = ByteRangeLock::Open(path_);
    b_ = ByteRangeLock::Open(path_);
  }
  testing_support::ScratchDir dir_;
  std::filesystem::path path_;
  std::unique_ptr<ByteRangeLock> a_, b_;
};

TEST_P(ByteRangeLockPair, SecondHandleGetsWhatTheFirstLeaves) {
  const Case& c = GetParam();
  ASSERT_TRUE(a_->TryLock(kFar, 1, c.first));
  EXPECT_EQ(b_->HeldByOther(kFar, 1, c.second), !c.second_granted);
  EXPECT_FALSE(a_->HeldByOther(kFar, 1, c.second)) << "a handle's own lock";
  EXPECT_EQ(b_->TryLock(kFar, 1, c.second), c.second_granted);
  // A neighbouring byte is free either way.
  EXPECT_TRUE(b_->TryLock(kFar + 1, 1, LockMode::kExclusive));
  a_->Unlock(kFar, 1);
  if (!c.second_granted) {
    EXPECT_TRUE(b_->TryLock(kFar, 1, c.second));
  }
  EXPECT_TRUE(a_->HeldByOther(kFar, 1, LockMode::kExclusive));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ByteRangeLockPair,
    ::testing::Values(Case{"SharedShared", LockMode::kShared, LockMode::kShared, true},
                      Case{"SharedExclusive", LockMode::kShared, LockMode::kExclusive, false},
                      Case{"ExclusiveShared", LockMode::kExclusive, LockMode::kShared, false},
                      Case{"ExclusiveExclusive", LockMode::kExclusive,
                           LockMode::kExclusive, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteRangeLock, ClosingAHandleReleasesItsLocks) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "locked.bin";
  std::ofstream(path) << "data";
  auto b = ByteRangeLock::Open(path);
  {
    auto a = ByteRangeLock::Open(path);
    ASSERT_TRUE(a->TryLock(kFar, 3, LockMode::kExclusive));
    EXPECT_FALSE(b->TryLock(kFar + 2, 1, LockMode::kShared));
  }
  EXPECT_TRUE(b->TryLock(kFar + 2, 1, LockMode::kShared));
}

TEST(ByteRangeLock, ReadOnlyFileTakesSharedLocksOnly) {
  testing_support::ScratchDir dir;
  auto path = dir.path() / "locked.bin";
  std::ofstream(path) << "data";
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  auto lock = ByteRangeLock::Open(path);
  if (lock->CanLockExclusive()) GTEST_SKIP() << "this user may write any file";
  EXPECT_FALSE(lock->CanLockExclusive());
  EXPECT_TRUE(lock->TryLock(kFar, 1, LockMode::kShared));
  EXPECT_THROW(lock->TryLock(kFar + 1, 1, LockMode::kExclusive), std::system_error);
}

TEST(ByteRangeLock, MissingFileRaises) {
  testing_support::ScratchDir dir;
  EXPECT_THROW(ByteRangeLock::Open(dir.path() / "absent"), std::system_error);
}

}  // namespace
}  // namespace platform
