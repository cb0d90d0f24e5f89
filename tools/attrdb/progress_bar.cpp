// The terminal progress bar.
#include "tools/attrdb/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/file.h"

namespace attrdb {

ProgressBar::ProgressBar(const char* unit)
    : unit_(unit), terminal_(platform::IsTerminal(platform::StandardStream::kError)) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Show(int64_t done, int64_t total) {
  if (!terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  constexpr int64_t kWidth = 40;
  const int64_t filled = total > 0 ? std::min(done, total) * kWidth / total : 0;
  std::fprintf(stderr, "\r[%s%s] %lld / %lld %s",
               std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(kWidth - filled), ' ').c_str(),
               static_cast<long long>(done), static_cast<long long>(total), unit_);
  std::fflush(stderr);
  shown_ = true;
}

void ProgressBar::Finish() {
  if (shown_) std::fprintf(stderr, "\r\033[K");
  shown_ = false;
}

}  // namespace attrdb
