// Child processes through CreateProcessW.
#include <windows.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/process.h"

namespace platform {
namespace {

// One argument quoted as the C runtime's command-line parser reads it back:
// backslashes double only before a quote.
void AppendQuoted(const std::wstring& word, std::wstring* line) {
  line->push_back(L'"');
  size_t backslashes = 0;
  for (wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line->push_back(c);
  }
  line->append(backslashes * 2, L'\\');
  line->push_back(L'"');
}

HANDLE Native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void RaiseLast(const std::string& what) {
  const DWORD error = GetLastError();
  const int code = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                   : error == ERROR_ACCESS_DENIED                                  ? EACCES
                                                                                   : EIO;
  throw std::system_error(code, std::generic_category(), what);
}

}  // namespace

ChildProcess ChildProcess::Start(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments) {
  std::wstring line;
  AppendQuoted(program.native(), &line);
  for (const std::string& word : arguments) {
    line.push_back(L' ');
    AppendQuoted(std::filesystem::path(word).native(), &line);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    RaiseLast("starting " + program.string());
  }
  CloseHandle(info.hThread);
  return ChildProcess(reinterpret_cast<intptr_t>(info.hProcess));
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), exit_code_(other.exit_code_) {}

ChildProcess::~ChildProcess() {
  if (handle_ == 0) return;
  if (!exit_code_) WaitForSingleObject(Native(handle_), INFINITE);
  CloseHandle(Native(handle_));
}

std::optional<int> ChildProcess::Poll() {
  if (exit_code_) return exit_code_;
  const DWORD state = WaitForSingleObject(Native(handle_), 0);
  if (state == WAIT_TIMEOUT) return std::nullopt;
  if (state != WAIT_OBJECT_0) RaiseLast("waiting");
  DWORD code = 0;
  if (!GetExitCodeProcess(Native(handle_), &code)) RaiseLast("waiting");
  exit_code_ = static_cast<int>(code);
  return exit_code_;
}

int ChildProcess::Wait() {
  if (exit_code_) return *exit_code_;
  if (WaitForSingleObject(Native(handle_), INFINITE) != WAIT_OBJECT_0) RaiseLast("waiting");
  return *Poll();
}

}  // namespace platform
