// A child process runs, ends and reports its exit code; this test program
// runs itself as the child.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "platform/module_address.h"

namespace platform {
namespace {

// Blanks, a quote and a trailing backslash: what quoting must carry intact.
constexpr char kTricky[] = "a b\"c\\";
constexpr char kChildFilter[] = "--gtest_filter=ChildProcessChild.*";

// The child's part: exits 3 when its last argument arrived intact, else 4.
TEST(ChildProcessChild, ExitsByItsLastArgument) {
  const std::vector<std::string> argv = ::testing::internal::GetArgvs();
  if (argv.size() < 3 || argv[1] != kChildFilter) GTEST_SKIP() << "run as a child only";
  std::exit(argv.back() == kTricky ? 3 : 4);
}

TEST(ChildProcess, RunsAProgramWithArgumentsAndReadsItsExitCode) {
  const std::string self = ProgramFilePath();
  ASSERT_FALSE(self.empty());
  struct Case {
    std::vector<std::string> arguments;
    int exit_code;
  };
  const Case cases[] = {
      {{kChildFilter, kTricky}, 3},
      {{kChildFilter, "abc"}, 4},
      {{"--gtest_filter=None.None"}, 0},  // no test runs
  };
  for (const Case& c : cases) {
    ChildProcess child = ChildProcess::Start(self, c.arguments);
    std::optional<int> code;
    while (!(code = child.Poll())) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(*code, c.exit_code) << c.arguments.back();
    EXPECT_EQ(child.Wait(), c.exit_code);
  }
}

TEST(ChildProcess, AMissingProgramRaises) {
  EXPECT_THROW(ChildProcess::Start("no-such-program-here", {}), std::system_error);
}

}  // namespace
}  // namespace platform
