// A child for the process tests: `exit N` ends with code N, `wait` waits
// until it is killed (at most a minute), `interrupt FILE` guards FILE with
// RemovedOnInterrupt and raises SIGINT.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/interrupt.h"

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "exit" && argc > 2) return std::atoi(argv[2]);
  if (what == "wait") {
    std::this_thread::sleep_for(std::chrono::minutes(1));
    return 0;
  }
  if (what == "interrupt" && argc > 2) {
    platform::RemovedOnInterrupt guard(argv[2]);
    std::raise(SIGINT);
    return 3;  // not reached: the interrupt ends the process
  }
  return 99;
}
