// The main window as data: every control's name, kind, parent, place and
// size on the design screen, text, font, visibility, keyboard reach and
// docking, in the order the controls are made. Each renderer builds its
// window from this table and nothing else, and the layout tests check what a
// renderer built against it.
#ifndef UI_FORM_H_
#define UI_FORM_H_

#include <optional>
#include <span>
#include <string_view>

#include "ui/geometry.h"

namespace ui {

enum class ControlKind {
  kPageControl,  // the tab control holding the two pages
  kTabSheet,     // a page; its text is the tab's caption
  kPanel,        // raised panel, its text drawn in the middle
  kImage,        // the banner art
  kLabel,        // static text sized to its text
  kEdit,         // one-line edit box
  kGroupBox,     // frame with a caption
  kButton,       // push button; Enter presses it only while it has the focus
  kComboBox,     // editable drop-down list, 8 items tall, never inserting
  kMemo,         // the listing: wrapped, no scroll bars, Tab leaves it
};

enum class FontRole {
  kWindow,  // "MS Sans Serif", 8 points: text height 13 at 96 pixels per inch
  kLabel9,  // "宋体", text height 13 times the layout scale
};

enum class ImageMode {
  kNone,
  kStretch,  // the art fills the control
  kNatural,  // the art at its own size in the top-left corner
};

struct Control {
  const char* name;
  ControlKind kind;
  const char* parent;  // "Form1" for the window itself
  // Place and size on the design screen. A page's rectangle is where the tab
  // control puts it; a label's size is the one its text measured there (the
  // renderer sizes it to its text in the font it has).
  Rect design;
  const char* text = "";  // UTF-8
  FontRole font = FontRole::kWindow;
  ImageMode image = ImageMode::kNone;
  bool visible = true;
  // Whether mouse or keyboard can give it the focus (Button3 neither).
  bool takes_focus = true;
  // Place in the keyboard's tab chain (0 first), or -1 when outside it.
  int tab_order = -1;
  std::optional<DockRule> dock = std::nullopt;
};

// The window itself: its name, caption, place on the screen and client size
// on the design screen, and the page shown first.
inline constexpr char kFormName[] = "Form1";
inline constexpr char kFormCaption[] = "Tarvel手机归属地查询  https://attrtool.example.org";
inline constexpr Point kFormPosition{346, 564};
inline constexpr Size kClientSize{391, 311};
inline constexpr int kFirstPage = 1;
// Items a combo box's dropped list shows before it scrolls; an empty list
// still drops down one item tall.
inline constexpr int kComboVisibleItems = 8;
inline constexpr int kComboLeastVisibleItems = 1;
// The memo's text when the window is made: one empty line.
inline constexpr char kMemoInitialText[] = "\r\n";
// The controls disabled while the bulk encoding lets events through.
inline constexpr std::string_view kCommandControls[] = {"Button1", "Button2", "ComboBox1"};

// Every control, parents before children; among siblings, later ones are
// drawn over earlier ones.
std::span<const Control> FormControls();

// The control named `name`; null when there is none.
const Control* FindControl(std::string_view name);

// The names of the controls in the keyboard's tab chain, in its order.
std::span<const std::string_view> TabChain();

}  // namespace ui

#endif  // UI_FORM_H_
