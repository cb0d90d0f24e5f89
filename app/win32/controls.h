// The controls the Win32 API lacks, and the commands' view of the window's
// controls: the part class that draws tab pages, panels, group boxes and the
// banner art, and the adapters that turn the control interface into window
// messages, converting between GBK and UTF-16.
#ifndef APP_WIN32_CONTROLS_H_
#define APP_WIN32_CONTROLS_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "commands/controls.h"
#include "ui/form.h"
#include "ui/memo_lines.h"

namespace app_win32 {

// What a part draws. Parts hand their children's notifications (commands,
// notices, colour requests) on to the top-level window.
struct PartLook {
  ui::ControlKind kind;  // kTabSheet, kPanel, kGroupBox or kImage
  ui::ImageMode image = ui::ImageMode::kNone;
  std::wstring caption;           // a panel's or a group box's
  const HFONT* font = nullptr;    // the window font, as the form holds it
  const HBITMAP* art = nullptr;   // the banner, for an image
  const double* scale = nullptr;  // the layout scale, for a group box's caption
};

// The part window class, registered at the first call. A part's
// CreateWindowExW takes its PartLook, which must outlive the window.
const wchar_t* PartClass();

// Selects the whole text of `edit` whenever it gets the focus other than by
// a mouse click, unless `*quiet` is above zero (the focus given back as the
// window is activated again).
void SelectAllOnKeyboardFocus(HWND edit, const int* quiet);
// Gives the focus straight back to where it came from: for a control that
// neither mouse nor keyboard may focus, which can still be clicked by code.
void RefuseFocus(HWND control);

// An edit box.
class EditAdapter : public commands::TextControl {
 public:
  explicit EditAdapter(HWND edit) : edit_(edit) {}
  std::string Text() const override;
  void SetText(std::string_view text) override;

 private:
  HWND edit_;
};

// An editable drop-down list. No operation runs the change handler: the
// window asks Quiet() before it does.
class ComboAdapter : public commands::ComboControl {
 public:
  explicit ComboAdapter(HWND combo) : combo_(combo) {}
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void ClearItems() override;
  // Raises Exception "Unable to insert a line" when CB_ADDSTRING fails.
  void AddItem(std::string_view item) override;
  // True while one of the above changes the control.
  bool Quiet() const { return quiet_ > 0; }

 private:
  void SetWideText(const std::wstring& text);

  HWND combo_;
  int quiet_ = 0;
};

// The memo; its text is CR LF throughout. Lines added while it is hidden are
// collected and handed to the control at once when it is shown again (or its
// text is read), so that a long listing costs one edit.
class MemoAdapter : public commands::MemoControl {
 public:
  explicit MemoAdapter(HWND memo) : memo_(memo) {}
  std::string Text() const override;
  void ClearLines() override;
  void AddLine(std::string_view line) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;

 private:
  void Flush() const;

  HWND memo_;
  bool collecting_ = false;
  mutable ui::PendingLines<std::wstring> pending_{L"\r\n"};
};

// The controls the commands use, named after them.
struct FormControls {
  EditAdapter Edit1, Edit2, Edit3, Edit4, Edit5, Edit6;
  ComboAdapter ComboBox1, ComboBox2;
  MemoAdapter Memo1;
};

// The whole text of a window.
std::wstring WindowText(HWND window);

}  // namespace app_win32

#endif  // APP_WIN32_CONTROLS_H_
