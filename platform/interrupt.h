// Files that must not outlive an interrupted process: a temporary copy
// being written when Ctrl-C, a termination request or a hang-up ends the
// program is removed on the way out, and the process then ends as it would
// have.
#ifndef PLATFORM_INTERRUPT_H_
#define PLATFORM_INTERRUPT_H_

#include <filesystem>

namespace platform {

// While it lives, the file at `path` is removed if the process is ended by
// SIGINT, SIGTERM or SIGHUP (on Windows: Ctrl-C, Ctrl-Break, the console
// closing, logoff or shutdown). A signal the process ignores stays ignored.
// Up to a few such files at once; more are not guarded. Not copyable.
class RemovedOnInterrupt {
 public:
  explicit RemovedOnInterrupt(const std::filesystem::path& path);
  ~RemovedOnInterrupt();
  RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
  RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

 private:
  int slot_;  // -1: not guarded
};

}  // namespace platform

#endif  // PLATFORM_INTERRUPT_H_
