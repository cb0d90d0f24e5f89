// The main window's construction from the description, its layout at the
// scale of its font, its keyboard, and its handlers, each of which hands its
// work to the form's core.
#include "app/win32/frmSearch.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/win32/resource.h"
#include "base/exceptions.h"
#include "ui/form.h"

namespace app_win32 {
namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
// Control ids are the controls' places in the description from here on, clear
// of IDOK and IDCANCEL, which the dialog keys send.
constexpr int kFirstControlId = 100;
// Posted when the user has picked an item of ComboBox1's list: the change
// handler runs once per pick, however many notifications the pick raised.
constexpr UINT kPicked = WM_APP + 1;
// The design's fonts.
constexpr wchar_t kWindowFamily[] = L"MS Sans Serif";
constexpr wchar_t kLabel9Family[] = L"宋体";

int Rounded(double value) { return static_cast<int>(std::lround(value)); }

// The outer size of `window` with a client area of `client`, its frame as
// the screen's density `dots_per_inch` draws it.
ui::Size OuterSize(HWND window, ui::Size client, int dots_per_inch) {
  using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = UserFunction<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT outer{0, 0, client.width, client.height};
  if (adjust_for_dpi != nullptr) {
    adjust_for_dpi(&outer, style, FALSE, ex_style, static_cast<UINT>(dots_per_inch));
  } else {
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  }
  return ui::Size{outer.right - outer.left, outer.bottom - outer.top};
}

// Every text of the window, and the digits the results show: what the fonts
// must draw.
const std::wstring& WindowTexts() {
  static const std::wstring texts = [] {
    std::wstring all = WideFromUtf8(ui::kFormCaption) + L"0123456789";
    for (const ui::Control& control : ui::FormControls()) all += WideFromUtf8(control.text);
    return all;
  }();
  return texts;
}

// The extent of a label's text in its font.
ui::Size TextExtent(HWND label) {
  const std::wstring text = WindowText(label);
  const HDC dc = GetDC(label);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  return ui::Size{extent.cx, static_cast<int>(metrics.tmHeight)};
}

// Where a tab control puts a page: the page's design distances to the edges
// of the tab control's design rectangle, kept as the control is resized.
ui::DockRule PageRule(const ui::Control& page) {
  const ui::Rect outer = ui::FindControl(page.parent)->design;
  return ui::FillInside(page.design.left, page.design.top, outer.width - page.design.Right(),
                        outer.height - page.design.Bottom());
}

void RegisterFormClass(WNDPROC procedure) {
  static const ATOM registered = [procedure] {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = procedure;
    form.hInstance = instance;
    form.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ATTR_IDI_APPLICATION),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    form.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ATTR_IDI_APPLICATION),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    return RegisterClassExW(&form);
  }();
  if (registered == 0) base::RaiseException("Error creating window class");
}

// The shell as the bulk encoding sees it: the application's services, and
// the command controls disabled while the encoding lets messages through.
class EncodingShell : public commands::Shell {
 public:
  explicit EncodingShell(TForm1& form) : form_(form) {}
  void ShowNotice(std::string_view text) override { TApplication::Instance().ShowNotice(text); }
  void DrainPendingEvents() override { TApplication::Instance().DrainPendingEvents(); }
  void SetCommandsEnabled(bool enabled) override {
    for (std::string_view name : ui::kCommandControls) {
      EnableWindow(form_.Control(name), enabled ? TRUE : FALSE);
    }
  }

 private:
  TForm1& form_;
};

}  // namespace

TForm1::TForm1(int dots_per_inch) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  RegisterFormClass(&TForm1::WindowProc);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  window_ = CreateWindowExW(0, kFormClass, WideFromUtf8(ui::kFormCaption).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, ui::kFormPosition.x,
                            ui::kFormPosition.y, ui::kClientSize.width, ui::kClientSize.height,
                            nullptr, nullptr, instance, this);
  if (window_ == nullptr) base::RaiseException("Error creating window");
  // No destructor runs for a constructor that raises: the window (whose user
  // data points here) and the banner go before the exception leaves.
  try {
    Build(dots_per_inch);
  } catch (...) {
    DestroyWindowFirst();
    if (banner_ != nullptr) DeleteObject(banner_);
    banner_ = nullptr;
    throw;
  }
}

