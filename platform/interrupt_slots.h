// The files RemovedOnInterrupt guards, kept where a signal handler (or a
// console control handler) may read them: fixed arrays, each slot marked in
// use only once its path is whole. Shared by interrupt.cpp and the
// system's handler; not for use outside platform/.
#ifndef PLATFORM_INTERRUPT_SLOTS_H_
#define PLATFORM_INTERRUPT_SLOTS_H_

#include <atomic>
#include <cstddef>
#include <filesystem>

namespace platform::interrupt_slots {

inline constexpr int kSlots = 4;
inline constexpr size_t kPathChars = 4096;

extern std::filesystem::path::value_type g_paths[kSlots][kPathChars];
extern std::atomic<bool> g_in_use[kSlots];

// Installs the system's handler, which removes every file in use and then
// lets the process end as it would have. Called once, before the first
// slot is used.
void InstallHandler();

}  // namespace platform::interrupt_slots

#endif  // PLATFORM_INTERRUPT_SLOTS_H_
