// TApplication for the Win32 window: the program's title, the message loop
// with the window's own keys taken first, draining waiting messages, the
// notice box, the error reports, and the guard every handler runs under.
// The boxes go to a hook instead while one is installed (the tests).
#ifndef APP_WIN32_APPLICATION_H_
#define APP_WIN32_APPLICATION_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "commands/controls.h"
#include "ui/boxes.h"
#include "ui/caught_error.h"

namespace app_win32 {

// GBK, the commands' text, to the UTF-16 of the window and back; UTF-8, the
// form description's text, to UTF-16.
std::wstring WideFromGbk(std::string_view gbk);
std::string GbkFromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view utf8);

using BoxHook =
    std::function<void(ui::BoxKind kind, const std::wstring& caption, const std::wstring& text)>;
// A function of user32.dll that older systems lack; null where it is missing.
template <typename Function>
Function UserFunction(const char* name) {
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}
// Pixels per inch of the screen that shows `window`.
int ScreenDensity(HWND window);

// Installs `hook` for every later box (no box appears, and each counts as
// closed at once); an empty hook brings the real boxes back.
void SetBoxHook(BoxHook hook);

// The window the application runs.
class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual HWND Handle() const = 0;
  // Takes the window's own keys out of the queue before the dialog keys and
  // the dispatch see them; true when `message` was handled.
  virtual bool PreTranslate(const MSG& message) = 0;
  // Raised once, when the window is first shown.
  virtual void Activated() = 0;
};

class TApplication : public commands::Shell {
 public:
  // The one application object, made at the first call.
  static TApplication& Instance();

  // The title (GBK) that captions the notice and error boxes: the program
  // file's name as ui::ThisProgramsTitle derives it.
  const std::string& ApplicationTitle() const { return title_; }

  // Makes `window` the main window, owned from now on; null destroys it.
  void SetMainWindow(std::unique_ptr<MainWindow> window);
  MainWindow* Main() const { return main_window_.get(); }
  // Shows the main window, active, then raises its activation before any
  // further message is handled.
  void ShowMainWindow();
  // Shows the main window, handles messages until the quit request, then
  // destroys the main window. Returns the exit code, 0.
  int Run();
  // Posts the quit request; the loop ends when it is taken from the queue.
  void PostQuitRequest();
  bool StopRequested() const { return stop_requested_; }

  // The modal notice box, captioned with the title; returns when closed.
  void ShowNotice(std::string_view text) override;
  // Handles every waiting message, user input included, then returns.
  void DrainPendingEvents() override;

  // The command error box (plain text, stop sign, OK) for the error caught
  // in flight; an EAbort shows nothing. REQUIRES: inside a catch handler.
  void ReportCurrentCommandError();
  void ReportCommandError(const ui::CaughtError& error);
  // The fatal report of the error caught in flight, captioned "Application
  // Error". The caller ends the program. REQUIRES: inside a catch handler.
  void ReportCurrentFatalError();

 private:
  TApplication();
  void Dispatch(MSG& message);
  HWND BoxOwner() const;

  std::string title_;
  std::unique_ptr<MainWindow> main_window_;
  bool activated_ = false;
  bool stop_requested_ = false;
};

// Runs `body`; an exception escaping it goes to the command error report.
// Every handler of the window runs through this.
template <typename Body>
void Guarded(Body&& body) {
  try {
    body();
  } catch (...) {
    TApplication::Instance().ReportCurrentCommandError();
  }
}

}  // namespace app_win32

#endif  // APP_WIN32_APPLICATION_H_
