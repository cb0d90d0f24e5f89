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

std::string ProgramFilePathUtf8() {
  // Long paths: grow the buffer until the name fits.
  std::wstring wide(MAX_PATH, L'\0');
  DWORD n = 0;
  for (;;) {
    n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (n == 0) return {};
    if (n < wide.size()) break;
    if (wide.size() >= 32768) return {};
    wide.resize(wide.size() * 2);
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(n),
                                        nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(n), text.data(), bytes,
                        nullptr, nullptr);
  }
  return text;
}

const char kPathSeparators[] = "\\/";

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
