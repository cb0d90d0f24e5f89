// Module lookup through the dynamic loader (dladdr).
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/module_address.h"

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string ProgramFilePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string ProgramFilePathUtf8() { return ProgramFilePath(); }

const char kPathSeparators[] = "/";

ModuleAddress FindModuleAddress(const void* address) {
  ModuleAddress result;
  result.module_file_name = BaseName(ProgramFilePath());
  result.offset = reinterpret_cast<uintptr_t>(address);
  if (address == nullptr) return result;
  Dl_info info{};
  if (dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
    if (info.dli_fname != nullptr && info.dli_fname[0] != '\0') {
      result.module_file_name = BaseName(info.dli_fname);
    }
    result.offset = reinterpret_cast<uintptr_t>(address) -
                    reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
  return result;
}

}  // namespace platform
