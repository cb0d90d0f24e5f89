// The part class's painting and forwarding, the focus subclasses, and the
// adapters' window messages.
#include "app/win32/controls.h"

#include <commctrl.h>

#include "app/win32/application.h"
#include "base/exceptions.h"
#include "ui/geometry.h"
#include "ui/memo_lines.h"

namespace app_win32 {
namespace {

constexpr wchar_t kPartClass[] = L"AttrSearchPart";
const std::wstring kLineBreak = L"\r\n";

// Mouse presses in progress on a subclassed edit box (one thread runs the
// window).
int mouse_presses = 0;

// Draws `art` over `area`: stretched, or at its own size at layout scale
// `scale` in the corner.
void DrawArt(HDC dc, HBITMAP art, const RECT& area, bool stretch, double scale) {
  BITMAP info{};
  if (art == nullptr || GetObjectW(art, sizeof(info), &info) == 0) return;
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ previous = SelectObject(source, art);
  const int width = stretch ? area.right - area.left : ui::Scaled(info.bmWidth, scale);
  const int height = stretch ? area.bottom - area.top : ui::Scaled(info.bmHeight, scale);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, area.left, area.top, width, height, source, 0, 0, info.bmWidth, info.bmHeight,
             SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

void PaintPart(HWND part, const PartLook& look) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(part, &paint);
  RECT area;
  GetClientRect(part, &area);
  const bool stretched_art = look.kind == ui::ControlKind::kImage &&
                             look.image == ui::ImageMode::kStretch && look.art != nullptr &&
                             *look.art != nullptr;
  if (!stretched_art) FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (look.kind == ui::ControlKind::kImage && look.art != nullptr) {
    DrawArt(dc, *look.art, area, stretched_art, look.scale != nullptr ? *look.scale : 1.0);
  }
  const HGDIOBJ previous_font = look.font != nullptr ? SelectObject(dc, *look.font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  if (look.kind == ui::ControlKind::kPanel) {
    DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
    DrawTextW(dc, look.caption.c_str(), -1, &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  } else if (look.kind == ui::ControlKind::kGroupBox) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT frame = area;
    frame.top += metrics.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!look.caption.empty()) {
      const int left = ui::Scaled(8, look.scale != nullptr ? *look.scale : 1.0);
      SIZE extent{};
      GetTextExtentPoint32W(dc, look.caption.c_str(), static_cast<int>(look.caption.size()),
                            &extent);
      RECT back{left - 2, 0, left + extent.cx + 2, metrics.tmHeight};
      FillRect(dc, &back, GetSysColorBrush(COLOR_BTNFACE));
      TextOutW(dc, left, 0, look.caption.c_str(), static_cast<int>(look.caption.size()));
    }
  }
  if (previous_font != nullptr) SelectObject(dc, previous_font);
  EndPaint(part, &paint);
}

LRESULT CALLBACK PartProc(HWND part, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(part, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* look = reinterpret_cast<const PartLook*>(GetWindowLongPtrW(part, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return SendMessageW(GetAncestor(part, GA_ROOT), message, wparam, lparam);
    case WM_GETFONT:
      return look != nullptr && look->font != nullptr ? reinterpret_cast<LRESULT>(*look->font) : 0;
    case WM_SETFONT:
      return 0;  // parts draw with the window font as the form holds it
    case WM_ERASEBKGND:
      return 1;  // painted whole below
    case WM_PAINT:
      if (look != nullptr) {
        PaintPart(part, *look);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(part, message, wparam, lparam);
}

LRESULT CALLBACK SelectAllProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                               DWORD_PTR data) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_CONTEXTMENU: {
      ++mouse_presses;
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      --mouse_presses;
      return result;
    }
    case WM_SETFOCUS: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      if (mouse_presses == 0 && *reinterpret_cast<const int*>(data) == 0) {
        SendMessageW(edit, EM_SETSEL, 0, -1);
      }
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, SelectAllProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

LRESULT CALLBACK RefuseFocusProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                 UINT_PTR id, DWORD_PTR) {
  if (message == WM_SETFOCUS) {
    const HWND previous = reinterpret_cast<HWND>(wparam);
    if (previous != nullptr && IsWindow(previous)) SetFocus(previous);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(control, RefuseFocusProc, id);
  return DefSubclassProc(control, message, wparam, lparam);
}

// Raises a counter for the lifetime of the guard.
class QuietScope {
 public:
  explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
  ~QuietScope() { --depth_; }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  int& depth_;
};

// Appends `text` at the end of an edit box's text, in one edit. The
// selection and the view stay where they were.
void AppendText(HWND edit, const std::wstring& text) {
  DWORD start = 0;
  DWORD stop = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&stop));
  const auto first_line = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  const int end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(edit, EM_SETSEL, start, static_cast<LPARAM>(stop));
  const auto now_first = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  if (now_first != first_line) SendMessageW(edit, EM_LINESCROLL, 0, first_line - now_first);
}

bool EndsInOpenLine(const std::wstring& text) {
  return ui::EndsInOpenLine(text.empty(), text.empty() ? L'\0' : text.back(), L'\n');
}

}  // namespace

const wchar_t* PartClass() {
  static const ATOM registered = [] {
    WNDCLASSEXW part{};
    part.cbSize = sizeof(part);
    part.lpfnWndProc = PartProc;
    part.hInstance = GetModuleHandleW(nullptr);
    part.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    part.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    part.lpszClassName = kPartClass;
    return RegisterClassExW(&part);
  }();
  return registered != 0 ? kPartClass : L"STATIC";
}

void SelectAllOnKeyboardFocus(HWND edit, const int* quiet) {
  SetWindowSubclass(edit, SelectAllProc, 1, reinterpret_cast<DWORD_PTR>(quiet));
}

void RefuseFocus(HWND control) { SetWindowSubclass(control, RefuseFocusProc, 1, 0); }

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

std::string EditAdapter::Text() const { return GbkFromWide(WindowText(edit_)); }

void EditAdapter::SetText(std::string_view text) {
  SetWindowTextW(edit_, WideFromGbk(text).c_str());
}

std::string ComboAdapter::Text() const { return GbkFromWide(WindowText(combo_)); }

void ComboAdapter::SetWideText(const std::wstring& text) {
  if (WindowText(combo_) != text) SetWindowTextW(combo_, text.c_str());
}

void ComboAdapter::SetText(std::string_view text) {
  QuietScope quiet(quiet_);
  SetWideText(WideFromGbk(text));
}

void ComboAdapter::ClearItems() {
  QuietScope quiet(quiet_);
  const std::wstring text = WindowText(combo_);
  SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  SetWideText(text);
}

void ComboAdapter::AddItem(std::string_view item) {
  QuietScope quiet(quiet_);
  const std::wstring text = WindowText(combo_);
  const std::wstring wide = WideFromGbk(item);
  const LRESULT added =
      SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  if (added < 0) base::RaiseException("Unable to insert a line");
  SetWideText(text);
}

std::string MemoAdapter::Text() const {
  Flush();
  return GbkFromWide(WindowText(memo_));
}

void MemoAdapter::ClearLines() {
  pending_.Clear();
  SetWindowTextW(memo_, L"");
}

void MemoAdapter::AddLine(std::string_view line) {
  const std::wstring wide = WideFromGbk(line);
  if (!collecting_) {
    AppendText(memo_, ui::LineToAppend(EndsInOpenLine(WindowText(memo_)), wide, kLineBreak));
    return;
  }
  pending_.Add(wide, [this] { return EndsInOpenLine(WindowText(memo_)); });
}

void MemoAdapter::Flush() const {
  if (pending_.empty()) return;
  AppendText(memo_, pending_.Take());
}

void MemoAdapter::SetVisible(bool visible) {
  if (visible) {
    Flush();
    collecting_ = false;
  } else {
    collecting_ = true;
  }
  ShowWindow(memo_, visible ? SW_SHOWNA : SW_HIDE);
}

void MemoAdapter::SetEnabled(bool enabled) { EnableWindow(memo_, enabled ? TRUE : FALSE); }

}  // namespace app_win32
