// Child processes through posix_spawn and waitpid.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/process.h"

extern char** environ;

namespace platform {
namespace {

ProcessEnd FromStatus(int status) {
  ProcessEnd end;
  end.killed = WIFSIGNALED(status);
  end.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return end;
}

pid_t Pid(intptr_t handle) { return static_cast<pid_t>(handle); }

}  // namespace

void ChildProcess::Release() noexcept {
  if (!running()) return;
  Kill();
  int status = 0;
  while (::waitpid(Pid(handle_), &status, 0) < 0 && errno == EINTR) {
  }
  end_ = FromStatus(status);
}

ChildProcess ChildProcess::Start(const std::vector<std::string>& argv) {
  std::vector<std::string> copies = argv;
  std::vector<char*> pointers;
  for (std::string& a : copies) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  pid_t pid;
  const int error =
      ::posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ);
  if (error != 0) {
    throw std::system_error(error, std::generic_category(), "starting " + argv[0]);
  }
  ChildProcess child;
  child.handle_ = pid;
  return child;
}

void ChildProcess::Kill() {
  if (running()) ::kill(Pid(handle_), SIGKILL);
}

ProcessEnd ChildProcess::Wait() {
  if (end_ || handle_ == 0) return end_.value_or(ProcessEnd{});
  int status = 0;
  while (::waitpid(Pid(handle_), &status, 0) < 0) {
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waiting");
  }
  end_ = FromStatus(status);
  return *end_;
}

std::optional<ProcessEnd> ChildProcess::TryWait() {
  if (end_ || handle_ == 0) return end_;
  int status = 0;
  const pid_t got = ::waitpid(Pid(handle_), &status, WNOHANG);
  if (got < 0) throw std::system_error(errno, std::generic_category(), "waiting");
  if (got == 0) return std::nullopt;
  end_ = FromStatus(status);
  return end_;
}

}  // namespace platform
