// Module lookup through the dynamic loader (dladdr) on POSIX systems and the
// module handle functions on Windows.
#include "base/module_address.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#endif

namespace base {
namespace {

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string ProgramFilePath() {
#if defined(_WIN32)
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n);
#else
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
#endif
}

ModuleAddress FindModuleAddress(const void* address) {
  ModuleAddress result;
  result.module_file_name = BaseName(ProgramFilePath());
  result.offset = reinterpret_cast<uintptr_t>(address);
  if (address == nullptr) return result;
#if defined(_WIN32)
  HMODULE module = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(address), &module)) {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
    result.module_file_name = BaseName(std::string(buffer, n));
    result.offset = reinterpret_cast<uintptr_t>(address) -
                    reinterpret_cast<uintptr_t>(module);
  }
#else
  Dl_info info{};
  if (dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
    if (info.dli_fname != nullptr && info.dli_fname[0] != '\0') {
      result.module_file_name = BaseName(info.dli_fname);
    }
    result.offset = reinterpret_cast<uintptr_t>(address) -
                    reinterpret_cast<uintptr_t>(info.dli_fbase);
  }
#endif
  return result;
}

}  // namespace base
