// A child for the process tests: `exit N` ends with code N, `wait` waits
// until it is killed (at most a minute).
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "exit" && argc > 2) return std::atoi(argv[2]);
  if (what == "wait") {
    std::this_thread::sleep_for(std::chrono::minutes(1));
    return 0;
  }
  return 99;
}
