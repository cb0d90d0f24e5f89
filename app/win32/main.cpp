// attrsearch.exe: start-up in its fixed order, the message loop, and the exit
// code (0 after a normal run, 1 after a fatal start-up error).
#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/win32/application.h"
#include "app/win32/frmSearch.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "platform/module_address.h"
#include "ui/caught_error.h"
#include "ui/user_data_folder.h"

namespace {

// Whether the command line holds `switch_text` after the program's name.
bool SwitchGiven(const char* switch_text) {
  const std::wstring wanted = app_win32::WideFromUtf8(switch_text);
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  bool given = false;
  for (int i = 1; arguments != nullptr && i < count; ++i) given = given || wanted == arguments[i];
  LocalFree(arguments);
  return given;
}

// Started from the Start-menu shortcut: the window works in the user's data
// folder, which gets a copy of the sample database beside the program when
// it holds none. A failure is reported, and the window starts where it is.
void EnterUserDataFolder() {
  const std::filesystem::path program(base::Utf8ToUtf16(platform::ProgramFilePathUtf8()));
  const std::string failure = ui::EnterUserDataFolder(program.parent_path() / "attrdata.mdb");
  if (failure.empty()) return;
  ui::CaughtError error;
  error.kind = ui::CaughtError::Kind::kException;
  error.class_name = "Exception";
  error.message = base::Utf16ToGbk(base::Utf8ToUtf16(failure));
  app_win32::TApplication::Instance().ReportCommandError(error);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  app_win32::TApplication& application = app_win32::TApplication::Instance();
  if (SwitchGiven(ui::kUserDataSwitch)) EnterUserDataFolder();
  try {
    application.SetMainWindow(std::make_unique<app_win32::TForm1>());
  } catch (...) {
    application.ReportCurrentFatalError();
    return 1;
  }
  return application.Run();
}
