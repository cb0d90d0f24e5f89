// The message loop, the boxes and the error reports of the Win32 window.
#include "app/win32/application.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "app/win32/fonts.h"
#include "base/gbk.h"
#include "base/utf.h"
#include "ui/application_title.h"

namespace app_win32 {
namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

BoxHook& InstalledHook() {
  static BoxHook hook;
  return hook;
}

bool HandBoxToHook(ui::BoxKind kind, const std::wstring& caption, const std::wstring& text) {
  if (!InstalledHook()) return false;
  InstalledHook()(kind, caption, text);
  return true;
}

// The notice box: the text wrapped at half the width of the screen's work
// area, one "OK" button that Enter and Escape both press, centred on the
// screen, modal to its owner.
struct Notice {
  std::wstring caption;
  std::wstring text;
  HWND owner;
  OwnedFont font;
  std::exception_ptr failure;  // raised while the box was open
};

constexpr int kNoticeTextId = 100;

void LayOutNoticeBox(HWND box, Notice& notice) {
  SetWindowTextW(box, notice.caption.c_str());
  const HMONITOR monitor =
      MonitorFromWindow(notice.owner != nullptr ? notice.owner : box, MONITOR_DEFAULTTONEAREST);
  MONITORINFO screen{};
  screen.cbSize = sizeof(screen);
  GetMonitorInfoW(monitor, &screen);
  const RECT work = screen.rcWork;
  // Metrics at the density of the owner's screen, not the system's.
  const int dpi = ScreenDensity(notice.owner != nullptr ? notice.owner : box);

  // The system's message font, or a family that draws the text where it
  // cannot.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  using MetricsForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto metrics_for_dpi =
      UserFunction<MetricsForDpiFunction>("SystemParametersInfoForDpi");
  if (metrics_for_dpi == nullptr || !metrics_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics),
                                                     &metrics, 0, static_cast<UINT>(dpi))) {
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  }
  LOGFONTW request = metrics.lfMessageFont;
  const HDC dc = GetDC(box);
  const std::wstring family = FamilyDrawing(dc, request.lfFaceName, notice.text);
  family.copy(request.lfFaceName, LF_FACESIZE - 1);
  request.lfFaceName[std::min<size_t>(family.size(), LF_FACESIZE - 1)] = L'\0';
  const HFONT font = CreateFontIndirectW(&request);
  const HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW text_metrics{};
  GetTextMetricsW(dc, &text_metrics);
  RECT measured{0, 0, ui::NoticeWrapWidth(work.right - work.left), 0};
  DrawTextW(dc, notice.text.c_str(), -1, &measured,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
  SelectObject(dc, previous);
  ReleaseDC(box, dc);
  notice.font = OwnedFont(font, static_cast<int>(text_metrics.tmHeight), family);

  const ui::NoticeLayout layout =
      ui::LayOutNotice(ui::Size{measured.right - measured.left, measured.bottom - measured.top},
                       notice.font.text_height(), dpi / ui::kDesignDotsPerInch);
  const auto child = [&](const wchar_t* window_class, const wchar_t* text, DWORD style,
                         const ui::Rect& rect, int id) {
    const HWND made = CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style,
                                      rect.left, rect.top, rect.width, rect.height, box,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      GetModuleHandleW(nullptr), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return made;
  };
  child(L"STATIC", notice.text.c_str(), SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, layout.text,
        kNoticeTextId);
  const HWND ok = child(L"BUTTON", WideFromUtf8(ui::kOkText).c_str(), BS_DEFPUSHBUTTON | WS_TABSTOP,
                        layout.button, IDOK);

  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE));
  RECT outer{0, 0, layout.client.width, layout.client.height};
  using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = UserFunction<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi != nullptr) {
    adjust_for_dpi(&outer, style, FALSE, ex_style, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  }
  const ui::Size size{outer.right - outer.left, outer.bottom - outer.top};
  const ui::Point place = ui::CentredIn(
      ui::Rect{work.left, work.top, work.right - work.left, work.bottom - work.top}, size);
  SetWindowPos(box, nullptr, place.x, place.y, size.width, size.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetFocus(ok);
}

INT_PTR CALLBACK NoticeProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto& notice = *reinterpret_cast<Notice*>(lparam);
      // Nothing raised may unwind through the system's frames: the box
      // closes and the caller raises it again.
      try {
        LayOutNoticeBox(box, notice);
      } catch (...) {
        notice.failure = std::current_exception();
        EndDialog(box, -1);
      }
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(box, IDOK);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

void ShowNoticeBox(const std::wstring& caption, const std::wstring& text, HWND owner) {
  // A dialog template without controls; they are made when it opens.
  struct alignas(4) Template {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD window_class = 0;
    WORD title = 0;
  } box{};
  box.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  Notice notice{caption, text, owner, {}, nullptr};
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &box.header, owner, NoticeProc,
                          reinterpret_cast<LPARAM>(&notice));
  if (notice.failure) std::rethrow_exception(notice.failure);
}

}  // namespace

