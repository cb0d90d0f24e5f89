#include "platform/process.h"

#include <gtest/gtest.h>

#include <system_error>

namespace platform {
namespace {

TEST(ChildProcess, ExitCodesKillsAndWaits) {
  ChildProcess done = ChildProcess::Start({PLATFORM_TEST_CHILD, "exit", "7"});
  ProcessEnd end = done.Wait();
  EXPECT_FALSE(end.killed);
  EXPECT_EQ(end.exit_code, 7);
  EXPECT_EQ(done.Wait().exit_code, 7);  // asked again: the same answer

  // An argument with spaces and quotes arrives as one.
  EXPECT_TRUE(ChildProcess::Start({PLATFORM_TEST_CHILD, "exit", "0"}).Wait().Succeeded());
  EXPECT_EQ(ChildProcess::Start({PLATFORM_TEST_CHILD, "exit \"0\"", "1"}).Wait().exit_code, 99);

  ChildProcess waiting = ChildProcess::Start({PLATFORM_TEST_CHILD, "wait"});
  EXPECT_FALSE(waiting.TryWait());
  EXPECT_TRUE(waiting.running());
  waiting.Kill();
  end = waiting.Wait();
  EXPECT_TRUE(end.killed);
  EXPECT_FALSE(end.Succeeded());
  EXPECT_FALSE(waiting.running());

  EXPECT_THROW(ChildProcess::Start({"no-such-program-anywhere"}), std::system_error);
}

}  // namespace
}  // namespace platform
