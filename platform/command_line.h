// The program's arguments as UTF-8 on every system. Windows hands main()
// its arguments in the ANSI code page, which may lack the characters typed
// (Chinese city names on a Western system); the wide command line has them.
#ifndef PLATFORM_COMMAND_LINE_H_
#define PLATFORM_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace platform {

// The arguments main() received, program name first, in UTF-8: `argv`
// itself on POSIX systems, the wide command line converted on Windows.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace platform

#endif  // PLATFORM_COMMAND_LINE_H_
