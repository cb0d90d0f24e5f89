// Child processes through posix_spawn and waitpid.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/process.h"

extern char** environ;

namespace platform {
namespace {

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

ChildProcess ChildProcess::Start(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments) {
  std::string name = program.string();
  std::vector<std::string> words = arguments;
  std::vector<char*> argv;
  argv.push_back(name.data());
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid;
  const int error = ::posix_spawn(&pid, name.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    throw std::system_error(error, std::generic_category(), "starting " + name);
  }
  return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), exit_code_(other.exit_code_) {}

ChildProcess::~ChildProcess() {
  if (handle_ == 0 || exit_code_) return;
  int status;
  while (::waitpid(static_cast<pid_t>(handle_), &status, 0) < 0 && errno == EINTR) {
  }
}

std::optional<int> ChildProcess::Poll() {
  if (exit_code_) return exit_code_;
  int status;
  pid_t done;
  do {
    done = ::waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done < 0) throw std::system_error(errno, std::generic_category(), "waiting");
  if (done == 0) return std::nullopt;
  exit_code_ = ExitCodeOf(status);
  return exit_code_;
}

int ChildProcess::Wait() {
  if (exit_code_) return *exit_code_;
  int status;
  while (::waitpid(static_cast<pid_t>(handle_), &status, 0) < 0) {
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waiting");
  }
  exit_code_ = ExitCodeOf(status);
  return *exit_code_;
}

}  // namespace platform
