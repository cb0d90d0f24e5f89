// The slots of RemovedOnInterrupt, the same on every system.
#include <algorithm>
#include <mutex>

#include "platform/interrupt.h"
#include "platform/interrupt_slots.h"

namespace platform {

namespace interrupt_slots {

std::filesystem::path::value_type g_paths[kSlots][kPathChars];
std::atomic<bool> g_in_use[kSlots];

}  // namespace interrupt_slots

using interrupt_slots::g_in_use;
using interrupt_slots::g_paths;

RemovedOnInterrupt::RemovedOnInterrupt(const std::filesystem::path& path) : slot_(-1) {
  const std::filesystem::path::string_type& name = path.native();
  if (name.size() >= interrupt_slots::kPathChars) return;
  static std::once_flag installed;
  std::call_once(installed, interrupt_slots::InstallHandler);
  static std::mutex slots;
  std::lock_guard<std::mutex> guard(slots);
  for (int i = 0; i < interrupt_slots::kSlots; ++i) {
    if (g_in_use[i].load()) continue;
    std::copy(name.c_str(), name.c_str() + name.size() + 1, g_paths[i]);
    g_in_use[i].store(true);
    slot_ = i;
    return;
  }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
  if (slot_ >= 0) g_in_use[slot_].store(false);
}

}  // namespace platform
