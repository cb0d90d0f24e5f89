// Another program run beside this one: started with arguments, polled for
// its end, and its exit code read. The tests use it to run helper programs
// that work on a database while the test reads it.
#ifndef PLATFORM_PROCESS_H_
#define PLATFORM_PROCESS_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
 public:
  // Starts `program` with `arguments` (after the program's own name); it
  // shares this process's standard streams. Raises std::system_error when
  // the program cannot be started.
  static ChildProcess Start(const std::filesystem::path& program,
                            const std::vector<std::string>& arguments);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Waits for the program when it still runs.
  ~ChildProcess();

  // The exit code once the program has ended (128 + the signal's number
  // when a signal ended it), nullopt while it runs. Raises.
  std::optional<int> Poll();
  // Waits for the end; the exit code as Poll gives it. Raises.
  int Wait();

 private:
  explicit ChildProcess(intptr_t handle) : handle_(handle) {}
  intptr_t handle_;  // the process id, or the process HANDLE
  std::optional<int> exit_code_;
};

}  // namespace platform

#endif  // PLATFORM_PROCESS_H_