void TForm1::Build(int dots_per_inch) {
  banner_ = static_cast<HBITMAP>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ATTR_IDB_BANNER), IMAGE_BITMAP, 0, 0, 0));
  BuildControls();
  ApplyDensity(dots_per_inch > 0 ? dots_per_inch : ScreenDensity(window_));
  // Wholly on the screen's work area, where the design's place would leave
  // part of the window off it.
  RECT outer;
  GetWindowRect(window_, &outer);
  MONITORINFO screen{};
  screen.cbSize = sizeof(screen);
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &screen);
  const RECT& work = screen.rcWork;
  const LONG left =
      std::max(work.left, std::min(outer.left, work.right - (outer.right - outer.left)));
  const LONG top =
      std::max(work.top, std::min(outer.top, work.bottom - (outer.bottom - outer.top)));
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  auto handle = [this](const char* name) { return Control(name); };
  controls_ = std::make_unique<FormControls>(FormControls{
      EditAdapter(handle("Edit1")), EditAdapter(handle("Edit2")), EditAdapter(handle("Edit3")),
      EditAdapter(handle("Edit4")), EditAdapter(handle("Edit5")), EditAdapter(handle("Edit6")),
      ComboAdapter(handle("ComboBox1")), ComboAdapter(handle("ComboBox2")),
      MemoAdapter(handle("Memo1"))});
  FormControls& c = *controls_;
  views_ = std::make_unique<ui::FormControlViews>(ui::FormControlViews{
      c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5, c.Edit6, c.ComboBox1, c.ComboBox2, c.Memo1});
  SetActivePage(ui::kFirstPage);
  focus_ = handle("PageControl1");

  try {
    ui::FormCore::OpenConnection();
  } catch (const base::Exception&) {
    TApplication::Instance().ReportCurrentCommandError();
  }
}

TForm1::~TForm1() {
  DestroyWindowFirst();
  if (banner_ != nullptr) DeleteObject(banner_);
}

void TForm1::DestroyWindowFirst() {
  if (window_ == nullptr) return;
  // The controls' last notifications find no form.
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
}

void TForm1::BuildControls() {
  const auto controls = ui::FormControls();
  handles_.assign(controls.size(), nullptr);
  parents_.assign(controls.size(), -1);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (size_t i = 0; i < controls.size(); ++i) {
    const ui::Control& control = controls[i];
    if (const ui::Control* parent = ui::FindControl(control.parent)) {
      parents_[i] = static_cast<int>(parent - controls.data());
    }
    const HWND parent = parents_[i] < 0 ? window_ : handles_[static_cast<size_t>(parents_[i])];
    std::wstring text = WideFromUtf8(control.text);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control.visible ? WS_VISIBLE : 0);
    if (control.tab_order >= 0) style |= WS_TABSTOP;
    DWORD ex_style = 0;
    const wchar_t* window_class = L"STATIC";
    PartLook* look = nullptr;
    switch (control.kind) {
      case ui::ControlKind::kPageControl:
        window_class = WC_TABCONTROLW;
        style |= WS_CLIPCHILDREN;
        break;
      case ui::ControlKind::kTabSheet: {
        TCITEMW tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = text.data();
        const LRESULT count = SendMessageW(parent, TCM_GETITEMCOUNT, 0, 0);
        SendMessageW(parent, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                     reinterpret_cast<LPARAM>(&tab));
        style &= ~static_cast<DWORD>(WS_VISIBLE);  // the tab control shows its pages
        [[fallthrough]];
      }
      case ui::ControlKind::kPanel:
      case ui::ControlKind::kGroupBox:
      case ui::ControlKind::kImage:
        looks_.push_back(std::make_unique<PartLook>(
            PartLook{control.kind, control.image, text, &window_font_handle_, &banner_, &scale_}));
        look = looks_.back().get();
        window_class = PartClass();
        style |= WS_CLIPCHILDREN;
        ex_style |= WS_EX_CONTROLPARENT;
        break;
      case ui::ControlKind::kLabel:
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        break;
      case ui::ControlKind::kEdit:
        window_class = L"EDIT";
        style |= ES_AUTOHSCROLL;
        ex_style |= WS_EX_CLIENTEDGE;
        break;
      case ui::ControlKind::kButton:
        window_class = L"BUTTON";
        style |= BS_PUSHBUTTON;
        break;
      case ui::ControlKind::kComboBox:
        window_class = L"COMBOBOX";
        style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
        break;
      case ui::ControlKind::kMemo:
        window_class = L"EDIT";
        // Word wrap (no ES_AUTOHSCROLL), no scroll bars.
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        ex_style |= WS_EX_CLIENTEDGE;
        text = WideFromUtf8(ui::kMemoInitialText);
        break;
    }
    const HWND made = CreateWindowExW(
        ex_style, window_class, text.c_str(), style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(i))),
        instance, look);
    if (made == nullptr) base::RaiseException("Error creating window");
    handles_[i] = made;
    // Later siblings lie over earlier ones.
    SetWindowPos(made, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    switch (control.kind) {
      case ui::ControlKind::kEdit:
        SelectAllOnKeyboardFocus(made, &restoring_focus_);
        break;
      case ui::ControlKind::kComboBox:
        SendMessageW(made, CB_SETMINVISIBLE, ui::kComboVisibleItems, 0);
        break;
      case ui::ControlKind::kMemo:
        SendMessageW(made, EM_SETLIMITTEXT, 0, 0);  // as long as memory allows
        break;
      default:
        break;
    }
    if (!control.takes_focus) RefuseFocus(made);
  }
}

