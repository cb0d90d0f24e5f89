// Removal on interrupt through a console control handler, which runs on a
// thread of its own before the process is ended.
#include <windows.h>

#include <atomic>
#include <cwchar>
#include <mutex>

#include "platform/interrupt.h"

namespace platform {
namespace {

constexpr int kSlots = 4;
constexpr size_t kPathChars = 32768;

wchar_t g_paths[kSlots][kPathChars];
std::atomic<bool> g_in_use[kSlots];
std::once_flag g_installed;

BOOL WINAPI OnControl(DWORD) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) DeleteFileW(g_paths[i]);
  }
  return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::filesystem::path& path) : slot_(-1) {
  const std::wstring& name = path.native();
  if (name.size() >= kPathChars) return;
  std::call_once(g_installed, [] { SetConsoleCtrlHandler(OnControl, TRUE); });
  static std::mutex slots;
  std::lock_guard<std::mutex> guard(slots);
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) continue;
    std::wmemcpy(g_paths[i], name.c_str(), name.size() + 1);
    g_in_use[i].store(true);
    slot_ = i;
    return;
  }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
  if (slot_ >= 0) g_in_use[slot_].store(false);
}

}  // namespace platform
