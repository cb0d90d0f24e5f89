// Where in the program a code address lies: the module (executable or shared
// library) that holds it and the offset from that module's start. The fatal
// error report prints both.
#ifndef PLATFORM_MODULE_ADDRESS_H_
#define PLATFORM_MODULE_ADDRESS_H_

#include <cstdint>
#include <string>

namespace platform {

struct ModuleAddress {
  std::string module_file_name;  // without directory, with extension
  uintptr_t offset = 0;          // address minus the module's load address
};

// Finds the module holding `address`. For an unknown or null address the
// module is the program file and the offset is the address itself.
ModuleAddress FindModuleAddress(const void* address);

// The program file's full path as the platform reports it; empty if unknown.
std::string ProgramFilePath();

// The same as UTF-8 text, whatever the system's code page (on Linux, the
// path's own bytes); empty if unknown.
std::string ProgramFilePathUtf8();

// The characters that may separate folders in the program's path: "/" on
// Linux; on Windows both "\\" and "/".
extern const char kPathSeparators[];

}  // namespace platform

#endif  // PLATFORM_MODULE_ADDRESS_H_
