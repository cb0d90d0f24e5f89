// The Win32 window under wine, without a display: built from the description
// at three densities, driven by window messages as a user's actions arrive,
// with the shell's boxes taken by the hook.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/win32/application.h"
#include "app/win32/controls.h"
#include "app/win32/fonts.h"
#include "app/win32/frmSearch.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "ui/form.h"

// Readable values in the failure messages.
namespace ui {
inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "Rect(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}
inline void PrintTo(const Size& s, std::ostream* out) {
  *out << "Size(" << s.width << ", " << s.height << ")";
}
inline void PrintTo(const Point& p, std::ostream* out) {
  *out << "Point(" << p.x << ", " << p.y << ")";
}
}  // namespace ui

namespace app_win32 {
namespace {

TApplication& Shell() { return TApplication::Instance(); }
std::wstring W(const char* utf8) { return WideFromUtf8(utf8); }

struct RecordedBox {
  ui::BoxKind kind;
  std::wstring caption;
  std::wstring text;
  bool main_window_visible;
};

// Takes every box while it lives, instead of showing it.
class BoxRecorder {
 public:
  BoxRecorder() {
    SetBoxHook([this](ui::BoxKind kind, const std::wstring& caption, const std::wstring& text) {
      const bool visible = Shell().Main() != nullptr && IsWindowVisible(Shell().Main()->Handle());
      boxes.push_back({kind, caption, text, visible});
    });
  }
  ~BoxRecorder() { SetBoxHook(nullptr); }
  std::vector<RecordedBox> boxes;
};

// A scratch folder that is the working folder while the object lives.
class InScratchFolder {
 public:
  InScratchFolder() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder_.path());
  }
  ~InScratchFolder() { std::filesystem::current_path(previous_); }
  std::filesystem::path File(const char* name) const { return folder_.path() / name; }

 private:
  testing_support::ScratchDir folder_;
  std::filesystem::path previous_;
};

// A window whose handlers count their runs and note ComboBox1's text as its
// change handler saw it.
class ProbeForm : public TForm1 {
 public:
  using TForm1::TForm1;
  void Button1Click() override { ++button1_clicks; }
  void Button2Click() override { ++button2_clicks; }
  void Button3Click() override { ++button3_clicks; }
  void FormActivate() override {}
  void ComboBox1Change() override { combo1_texts.push_back(WindowText(Control("ComboBox1"))); }
  int button1_clicks = 0;
  int button2_clicks = 0;
  int button3_clicks = 0;
  std::vector<std::wstring> combo1_texts;
};

// Makes `form` the shown main window for the rest of the test.
template <typename Form>
Form& Shown(std::unique_ptr<Form> form) {
  Form& shown = *form;
  Shell().SetMainWindow(std::move(form));
  Shell().ShowMainWindow();
  return shown;
}

// Tests of the shown main window, in a scratch working folder that outlives
// the window (and so its open database).
class MainWindowTest : public ::testing::Test {
 protected:
  void TearDown() override { Shell().SetMainWindow(nullptr); }
  InScratchFolder folder;
};

void Type(HWND edit, const char* utf8) { SetWindowTextW(edit, W(utf8).c_str()); }
void Press(const TForm1& form, const char* button) {
  SendMessageW(form.Control(button), BM_CLICK, 0, 0);
}
// Chooses item `index` of a combo box's list, as a pick with the mouse
// notifies it, and lets the window take the pick.
void Pick(const TForm1& form, const char* combo, int index, UINT notice = CBN_SELCHANGE) {
  const HWND box = form.Control(combo);
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), notice),
               reinterpret_cast<LPARAM>(box));
  Shell().DrainPendingEvents();
}
std::vector<std::wstring> Items(HWND combo) {
  std::vector<std::wstring> items;
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    items.push_back(item);
  }
  return items;
}
// Presses `key` on the control with the focus, with Shift and Ctrl as given.
void Key(WPARAM key, bool shift = false, bool control = false) {
  BYTE state[256] = {};
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(state);
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  Shell().DrainPendingEvents();
  state[VK_SHIFT] = state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}