void TForm1::ApplyDensity(int dots_per_inch, const RECT* outer_rect) {
  const double ratio = dots_per_inch / ui::kDesignDotsPerInch;
  const HDC dc = GetDC(window_);
  OwnedFont window_font =
      FontWithTextHeight(dc, FamilyDrawing(dc, kWindowFamily, WindowTexts()),
                         ui::TextHeightAt(dots_per_inch), Rounded(ui::kWindowFontPixels * ratio));
  const double scale = ui::LayoutScale(window_font.text_height());
  OwnedFont label9_font = FontWithTextHeight(dc, FamilyDrawing(dc, kLabel9Family, WindowTexts()),
                                             ui::Scaled(ui::kDesignTextHeight, scale),
                                             Rounded(ui::kLabel9FontPixels * scale));
  ReleaseDC(window_, dc);

  // The controls take the new fonts before the old ones are deleted.
  const auto controls = ui::FormControls();
  for (size_t i = 0; i < controls.size(); ++i) {
    const HFONT font =
        controls[i].font == ui::FontRole::kLabel9 ? label9_font.handle() : window_font.handle();
    SendMessageW(handles_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  window_font_handle_ = window_font.handle();
  window_font_ = std::move(window_font);
  label9_font_ = std::move(label9_font);
  dots_per_inch_ = dots_per_inch;
  scale_ = scale;
  PlaceControls();
  FitComboBoxes();
  FitTabStrip();
  // The client area grows with the controls, or the window takes the
  // rectangle given; the resize places them.
  if (outer_rect != nullptr) {
    SetWindowPos(window_, nullptr, outer_rect->left, outer_rect->top,
                 outer_rect->right - outer_rect->left, outer_rect->bottom - outer_rect->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const ui::Size outer =
        OuterSize(window_, ui::Scaled(ui::kClientSize, scale_), ScreenDensity(window_));
    SetWindowPos(window_, nullptr, 0, 0, outer.width, outer.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceControls();
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm1::FitComboBoxes() {
  // The closed box as high as the design's, whatever its font asks. Systems
  // differ in what the height of the text field includes: measure, correct,
  // and measure again.
  const auto controls = ui::FormControls();
  for (size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].kind != ui::ControlKind::kComboBox) continue;
    const HWND combo = handles_[i];
    const int wanted = ui::Scaled(controls[i].design.height, scale_);
    auto field =
        static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int attempt = 0; attempt < 3; ++attempt) {
      RECT closed;
      GetWindowRect(combo, &closed);
      const int change = wanted - (closed.bottom - closed.top);
      if (change == 0 || field + change <= 0) break;
      field += change;
      SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
  }
}

void TForm1::FitTabStrip() {
  // Tabs as high as put the pages' area where the design has the pages.
  const HWND tabs = Control("PageControl1");
  const ui::Control& page = *ui::FindControl("TabSheet1");
  RECT tab{};
  RECT area{0, 0, 1000, 1000};
  if (!SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab))) return;
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  const int height = (tab.bottom - tab.top) + ui::Scaled(page.design.top, scale_) - area.top;
  if (height > 0) SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(0, height));
}

void TForm1::PlaceControls() {
  if (handles_.empty() || handles_.back() == nullptr) return;
  const auto controls = ui::FormControls();
  std::vector<ui::Size> sizes(controls.size());
  RECT client;
  GetClientRect(window_, &client);
  for (size_t i = 0; i < controls.size(); ++i) {
    const ui::Control& control = controls[i];
    const ui::Size parent = parents_[i] < 0 ? ui::Size{client.right, client.bottom}
                                            : sizes[static_cast<size_t>(parents_[i])];
    ui::Rect rect = ui::Scaled(control.design, scale_);
    if (control.kind == ui::ControlKind::kTabSheet) {
      rect = ui::DockedRect(ui::Scaled(PageRule(control), scale_), parent);
    } else if (control.dock) {
      rect = ui::DockedRect(ui::Scaled(*control.dock, scale_), parent);
    }
    int window_height = rect.height;
    if (control.kind == ui::ControlKind::kLabel) {
      // Labels size themselves to their text.
      const ui::Size text = TextExtent(handles_[i]);
      rect.width = text.width;
      rect.height = window_height = text.height;
    } else if (control.kind == ui::ControlKind::kComboBox) {
      // A combo box's window height sets its dropped list's: one item when
      // the list is empty (more items show up to the visible count).
      window_height += static_cast<int>(SendMessageW(handles_[i], CB_GETITEMHEIGHT, 0, 0)) + 2;
    }
    SetWindowPos(handles_[i], nullptr, rect.left, rect.top, rect.width, window_height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    sizes[i] = ui::Size{rect.width, rect.height};
  }
}

HWND TForm1::Control(std::string_view name) const {
  const ui::Control* control = ui::FindControl(name);
  if (control == nullptr || handles_.empty()) return nullptr;
  return handles_[static_cast<size_t>(control - ui::FormControls().data())];
}

int TForm1::IdOf(std::string_view name) const {
  const HWND control = Control(name);
  return control == nullptr ? 0 : GetDlgCtrlID(control);
}

int TForm1::ActivePage() const {
  return static_cast<int>(SendMessageW(Control("PageControl1"), TCM_GETCURSEL, 0, 0));
}

void TForm1::SetActivePage(int index) {
  SendMessageW(Control("PageControl1"), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowPage(index);
}

void TForm1::ShowPage(int index) {
  const HWND tabs = Control("PageControl1");
  const HWND focus = GetFocus();
  int page = 0;
  for (const ui::Control& control : ui::FormControls()) {
    if (control.kind != ui::ControlKind::kTabSheet) continue;
    const HWND sheet = Control(control.name);
    // A page shows by its own style: IsWindowVisible is false for every
    // page while the window is hidden.
    if (page++ == index) {
      ShowWindow(sheet, SW_SHOWNA);
    } else if ((GetWindowLongPtrW(sheet, GWL_STYLE) & WS_VISIBLE) != 0 || IsChild(sheet, focus)) {
      // The focus leaves a page that goes for the strip of tabs.
      if (IsChild(sheet, focus)) SetFocus(tabs);
      ShowWindow(sheet, SW_HIDE);
    }
  }
}

void TForm1::RestoreFocus() {
  const bool usable = focus_ != nullptr && IsWindow(focus_) && IsChild(window_, focus_) &&
                      IsWindowVisible(focus_) && IsWindowEnabled(focus_);
  ++restoring_focus_;
  SetFocus(usable ? focus_ : Control("PageControl1"));
  --restoring_focus_;
}

bool TForm1::PreTranslate(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  if (GetKeyState(VK_MENU) < 0) return false;
  const WPARAM key = message.wParam;
  if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
    // The arrows on a focused button move along the tab chain.
    if (!IsButton(GetDlgCtrlID(message.hwnd))) return false;
    Tab(key == VK_RIGHT || key == VK_DOWN);
    return true;
  }
  if (key != VK_TAB) return false;
  const bool backwards = GetKeyState(VK_SHIFT) < 0;
  if (GetKeyState(VK_CONTROL) < 0) {
    // Ctrl+Tab and Ctrl+Shift+Tab: the next page or the previous, cycling.
    const auto count =
        static_cast<int>(SendMessageW(Control("PageControl1"), TCM_GETITEMCOUNT, 0, 0));
    if (count > 0) SetActivePage((ActivePage() + (backwards ? count - 1 : 1)) % count);
  } else {
    Tab(!backwards);
  }
  return true;
}

void TForm1::Tab(bool forward) {
  const auto chain = ui::TabChain();
  const auto count = static_cast<int>(chain.size());
  const HWND focus = GetFocus();
  int at = -1;
  for (int i = 0; i < count; ++i) {
    const HWND control = Control(chain[static_cast<size_t>(i)]);
    // (A combo box's focus is in its edit box.)
    if (control == focus || GetParent(focus) == control) at = i;
  }
  for (int step = 1; step <= count; ++step) {
    const int next = at < 0 ? (forward ? step - 1 : count - step)
                            : (at + (forward ? step : count - step)) % count;
    const HWND control = Control(chain[static_cast<size_t>(next)]);
    if (IsWindowVisible(control) && IsWindowEnabled(control)) {
      SetFocus(control);
      return;
    }
  }
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* made = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    made->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  // Nothing raised may unwind through the system's frames.
  try {
    return form->Handle(message, wparam, lparam);
  } catch (...) {
    try {
      TApplication::Instance().ReportCurrentCommandError();
    } catch (...) {
      // The report failed too: nothing is left to tell it with.
    }
    return 0;
  }
}

LRESULT TForm1::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<const NMHDR*>(lparam);
      if (notice->hwndFrom == Control("PageControl1") && notice->code == TCN_SELCHANGE) {
        ShowPage(ActivePage());
      }
      return 0;
    }
    case kPicked:
      pick_posted_ = false;
      if (controls_ != nullptr && !controls_->ComboBox1.Quiet()) {
        Guarded([this] { ComboBox1Change(); });
      }
      return 0;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED) PlaceControls();
      return 0;
    case WM_DPICHANGED:
      // The whole rectangle the system suggests: place and size.
      ApplyDensity(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
      } else if (HIWORD(wparam) == 0) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_CLOSE:
      // Closing always succeeds: the loop ends when it takes the request,
      // after any command running now has returned.
      TApplication::Instance().PostQuitRequest();
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

