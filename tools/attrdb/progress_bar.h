// A progress bar on standard error for the long-running subcommands: drawn
// only when standard error is a terminal, at most ten times a second, and
// wiped when done so that it leaves nothing in the output.
#ifndef TOOLS_ATTRDB_PROGRESS_BAR_H_
#define TOOLS_ATTRDB_PROGRESS_BAR_H_

#include <chrono>
#include <cstdint>

namespace attrdb {

class ProgressBar {
 public:
  // `unit` names what is counted ("rows"); it must outlive the bar.
  explicit ProgressBar(const char* unit);
  // Wipes the bar (Finish).
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Shows `done` of `total` (a bar without a length when `total` is 0).
  // Cheap when called often: draws only when 100 ms have passed.
  void Show(int64_t done, int64_t total);
  // Wipes the bar from the terminal line, if one was drawn.
  void Finish();

 private:
  const char* unit_;
  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_PROGRESS_BAR_H_