// The description's name of the control holding the focus.
std::string Focused(const TForm1& form) {
  const HWND focus = GetFocus();
  // A combo box's focus is in its edit box.
  for (const HWND window : {focus, GetParent(focus)}) {
    for (const ui::Control& control : ui::FormControls()) {
      if (form.Control(control.name) == window) return control.name;
    }
  }
  return "(none)";
}
// A control's rectangle in its parent's client area.
ui::Rect PlaceOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return ui::Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}
ui::Size ClientSize(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return ui::Size{client.right, client.bottom};
}

// Notes the enabled state of the command controls when a message posted to
// it comes out of the queue.
class EnabledProbe {
 public:
  explicit EnabledProbe(const TForm1& form) : form_(form) {
    WNDCLASSW probe{};
    probe.lpfnWndProc = Proc;
    probe.hInstance = GetModuleHandleW(nullptr);
    probe.lpszClassName = L"EnabledProbe";
    RegisterClassW(&probe);
    window_ = CreateWindowExW(0, L"EnabledProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              probe.hInstance, this);
  }
  ~EnabledProbe() { DestroyWindow(window_); }
  void Post() { PostMessageW(window_, WM_APP, 0, 0); }
  std::vector<bool> seen;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    } else if (message == WM_APP) {
      auto* probe = reinterpret_cast<EnabledProbe*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      for (std::string_view name : ui::kCommandControls) {
        probe->seen.push_back(IsWindowEnabled(probe->form_.Control(name)) != FALSE);
      }
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  const TForm1& form_;
  HWND window_;
};

TEST_F(MainWindowTest, LookupListsAndEncodingInOurOwnDatabase) {
  testing_support::DemoOptions options;
  options.heads = testing_support::HeadForm::kMixed;
  testing_support::WriteAttributionDatabase(folder.File("attrdata.mdb"),
                                            testing_support::DemoAttribution(options));
  BoxRecorder recorder;
  TForm1& form = Shown(std::make_unique<TForm1>(96));
  const std::vector<std::wstring> provinces = Items(form.Control("ComboBox1"));
  ASSERT_EQ(provinces.size(), 7u);
  EXPECT_EQ(provinces[2], W("广东"));
  EXPECT_EQ(provinces[6], W("演示"));

  // Row 0 of the mixed file is stored scrambled, the other heads plain:
  // only the first is found until the heads are encoded.
  form.SetActivePage(0);
  Type(form.Control("Edit1"), "13801001234");
  Press(form, "Button1");
  EXPECT_EQ(WindowText(form.Control("Edit3")), W("北京"));
  EXPECT_EQ(WindowText(form.Control("Edit5")), L"010");
  Type(form.Control("Edit1"), "1355507");
  Press(form, "Button1");
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].kind, ui::BoxKind::kNotice);
  EXPECT_EQ(recorder.boxes[0].caption, L"win32_window_test");
  EXPECT_EQ(recorder.boxes[0].text, W("对不起，没有查询到这个卡号的归属地"));
  EXPECT_EQ(WindowText(form.Control("Edit3")), W("北京"));

  // The hidden Button3 still clicks; the command controls are disabled
  // while the encoding lets messages through.
  EnabledProbe probe(form);
  probe.Post();
  Press(form, "Button3");
  EXPECT_EQ(probe.seen, std::vector<bool>(std::size(ui::kCommandControls), false));
  EXPECT_TRUE(IsWindowEnabled(form.Control("Button1")));
  EXPECT_NE(GetFocus(), form.Control("Button3"));
  EXPECT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(GbkFromWide(WindowText(form.Control("Edit1"))),
            *testing_support::DemoAttribution(options).heads[199].numhead);
  Type(form.Control("Edit1"), "1355507");
  Press(form, "Button1");
  const char* found[][2] = {
      {"Edit2", "广东"}, {"Edit3", "深圳"}, {"Edit4", "518000"}, {"Edit5", "0755"},
      {"Edit6", "中国移动"}};
  for (const auto& [edit, text] : found) EXPECT_EQ(WindowText(form.Control(edit)), W(text));

  form.SetActivePage(1);
  Pick(form, "ComboBox1", 2);  // 广东
  const std::vector<std::wstring> cities = Items(form.Control("ComboBox2"));
  ASSERT_EQ(cities.size(), 4u);
  EXPECT_EQ(cities[3], W("深圳"));
  Pick(form, "ComboBox2", 1);  // 深圳, in two city rows: index 4 and 10
  Press(form, "Button2");
  const std::string listing = form.Controls().Memo1.Text();
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = listing.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(listing.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 65u);  // 60 + 5, each ending in a line break
  EXPECT_EQ(lines[0], "1355500xxxx");
  EXPECT_EQ(lines[59], testing_support::DemoHeadsOf(4)[59] + "xxxx");
  EXPECT_EQ(lines[64], testing_support::DemoHeadsOf(10)[4] + "xxxx");
  EXPECT_TRUE(IsWindowVisible(form.Control("Memo1")));
  EXPECT_TRUE(IsWindowEnabled(form.Control("Memo1")));
  ASSERT_EQ(recorder.boxes.size(), 2u);
  EXPECT_EQ(recorder.boxes[1].text, W("号段生成完毕，共有65个号段"));
}

