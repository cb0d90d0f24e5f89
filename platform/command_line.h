// The program's arguments as UTF-8 and its standard streams as bytes, on
// every system. Windows hands main() its arguments in the ANSI code page,
// which may lack the characters typed (Chinese city names on a Western
// system); the wide command line has them.
#ifndef PLATFORM_COMMAND_LINE_H_
#define PLATFORM_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace platform {

// The arguments main() received, program name first, in UTF-8: `argv`
// itself on POSIX systems, the wide command line converted on Windows.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes standard input and output carry bytes unchanged, so that a
// program's output is the same file on every system (Windows otherwise
// writes "\r\n" for "\n", which would also break binary output). Readers
// of lines then see "\r\n" endings and must take them.
void SetBinaryStandardStreams();

}  // namespace platform

#endif  // PLATFORM_COMMAND_LINE_H_