std::wstring WideFromGbk(std::string_view gbk) { return Wide(base::GbkToUtf16(gbk)); }

std::string GbkFromWide(std::wstring_view text) {
  return base::Utf16ToGbk(std::u16string(text.begin(), text.end()));
}

std::wstring WideFromUtf8(std::string_view utf8) { return Wide(base::Utf8ToUtf16(utf8)); }

int ScreenDensity(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi = UserFunction<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi != nullptr) {
    const UINT dpi = get_dpi(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  const HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(window, dc);
  return dpi > 0 ? dpi : static_cast<int>(ui::kDesignDotsPerInch);
}

void SetBoxHook(BoxHook hook) { InstalledHook() = std::move(hook); }

TApplication::TApplication() : title_(ui::ThisProgramsTitle()) {}

TApplication& TApplication::Instance() {
  static TApplication application;
  return application;
}

void TApplication::SetMainWindow(std::unique_ptr<MainWindow> window) {
  main_window_ = std::move(window);
  activated_ = false;
}

void TApplication::ShowMainWindow() {
  if (main_window_ == nullptr) return;
  const HWND window = main_window_->Handle();
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  UpdateWindow(window);
  // Raised here rather than when the system reports the activation, so that
  // it runs before the first message is taken from the queue.
  if (!activated_) {
    activated_ = true;
    Guarded([this] { main_window_->Activated(); });
  }
}

int TApplication::Run() {
  if (main_window_ == nullptr) return 0;
  ShowMainWindow();
  MSG message;
  while (!stop_requested_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    Dispatch(message);
  }
  stop_requested_ = true;
  SetMainWindow(nullptr);
  return 0;
}

void TApplication::PostQuitRequest() { PostQuitMessage(0); }

void TApplication::Dispatch(MSG& message) {
  if (main_window_ != nullptr) {
    if (main_window_->PreTranslate(message)) return;
    if (IsDialogMessageW(main_window_->Handle(), &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void TApplication::DrainPendingEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop ends once the command that drains has returned; posting the
      // quit again would close every later box of the command at once.
      stop_requested_ = true;
      return;
    }
    Dispatch(message);
  }
}

HWND TApplication::BoxOwner() const {
  if (main_window_ == nullptr || !IsWindowVisible(main_window_->Handle())) return nullptr;
  return main_window_->Handle();
}

void TApplication::ShowNotice(std::string_view text) {
  const std::wstring caption = WideFromGbk(title_);
  const std::wstring message = WideFromGbk(text);
  if (HandBoxToHook(ui::BoxKind::kNotice, caption, message)) return;
  if (stop_requested_) return;
  ShowNoticeBox(caption, message, BoxOwner());
}

void TApplication::ReportCurrentCommandError() {
  ReportCommandError(ui::DescribeCurrentException());
}

void TApplication::ReportCommandError(const ui::CaughtError& error) {
  ReleaseCapture();
  if (!ui::ShowsCommandReport(error)) return;
  const ui::Box box = ui::CommandReportBox(error, title_);
  const std::wstring caption = WideFromGbk(box.caption);
  const std::wstring text = WideFromGbk(box.text);
  if (HandBoxToHook(box.kind, caption, text)) return;
  const HWND owner = BoxOwner();
  MessageBoxW(owner, text.c_str(), caption.c_str(),
              MB_OK | MB_ICONERROR | (owner == nullptr ? MB_TASKMODAL : 0));
}

void TApplication::ReportCurrentFatalError() {
  const ui::Box box = ui::FatalReportBox(ui::DescribeCurrentException());
  const std::wstring caption = WideFromGbk(box.caption);
  const std::wstring text = WideFromGbk(box.text);
  if (HandBoxToHook(box.kind, caption, text)) return;
  MessageBoxW(nullptr, text.c_str(), caption.c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace app_win32