// Without a usable database the window is built on with the connection
// closed: the failure is reported as it opens and again at the first
// activation, whose province query finds no database either.
class StartWithoutDatabase
    : public MainWindowTest,
      public ::testing::WithParamInterface<std::tuple<const char*, const char*>> {};

TEST_P(StartWithoutDatabase, ReportsTheFileTwiceAndStaysOpen) {
  const auto [contents, report] = GetParam();
  if (*contents != '\0') std::ofstream(folder.File("attrdata.mdb"), std::ios::binary) << contents;
  BoxRecorder recorder;
  auto owned = std::make_unique<TForm1>(96);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  TForm1& form = Shown(std::move(owned));
  ASSERT_EQ(recorder.boxes.size(), 2u);
  for (const RecordedBox& box : recorder.boxes) {
    EXPECT_EQ(box.kind, ui::BoxKind::kCommandError);
    EXPECT_EQ(box.caption, L"win32_window_test");
    EXPECT_EQ(box.text.rfind(W(report), 0), 0u) << GbkFromWide(box.text);
    EXPECT_NE(box.text.find(L"attrdata.mdb'"), std::wstring::npos) << GbkFromWide(box.text);
  }
  EXPECT_FALSE(recorder.boxes[0].main_window_visible);
  EXPECT_TRUE(recorder.boxes[1].main_window_visible);
  EXPECT_FALSE(form.ADOConnection1->Connected());
  EXPECT_TRUE(Items(form.Control("ComboBox1")).empty());
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_FALSE(Shell().StopRequested());
}

INSTANTIATE_TEST_SUITE_P(Files, StartWithoutDatabase,
                         ::testing::Values(std::make_tuple("", "Could not find file '"),
                                           std::make_tuple("not a database, though named like one",
                                                           "Unrecognized database format '")),
                         [](const auto& info) {
                           return *std::get<0>(info.param) == '\0' ? "Missing" : "Damaged";
                         });

