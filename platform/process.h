// Child processes, for the tests that kill a writer part way and for
// helpers that run beside a test: started with arguments, killed outright
// (as a crash or power loss would stop them), waited for.
#ifndef PLATFORM_PROCESS_H_
#define PLATFORM_PROCESS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// How a child ended.
struct ProcessEnd {
  bool killed = false;  // ended by Kill (or by a signal)
  int exit_code = 0;    // its exit code when not killed
  bool Succeeded() const { return !killed && exit_code == 0; }
};

class ChildProcess {
 public:
  ChildProcess() = default;
  // Kills a child still running and waits for it.
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `argv[0]` (a path) with the arguments argv[1...], this process's
  // environment and standard streams. Raises std::system_error.
  static ChildProcess Start(const std::vector<std::string>& argv);

  bool running() const { return handle_ != 0 && !end_; }
  // Ends the child at once, without letting it clean up. Nothing when it
  // has ended already.
  void Kill();
  // Waits for the child to end.
  ProcessEnd Wait();
  // How the child ended, or nullopt while it runs.
  std::optional<ProcessEnd> TryWait();

 private:
  // Kills a child still running, waits for it and lets go of its handle.
  void Release() noexcept;

  intptr_t handle_ = 0;  // a pid, or a process HANDLE
  std::optional<ProcessEnd> end_;
};

}  // namespace platform

#endif  // PLATFORM_PROCESS_H_
