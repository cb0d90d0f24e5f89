// Arguments on POSIX systems are bytes, UTF-8 in a UTF-8 locale.
#include "platform/command_line.h"

namespace platform {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void SetBinaryStandardStreams() {}

}  // namespace platform