// The layout at 96, 120 and 144 pixels per inch, built there or moved there
// from 96: the font comes as close to its target height as it can, the
// window grows with its controls, each control lies where the description
// puts it at that scale, inside its parent, apart from the siblings it is
// designed apart from, and the docked ones follow a resize.
class Layout : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(Layout, ControlsSitWhereTheDescriptionPutsThemAtTheFontsScale) {
  const auto [dpi, moved] = GetParam();
  BoxRecorder recorder;
  TForm1 form(moved ? 96 : dpi);
  // A move takes the whole rectangle the system suggests: here the size the
  // window has when built there, a little larger, somewhere else.
  const ui::Size grown = moved ? ui::Size{30, 20} : ui::Size{0, 0};
  if (moved) {
    RECT suggested;
    GetWindowRect(TForm1(dpi).Handle(), &suggested);
    OffsetRect(&suggested, 40, 30);
    suggested.right += grown.width;
    suggested.bottom += grown.height;
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(form.Handle(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
  }
  EXPECT_EQ(form.DotsPerInch(), dpi);
  const int target = ui::TextHeightAt(dpi);
  EXPECT_LE(std::abs(form.WindowFont().text_height() - target), 1);
  const double scale = form.Scale();
  EXPECT_DOUBLE_EQ(scale, form.WindowFont().text_height() / 13.0);
  EXPECT_LE(std::abs(form.Label9Font().text_height() - ui::Scaled(13, scale)), 1);
  const ui::Size client = ui::Scaled(ui::kClientSize, scale);
  EXPECT_EQ(ClientSize(form.Handle()),
            (ui::Size{client.width + grown.width, client.height + grown.height}));

  const auto controls = ui::FormControls();
  for (const ui::Control& p : controls) {
    const HWND window = form.Control(p.name);
    ASSERT_NE(window, nullptr) << p.name;
    const ui::Rect place = PlaceOf(window);
    const ui::Size parent = ClientSize(GetParent(window));
    EXPECT_TRUE((ui::Rect{0, 0, parent.width, parent.height}.Contains(place))) << p.name;
    const ui::Rect design = ui::Scaled(p.design, scale);
    if (p.kind == ui::ControlKind::kLabel) {
      EXPECT_EQ((ui::Point{place.left, place.top}), (ui::Point{design.left, design.top})) << p.name;
    } else if (!p.dock && p.kind != ui::ControlKind::kTabSheet) {
      EXPECT_EQ(place, design) << p.name;
    }
    for (const ui::Control& q : controls) {
      if (&q <= &p || std::string_view(q.parent) != p.parent || p.design.Overlaps(q.design)) {
        continue;
      }
      EXPECT_FALSE(place.Overlaps(PlaceOf(form.Control(q.name)))) << p.name << " on " << q.name;
    }
  }

  const ui::Rect memo = PlaceOf(form.Control("Memo1"));
  const ui::Rect edit1 = PlaceOf(form.Control("Edit1"));
  const auto below = [&](const char* name) {
    return ClientSize(GetParent(form.Control(name))).height - PlaceOf(form.Control(name)).Bottom();
  };
  const int group2_below = below("GroupBox2");
  RECT outer;
  GetWindowRect(form.Handle(), &outer);
  SetWindowPos(form.Handle(), nullptr, 0, 0, outer.right - outer.left + 200,
               outer.bottom - outer.top + 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(PlaceOf(form.Control("Memo1")).width, memo.width + 200);
  EXPECT_EQ(PlaceOf(form.Control("Memo1")).height, memo.height);
  EXPECT_EQ(below("GroupBox2"), group2_below);
  EXPECT_EQ(PlaceOf(form.Control("Edit1")), edit1);
  EXPECT_EQ(PlaceOf(form.Control("Image1")).height,
            PlaceOf(form.Control("Panel1")).height - 2 * ui::Scaled(1, scale));
}

INSTANTIATE_TEST_SUITE_P(Densities, Layout,
                         ::testing::Values(std::make_tuple(96, false), std::make_tuple(120, false),
                                           std::make_tuple(144, false), std::make_tuple(120, true),
                                           std::make_tuple(144, true)),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "Moved" : "");
                         });

TEST(Win32Window, FontsDrawEveryTextOfTheWindowAndItsResults) {
  BoxRecorder recorder;
  TForm1 form(96);
  // The texts the commands write into it, and the notices.
  const std::wstring results = W("广东深圳中国移动演示区") + L"0123456789x" +
                               W("对不起，没有查询到这个卡号的归属地") + W("号段生成完毕，共有个");
  const HDC dc = GetDC(form.Handle());
  EXPECT_TRUE(DrawsAll(dc, form.WindowFont().handle(), results))
      << GbkFromWide(form.WindowFont().family());
  for (const ui::Control& control : ui::FormControls()) {
    const HWND window = form.Control(control.name);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    EXPECT_EQ(font, control.font == ui::FontRole::kLabel9 ? form.Label9Font().handle()
                                                          : form.WindowFont().handle())
        << control.name;
    EXPECT_TRUE(DrawsAll(dc, font, W(control.text))) << control.name;
  }
  ReleaseDC(form.Handle(), dc);
  ::testing::Test::RecordProperty("window_font", GbkFromWide(form.WindowFont().family()));
  ::testing::Test::RecordProperty("label9_font", GbkFromWide(form.Label9Font().family()));
}

// The default constructor takes the density of the screen: the one the
// script sets in the registry (ATTR_EXPECTED_DPI), else the system's.
TEST(Win32Window, OpensAtTheDensityOfItsScreen) {
  BoxRecorder recorder;
  TForm1 form;
  int expected = 0;
  if (const char* given = std::getenv("ATTR_EXPECTED_DPI")) {
    expected = std::atoi(given);
  } else {
    const HDC screen = GetDC(nullptr);
    expected = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  EXPECT_EQ(form.DotsPerInch(), expected);
  EXPECT_LE(std::abs(form.WindowFont().text_height() - ui::TextHeightAt(expected)), 1);
  EXPECT_EQ(ClientSize(form.Handle()), ui::Scaled(ui::kClientSize, form.Scale()));
}

TEST_F(MainWindowTest, ComboChangeRunsOncePerUserEditAndPickOnly) {
  BoxRecorder recorder;
  ProbeForm& form = Shown(std::make_unique<ProbeForm>(96));
  const HWND box = form.Control("ComboBox1");
  ComboAdapter& combo = form.Controls().ComboBox1;
  combo.SetText("\xb9\xe3\xb6\xab");  // 广东
  combo.AddItem("\xb1\xb1\xbe\xa9");  // 北京
  combo.AddItem("\xb9\xe3\xb6\xab");
  EXPECT_EQ(Items(box).size(), 2u);
  EXPECT_EQ(combo.Text(), "\xb9\xe3\xb6\xab");
  combo.ClearItems();
  EXPECT_EQ(combo.Text(), "\xb9\xe3\xb6\xab");
  Shell().DrainPendingEvents();
  EXPECT_TRUE(form.combo1_texts.empty());

  // The dropped list: one item tall when empty, eight when longer.
  COMBOBOXINFO parts{};
  parts.cbSize = sizeof(parts);
  GetComboBoxInfo(box, &parts);
  const auto item = static_cast<int>(SendMessageW(box, CB_GETITEMHEIGHT, 0, 0));
  const auto dropped_height = [&] {
    SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
    RECT list;
    GetWindowRect(parts.hwndList, &list);
    SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
    return static_cast<int>(list.bottom - list.top);
  };
  EXPECT_GE(dropped_height(), item);
  EXPECT_LT(dropped_height(), 2 * item);
  for (int i = 0; i < 20; ++i) combo.AddItem(std::to_string(i));
  EXPECT_GE(dropped_height(), 8 * item);
  EXPECT_LT(dropped_height(), 9 * item);

  combo.SetText("");
  SendMessageW(parts.hwndItem, WM_CHAR, 'a', 1);
  SendMessageW(parts.hwndItem, WM_CHAR, 'b', 1);
  EXPECT_EQ(form.combo1_texts, (std::vector<std::wstring>{L"a", L"ab"}));
  form.combo1_texts.clear();
  Pick(form, "ComboBox1", 3);
  Pick(form, "ComboBox1", 3);  // the item already shown: once again
  Pick(form, "ComboBox1", 4, CBN_SELENDOK);
  EXPECT_EQ(form.combo1_texts, (std::vector<std::wstring>{L"3", L"3", L"4"}));
  // A pick that raises both notices runs the handler once.
  SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELENDOK),
               reinterpret_cast<LPARAM>(box));
  Pick(form, "ComboBox1", 5);
  EXPECT_EQ(form.combo1_texts.size(), 4u);
  EXPECT_EQ(form.combo1_texts.back(), L"5");

