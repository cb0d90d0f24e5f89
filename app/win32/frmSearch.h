// TForm1 for Windows: the main window built with the Win32 API from the
// form's description (ui/form.h), at the scale its font asks for on the
// screen it opens on, with the database components and the five handlers of
// the form's core.
#ifndef APP_WIN32_FRMSEARCH_H_
#define APP_WIN32_FRMSEARCH_H_

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/win32/application.h"
#include "app/win32/controls.h"
#include "app/win32/fonts.h"
#include "ui/form_core.h"

namespace app_win32 {

class TForm1 : public ui::FormCore, public MainWindow {
 public:
  // Builds the window, hidden, at the pixel density of the screen it opens
  // on: the window font that density asks for, the layout at the scale that
  // font gives (its text height over 13). Then opens ADOConnection1; a
  // failure is shown by the command error report and the window is built on
  // with the connection closed.
  TForm1() : TForm1(0) {}
  // The same at `dots_per_inch`, whatever the screen's (0: the screen's).
  explicit TForm1(int dots_per_inch);
  // Destroys the window first, then DataSource1, ADOQuery1 and
  // ADOConnection1.
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  HWND Handle() const override { return window_; }
  // The control named `name` in the form's description; null when none is.
  HWND Control(std::string_view name) const;
  int DotsPerInch() const { return dots_per_inch_; }
  double Scale() const { return scale_; }
  const OwnedFont& WindowFont() const { return window_font_; }
  const OwnedFont& Label9Font() const { return label9_font_; }
  int ActivePage() const;
  void SetActivePage(int index);
  // The commands' view of the controls.
  FormControls& Controls() { return *controls_; }

  // The handlers; each runs its command and returns.
  virtual void Button1Click();
  virtual void Button2Click();
  virtual void FormActivate();
  virtual void ComboBox1Change();
  virtual void Button3Click();

  bool PreTranslate(const MSG& message) override;
  void Activated() override { FormActivate(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  // The constructor's work after the window is made.
  void Build(int dots_per_inch);
  void BuildControls();
  // Chooses the fonts for `dots_per_inch`, gives them to the controls and
  // lays the window out at the scale they give: at the design's client size
  // at that scale, or in `outer_rect` where given.
  void ApplyDensity(int dots_per_inch, const RECT* outer_rect = nullptr);
  // Places every control by the description at the current scale, docked
  // ones by their rules inside their parents' current sizes.
  void PlaceControls();
  void FitComboBoxes();
  void FitTabStrip();
  void ShowPage(int index);
  void RestoreFocus();
  void DestroyWindowFirst();
  void Command(int id, int code, HWND control);
  // Turns ComboBox1's notices into runs of its change handler.
  void ComboBox1Notice(int code, HWND combo);
  // Runs the handler of the button with control id `id`.
  void Click(int id);
  // Moves the keyboard focus along the tab chain.
  void Tab(bool forward);
  int IdOf(std::string_view name) const;
  // Whether `id` is a button's control id.
  bool IsButton(int id) const;

  HWND window_ = nullptr;
  std::vector<HWND> handles_;  // by place in ui::FormControls()
  std::vector<int> parents_;   // the same places of their parents; -1: the form
  std::vector<std::unique_ptr<PartLook>> looks_;
  int dots_per_inch_ = 96;
  double scale_ = 1.0;
  OwnedFont window_font_;
  OwnedFont label9_font_;
  HFONT window_font_handle_ = nullptr;  // what the parts draw with
  HBITMAP banner_ = nullptr;
  HWND focus_ = nullptr;      // the control that had the focus last
  int restoring_focus_ = 0;   // above zero while the focus is given back
  bool pick_posted_ = false;  // a pick of ComboBox1 waits in the queue
  // ComboBox1's dropped list since it opened: whether the selection changed
  // in it, and the box's text when it opened.
  struct Drop {
    bool open = false;
    bool changed = false;
    std::wstring text;
  };
  Drop drop_;
  std::unique_ptr<FormControls> controls_;
  std::unique_ptr<ui::FormControlViews> views_;
};

}  // namespace app_win32

#endif  // APP_WIN32_FRMSEARCH_H_
