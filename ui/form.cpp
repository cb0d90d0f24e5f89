// The table of the main window's controls.
#include "ui/form.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

using K = ControlKind;

// Label9 ("please wait") is made before Memo1, so that the memo covers it
// until the memo is hidden during a long listing.
const Control kControls[] = {
    {"PageControl1", K::kPageControl, "Form1", {0, 0, 391, 311}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 0, FillInside(0, 0, 0, 0)},
    {"TabSheet1", K::kTabSheet, "PageControl1", {4, 24, 383, 283}, "归属地查询"},
    {"TabSheet2", K::kTabSheet, "PageControl1", {4, 24, 383, 283}, "号段生成"},

    // The lookup page.
    {"Panel1", K::kPanel, "TabSheet1", {0, 0, 97, 283}, "Panel1", FontRole::kWindow,
     ImageMode::kNone, true, true, -1, PinLeft(97)},
    {"Image1", K::kImage, "Panel1", {1, 1, 95, 281}, "", FontRole::kWindow,
     ImageMode::kStretch, true, true, -1, FillInside(1, 1, 1, 1)},
    {"Button3", K::kButton, "Panel1", {8, 248, 75, 25}, "Button3", FontRole::kWindow,
     ImageMode::kNone, false, false},
    {"Panel2", K::kPanel, "TabSheet1", {97, 0, 286, 283}, "Panel2", FontRole::kWindow,
     ImageMode::kNone, true, true, -1, FillInside(97, 0, 0, 0)},
    {"Label1", K::kLabel, "Panel2", {8, 16, 156, 13}, "手机号码（至少输入前七位）"},
    {"Edit1", K::kEdit, "Panel2", {8, 32, 169, 21}, "", FontRole::kWindow, ImageMode::kNone,
     true, true, 1},
    {"GroupBox1", K::kGroupBox, "Panel2", {8, 56, 241, 209}},
    {"Label2", K::kLabel, "GroupBox1", {8, 20, 24, 13}, "省份"},
    {"Label3", K::kLabel, "GroupBox1", {10, 53, 24, 13}, "城市"},
    {"Label4", K::kLabel, "GroupBox1", {8, 84, 24, 13}, "邮编"},
    {"Label5", K::kLabel, "GroupBox1", {8, 116, 24, 13}, "区号"},
    {"Label6", K::kLabel, "GroupBox1", {2, 148, 36, 13}, "卡类型"},
    {"Edit2", K::kEdit, "GroupBox1", {40, 16, 169, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 2},
    {"Edit3", K::kEdit, "GroupBox1", {40, 48, 169, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 3},
    {"Edit4", K::kEdit, "GroupBox1", {40, 84, 169, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 4},
    {"Edit5", K::kEdit, "GroupBox1", {40, 116, 169, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 5},
    {"Edit6", K::kEdit, "GroupBox1", {40, 148, 169, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 6},
    {"Button1", K::kButton, "Panel2", {184, 30, 65, 25}, "查询归属地", FontRole::kWindow,
     ImageMode::kNone, true, true, 7},

    // The segment page.
    {"Panel3", K::kPanel, "TabSheet2", {0, 0, 105, 283}, "Panel3", FontRole::kWindow,
     ImageMode::kNone, true, true, -1, PinLeft(105)},
    {"Image2", K::kImage, "Panel3", {1, 1, 103, 281}, "", FontRole::kWindow,
     ImageMode::kNatural, true, true, -1, FillInside(1, 1, 1, 1)},
    {"Panel4", K::kPanel, "TabSheet2", {105, 0, 278, 283}, "Panel4", FontRole::kWindow,
     ImageMode::kNone, true, true, -1, FillInside(105, 0, 0, 0)},
    {"Label7", K::kLabel, "Panel4", {16, 16, 24, 13}, "省份"},
    {"Label8", K::kLabel, "Panel4", {16, 40, 24, 13}, "城市"},
    {"ComboBox1", K::kComboBox, "Panel4", {64, 16, 105, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 8},
    {"ComboBox2", K::kComboBox, "Panel4", {64, 40, 185, 21}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 9},
    {"GroupBox2", K::kGroupBox, "Panel4", {1, 71, 276, 211}, "号段结果", FontRole::kWindow,
     ImageMode::kNone, true, true, -1, PinBottom(1, 1, 1, 211)},
    {"Label9", K::kLabel, "GroupBox2", {144, 96, 39, 13}, "请稍侯", FontRole::kLabel9},
    {"Memo1", K::kMemo, "GroupBox2", {2, 15, 272, 194}, "", FontRole::kWindow,
     ImageMode::kNone, true, true, 10, FillInside(2, 15, 2, 2)},
    {"Button2", K::kButton, "Panel4", {173, 16, 75, 21}, "生成号段", FontRole::kWindow,
     ImageMode::kNone, true, true, 11},
};

// The tab chain, built once from the table's tab_order fields.
const std::array<std::string_view, 12>& Chain() {
  static const std::array<std::string_view, 12> chain = [] {
    std::array<std::string_view, 12> names{};
    for (const Control& control : kControls) {
      if (control.tab_order >= 0) names.at(static_cast<size_t>(control.tab_order)) = control.name;
    }
    return names;
  }();
  return chain;
}

}  // namespace

std::span<const Control> FormControls() { return kControls; }

const Control* FindControl(std::string_view name) {
  const auto found = std::find_if(std::begin(kControls), std::end(kControls),
                                  [&](const Control& c) { return name == c.name; });
  return found == std::end(kControls) ? nullptr : &*found;
}

std::span<const std::string_view> TabChain() { return Chain(); }

}  // namespace ui