  // The list opened and closed by the keyboard, and arrowed through while
  // open, picks nothing; Enter on the highlighted item picks it, once.
  form.combo1_texts.clear();
  SetFocus(box);
  Key(VK_F4);
  // (Windows notes F4's close as an OK, wine as a cancel: both, here.)
  SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELENDOK),
               reinterpret_cast<LPARAM>(box));
  Key(VK_F4);
  Key(VK_F4);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_TRUE(form.combo1_texts.empty());
  Key(VK_RETURN);
  EXPECT_EQ(form.combo1_texts, (std::vector<std::wstring>{L"7"}));
}

TEST_F(MainWindowTest, KeyboardFollowsTheTabChainAndEnterPressesOnlyAFocusedButton) {
  BoxRecorder recorder;
  ProbeForm& form = Shown(std::make_unique<ProbeForm>(96));
  EXPECT_EQ(form.ActivePage(), ui::kFirstPage);
  EXPECT_EQ(Focused(form), "PageControl1");
  std::vector<std::string> walk;
  for (int i = 0; i < 5; ++i) {
    Key(VK_TAB);
    walk.push_back(Focused(form));
  }
  EXPECT_EQ(walk, (std::vector<std::string>{"ComboBox1", "ComboBox2", "Memo1", "Button2",
                                            "PageControl1"}));
  Key(VK_TAB, /*shift=*/true);
  EXPECT_EQ(Focused(form), "Button2");
  Key(VK_TAB, false, /*control=*/true);
  EXPECT_EQ(form.ActivePage(), 0);
  EXPECT_EQ(Focused(form), "PageControl1");
  Key(VK_TAB, true, true);
  EXPECT_EQ(form.ActivePage(), 1);
  Key(VK_TAB, false, true);

  form.Controls().Edit2.SetText("abc");
  walk.clear();
  for (int i = 0; i < 8; ++i) {
    Key(VK_TAB);
    walk.push_back(Focused(form));
    if (i == 1) {
      // Focus by the keyboard selects the whole text.
      DWORD start = 1, end = 0;
      SendMessageW(form.Control("Edit2"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
      EXPECT_EQ(start, 0u);
      EXPECT_EQ(end, 3u);
    }
  }
  EXPECT_EQ(walk, (std::vector<std::string>{"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6",
                                            "Button1", "PageControl1"}));
  // A click does not.
  const HWND edit3 = form.Control("Edit3");
  form.Controls().Edit3.SetText("def");
  SendMessageW(edit3, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 5));
  SendMessageW(edit3, WM_LBUTTONUP, 0, MAKELPARAM(2, 5));
  EXPECT_EQ(GetFocus(), edit3);
  DWORD start = 0, end = 1;
  SendMessageW(edit3, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, end);

  SetFocus(form.Control("Edit1"));
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(form.button1_clicks, 0);
  SetFocus(form.Control("Button1"));
  Key(VK_RETURN);
  EXPECT_EQ(form.button1_clicks, 1);
  // The arrows on a button move along the tab chain.
  Key(VK_LEFT);
  EXPECT_EQ(Focused(form), "Edit6");
  SetFocus(form.Control("Button1"));
  Key(VK_RIGHT);
  EXPECT_EQ(Focused(form), "PageControl1");
  SetFocus(form.Control("Button1"));

  const HWND button3 = form.Control("Button3");
  EXPECT_FALSE(IsWindowVisible(button3));
  Press(form, "Button3");
  EXPECT_EQ(form.button3_clicks, 1);
  EXPECT_EQ(GetFocus(), form.Control("Button1"));
  EXPECT_EQ(form.button2_clicks, 0);
}

TEST_F(MainWindowTest, MemoCollectsLinesWhileHiddenAndCoversLabel9) {
  BoxRecorder recorder;
  TForm1& form = Shown(std::make_unique<TForm1>(96));
  MemoAdapter& memo = form.Controls().Memo1;
  const HWND group = form.Control("GroupBox2");
  const ui::Rect label9 = PlaceOf(form.Control("Label9"));
  const POINT spot{label9.left + label9.width / 2, label9.top + label9.height / 2};
  EXPECT_EQ(ChildWindowFromPointEx(group, spot, CWP_SKIPINVISIBLE), form.Control("Memo1"));
  EXPECT_EQ(memo.Text(), "\r\n");

  SetWindowTextW(form.Control("Memo1"), L"x");
  memo.SetVisible(false);
  EXPECT_EQ(ChildWindowFromPointEx(group, spot, CWP_SKIPINVISIBLE), form.Control("Label9"));
  memo.AddLine("y");
  memo.AddLine("z");
  EXPECT_EQ(WindowText(form.Control("Memo1")), L"x");  // not yet handed over
  EXPECT_EQ(memo.Text(), "x\r\ny\r\nz");
  memo.ClearLines();
  memo.AddLine("a");
  memo.AddLine("b");
  memo.SetVisible(true);
  EXPECT_EQ(WindowText(form.Control("Memo1")), L"a\r\nb\r\n");
  memo.AddLine("c");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\nc\r\n");

  // A listing longer than the memo, handed over at once or line by line,
  // leaves the view at the top and the caret at the start.
  for (const bool hidden : {true, false}) {
    memo.ClearLines();
    memo.SetVisible(!hidden);
    for (int i = 0; i < 100; ++i) memo.AddLine(std::to_string(i));
    memo.SetVisible(true);
    const HWND edit = form.Control("Memo1");
    DWORD start = 1, end = 1;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << hidden;
    EXPECT_EQ(start, 0u) << hidden;
    EXPECT_EQ(end, 0u) << hidden;
  }
}

// Pages chosen while the window is still hidden: only the last one chosen
// is shown.
TEST(Win32Window, PagesChosenBeforeTheWindowShowsLeaveOnePageVisible) {
  BoxRecorder recorder;
  TForm1 form(96);
  std::vector<HWND> pages;
  for (const ui::Control& control : ui::FormControls()) {
    if (control.kind == ui::ControlKind::kTabSheet) pages.push_back(form.Control(control.name));
  }
  for (const int chosen : {1, 0, 1}) {
    form.SetActivePage(chosen);
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_EQ((GetWindowLongPtrW(pages[i], GWL_STYLE) & WS_VISIBLE) != 0,
                static_cast<int>(i) == chosen)
          << "page " << i << " after choosing " << chosen;
    }
  }
}