void TForm1::Command(int id, int code, HWND control) {
  if (control == nullptr) {
    // Enter (IDOK, from the dialog keys) presses a focused button, and
    // nothing else does anything with it or with Escape.
    const HWND focus = GetFocus();
    if (id == IDOK && IsButton(GetDlgCtrlID(focus)) && IsChild(window_, focus) &&
        IsWindowEnabled(focus)) {
      Click(GetDlgCtrlID(focus));
    }
    return;
  }
  if (code == BN_CLICKED && IsButton(id)) {
    Click(id);
  } else if (id == IdOf("ComboBox1") && controls_ != nullptr && !controls_->ComboBox1.Quiet()) {
    ComboBox1Notice(code, control);
  }
}

void TForm1::ComboBox1Notice(int code, HWND combo) {
  // A pick is a selection on the closed box (arrows, wheel, the list's
  // click as it closes), or the list closed with a selection made while it
  // was open. Arrowing through the open list, and opening and closing it
  // without choosing, pick nothing.
  bool picked = false;
  switch (code) {
    case CBN_EDITCHANGE:
      Guarded([this] { ComboBox1Change(); });
      return;
    case CBN_DROPDOWN:
      drop_ = Drop{true, false, WindowText(combo)};
      return;
    case CBN_SELCHANGE:
      if (SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != FALSE) {
        drop_.changed = true;
        return;
      }
      picked = true;
      break;
    case CBN_SELENDOK:
      // (Outside a drop: a selection on the closed box.)
      picked = !drop_.open || drop_.changed;
      drop_ = Drop{};
      break;
    case CBN_SELENDCANCEL:
      picked = drop_.open && WindowText(combo) != drop_.text;
      drop_ = Drop{};
      break;
    default:
      return;
  }
  // One run however many notices the pick raised.
  if (picked && !pick_posted_) pick_posted_ = PostMessageW(window_, kPicked, 0, 0) != FALSE;
}

bool TForm1::IsButton(int id) const {
  const auto controls = ui::FormControls();
  const int place = id - kFirstControlId;
  return place >= 0 && place < static_cast<int>(controls.size()) &&
         controls[static_cast<size_t>(place)].kind == ui::ControlKind::kButton;
}

void TForm1::Click(int id) {
  if (id == IdOf("Button1")) {
    Guarded([this] { Button1Click(); });
  } else if (id == IdOf("Button2")) {
    Guarded([this] { Button2Click(); });
  } else if (id == IdOf("Button3")) {
    Guarded([this] { Button3Click(); });
  }
}

void TForm1::Button1Click() { FormCore::Button1Click(*views_, TApplication::Instance()); }

void TForm1::Button2Click() { FormCore::Button2Click(*views_, TApplication::Instance()); }

void TForm1::FormActivate() { FormCore::FormActivate(*views_); }

void TForm1::ComboBox1Change() { FormCore::ComboBox1Change(*views_); }

void TForm1::Button3Click() {
  EncodingShell shell(*this);
  FormCore::Button3Click(*views_, shell);
}

}  // namespace app_win32
