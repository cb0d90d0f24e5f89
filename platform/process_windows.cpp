// Child processes through CreateProcessW and TerminateProcess.
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/process.h"

namespace platform {
namespace {

// The exit code TerminateProcess leaves, so that a kill is told apart.
constexpr UINT kKilledExitCode = 0xC000013A;

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// One argument quoted the way the C runtime splits a command line.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

ProcessEnd EndOf(HANDLE process) {
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  ProcessEnd end;
  end.killed = code == kKilledExitCode;
  end.exit_code = end.killed ? -1 : static_cast<int>(code);
  return end;
}

}  // namespace

void ChildProcess::Release() noexcept {
  if (handle_ == 0) return;
  if (running()) {
    Kill();
    WaitForSingleObject(Handle(handle_), INFINITE);
  }
  CloseHandle(Handle(handle_));
  handle_ = 0;
}

ChildProcess ChildProcess::Start(const std::vector<std::string>& argv) {
  std::wstring command_line;
  for (const std::string& argument : argv) {
    if (!command_line.empty()) command_line.push_back(L' ');
    command_line += Quoted(std::filesystem::path(argument).wstring());
  }
  const std::wstring program = std::filesystem::path(argv.at(0)).wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0,
                      nullptr, nullptr, &startup, &info)) {
    const DWORD error = GetLastError();
    throw std::system_error(error == ERROR_FILE_NOT_FOUND ? ENOENT : EIO,
                            std::generic_category(), "starting " + argv[0]);
  }
  CloseHandle(info.hThread);
  ChildProcess child;
  child.handle_ = reinterpret_cast<intptr_t>(info.hProcess);
  return child;
}

void ChildProcess::Kill() {
  if (running()) TerminateProcess(Handle(handle_), kKilledExitCode);
}

ProcessEnd ChildProcess::Wait() {
  if (end_ || handle_ == 0) return end_.value_or(ProcessEnd{});
  if (WaitForSingleObject(Handle(handle_), INFINITE) != WAIT_OBJECT_0) {
    throw std::system_error(EIO, std::generic_category(), "waiting");
  }
  end_ = EndOf(Handle(handle_));
  return *end_;
}

std::optional<ProcessEnd> ChildProcess::TryWait() {
  if (end_ || handle_ == 0) return end_;
  const DWORD state = WaitForSingleObject(Handle(handle_), 0);
  if (state == WAIT_TIMEOUT) return std::nullopt;
  if (state != WAIT_OBJECT_0) throw std::system_error(EIO, std::generic_category(), "waiting");
  end_ = EndOf(Handle(handle_));
  return end_;
}

}  // namespace platform