// The real notice box: captioned with the title, modal, closed by Enter and
// by Escape, after which the main window is active again.
struct SeenBox {
  std::wstring caption, text, button;
  bool owner_enabled = true;
};

class NoticeBox : public MainWindowTest, public ::testing::WithParamInterface<WPARAM> {
 protected:
  static inline SeenBox seen;
  static inline WPARAM key = 0;
  static inline HWND owner = nullptr;

  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring_view(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    seen = {WindowText(box), WindowText(GetDlgItem(box, 100)), WindowText(GetDlgItem(box, IDOK)),
            IsWindowEnabled(owner) != FALSE};
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  }
};

TEST_P(NoticeBox, IsCaptionedModalAndClosesByKey) {
  std::optional<BoxRecorder> recorder(std::in_place);  // for the missing database
  TForm1& form = Shown(std::make_unique<TForm1>(96));
  recorder.reset();
  key = GetParam();
  owner = form.Handle();
  SetTimer(nullptr, 0, 10, CloseBox);
  Shell().ShowNotice("\xba\xc5\xb6\xce\xc9\xfa\xb3\xc9\xcd\xea\xb1\xcf");  // 号段生成完毕
  EXPECT_EQ(seen.caption, L"win32_window_test");
  EXPECT_EQ(seen.text, W("号段生成完毕"));
  EXPECT_EQ(seen.button, L"OK");
  EXPECT_FALSE(seen.owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(form.Handle()));
  EXPECT_EQ(GetActiveWindow(), form.Handle());
}

INSTANTIATE_TEST_SUITE_P(Keys, NoticeBox, ::testing::Values(VK_RETURN, VK_ESCAPE),
                         [](const auto& info) {
                           return info.param == VK_RETURN ? "Enter" : "Escape";
                         });

}  // namespace
}  // namespace app_win32
