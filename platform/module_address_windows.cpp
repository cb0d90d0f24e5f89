// Module lookup through the module handle functions.
#include <windows.h>

#include "platform/module_address.h"

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ModuleFileName(HMODULE module) {
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

}  // namespace

std::string ProgramFilePath() { return ModuleFileName(nullptr); }

ModuleAddress FindModuleAddress(const void* address) {
  ModuleAddress result;
  result.module_file_name = BaseName(ProgramFilePath());
  result.offset = reinterpret_cast<uintptr_t>(address);
  if (address == nullptr) return result;
  HMODULE module = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(address), &module)) {
    const std::string name = ModuleFileName(module);
    if (!name.empty()) result.module_file_name = BaseName(name);
    result.offset = reinterpret_cast<uintptr_t>(address) -
                    reinterpret_cast<uintptr_t>(module);
  }
  return result;
}

}  // namespace platform
