// Removal on interrupt through signal handlers that unlink the guarded
// files, then end the process the way the signal would have.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iterator>
#include <string>
#include <cstring>
#include <mutex>

#include "platform/interrupt.h"

namespace platform {
namespace {

constexpr int kSlots = 4;
constexpr size_t kPathBytes = 4096;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A slot's path is written before it is marked in use, and read by the
// handler only while it is.
char g_paths[kSlots][kPathBytes];
std::atomic<bool> g_in_use[kSlots];
struct sigaction g_previous[std::size(kSignals)];
std::once_flag g_installed;

void OnSignal(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) ::unlink(g_paths[i]);
  }
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] != signal) continue;
    const struct sigaction& previous = g_previous[i];
    if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_DFL &&
        previous.sa_handler != SIG_IGN) {
      previous.sa_handler(signal);  // someone else's handler goes on
      return;
    }
    ::sigaction(signal, &previous, nullptr);
    ::raise(signal);
    return;
  }
}

void Install() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    struct sigaction current;
    ::sigaction(kSignals[i], nullptr, &current);
    g_previous[i] = current;
    if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    ::sigaction(kSignals[i], &action, nullptr);
  }
}

}  // namespace

RemovedOnInterrupt::RemovedOnInterrupt(const std::filesystem::path& path) : slot_(-1) {
  const std::string& name = path.native();
  if (name.size() >= kPathBytes) return;
  std::call_once(g_installed, Install);
  static std::mutex slots;
  std::lock_guard<std::mutex> guard(slots);
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) continue;
    std::memcpy(g_paths[i], name.c_str(), name.size() + 1);
    g_in_use[i].store(true);
    slot_ = i;
    return;
  }
}

RemovedOnInterrupt::~RemovedOnInterrupt() {
  if (slot_ >= 0) g_in_use[slot_].store(false);
}

}  // namespace platform
