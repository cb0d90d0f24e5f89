#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/file.h"

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

// A temporary file guarded while the process is interrupted is removed, and
// the process still ends by the interrupt.
TEST(ChildProcess, AnInterruptRemovesTheGuardedFile) {
#ifdef _WIN32
  GTEST_SKIP() << "a console interrupt cannot be raised in a child here";
#else
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("guarded-" + std::to_string(ProcessId()));
  std::ofstream(file) << "partial";
  ChildProcess child = ChildProcess::Start({PLATFORM_TEST_CHILD, "interrupt", file.string()});
  EXPECT_TRUE(child.Wait().killed);
  EXPECT_FALSE(std::filesystem::exists(file));
  std::filesystem::remove(file);
#endif
  EXPECT_TRUE(ProcessRunning(ProcessId()));
  EXPECT_FALSE(ProcessRunning(0));
  EXPECT_FALSE(ProcessRunning(2147483646));  // beyond any id handed out
}

}  // namespace
}  // namespace platform
