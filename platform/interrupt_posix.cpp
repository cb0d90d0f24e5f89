// Removal on interrupt through signal handlers that unlink the guarded
// files, then end the process the way the signal would have.
#include <signal.h>
#include <unistd.h>

#include <iterator>

#include "platform/interrupt_slots.h"

namespace platform::interrupt_slots {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

bool Plain(const struct sigaction& action, void (*handler)(int)) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == handler;
}

void OnSignal(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) ::unlink(g_paths[i]);
  }
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] != signal) continue;
    const struct sigaction& previous = g_previous[i];
    if ((previous.sa_flags & SA_SIGINFO) == 0 && !Plain(previous, SIG_DFL) &&
        !Plain(previous, SIG_IGN)) {
      previous.sa_handler(signal);  // someone else's handler goes on
      return;
    }
    ::sigaction(signal, &previous, nullptr);
    ::raise(signal);
    return;
  }
}

}  // namespace

void InstallHandler() {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &g_previous[i]);
    if (Plain(g_previous[i], SIG_IGN)) continue;  // ignored stays ignored
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    ::sigaction(kSignals[i], &action, nullptr);
  }
}

}  // namespace platform::interrupt_slots
