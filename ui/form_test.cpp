// The form's table is consistent with itself: parents come first, docking
// reproduces the design places, the tab chain is whole; and the plain rules
// every renderer uses (docking, scaling, the notice box, the memo's lines).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ui/boxes.h"
#include "ui/form.h"
#include "ui/memo_lines.h"

namespace ui {
namespace {

Size DesignSizeOf(std::string_view name) {
  if (name == kFormName) return kClientSize;
  const Control* control = FindControl(name);
  return Size{control->design.width, control->design.height};
}

TEST(FormDescription, ParentsComeFirstAndHoldTheirChildren) {
  std::set<std::string> made = {kFormName};
  for (const Control& control : FormControls()) {
    SCOPED_TRACE(control.name);
    EXPECT_TRUE(made.count(control.parent)) << "parent made later";
    EXPECT_TRUE(made.insert(control.name).second) << "name used twice";
    const Size parent = DesignSizeOf(control.parent);
    EXPECT_TRUE((Rect{0, 0, parent.width, parent.height}.Contains(control.design)));
    // Docking at the design size gives the design place.
    if (control.dock) {
      EXPECT_EQ(DockedRect(*control.dock, parent), control.design);
    }
  }
}

TEST(FormDescription, TabChainHoldsEveryFocusableInputOnce) {
  std::set<std::string_view> chain(TabChain().begin(), TabChain().end());
  EXPECT_EQ(chain.size(), TabChain().size());
  for (const Control& control : FormControls()) {
    const bool input = control.kind == ControlKind::kEdit ||
                       control.kind == ControlKind::kComboBox ||
                       control.kind == ControlKind::kMemo ||
                       (control.kind == ControlKind::kButton && control.takes_focus);
    EXPECT_EQ(chain.count(control.name) == 1, input || control.kind == ControlKind::kPageControl)
        << control.name;
  }
  const Control* hidden = FindControl("Button3");
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->visible);
  EXPECT_FALSE(hidden->takes_focus);
  EXPECT_EQ(FindControl("Button9"), nullptr);
}

TEST(FormRules, DockingScalingAndTheNoticeBox) {
  // A pinned-bottom child follows the parent's bottom edge and width.
  EXPECT_EQ(DockedRect(PinBottom(1, 1, 1, 211), Size{487, 472}), (Rect{1, 260, 485, 211}));
  EXPECT_EQ(DockedRect(FillInside(97, 0, 0, 0), Size{50, 10}), (Rect{97, 0, 0, 10}));
  EXPECT_EQ(Scaled(PinLeft(97), 1.5), (DockRule{0, 0, 0, 0, 146, -1}));
  EXPECT_EQ(TextHeightAt(96), 13);
  EXPECT_EQ(TextHeightAt(144), 20);
  EXPECT_EQ(Scaled(Rect{8, 32, 169, 21}, LayoutScale(20)), (Rect{12, 49, 260, 32}));

  const NoticeLayout narrow = LayOutNotice(Size{40, 13}, 13);
  EXPECT_EQ(narrow.button, (Rect{13, 39, 75, 25}));
  EXPECT_EQ(narrow.client, (Size{101, 77}));
  const NoticeLayout wide = LayOutNotice(Size{300, 26}, 13);
  EXPECT_EQ(wide.text, (Rect{13, 13, 300, 26}));
  EXPECT_EQ(wide.button.left, (326 - 75) / 2);
  EXPECT_EQ(NoticeWrapWidth(1), 1);
  EXPECT_EQ(CentredIn(Rect{0, 0, 1024, 768}, Size{100, 50}), (Point{462, 359}));
}

TEST(FormRules, MemoLineGoesAfterABreakOrStartsOne) {
  const std::string crlf = "\r\n";
  EXPECT_EQ(LineToAppend(false, std::string("a"), crlf), "a\r\n");
  EXPECT_EQ(LineToAppend(true, std::string("b"), crlf), "\r\nb");
  EXPECT_FALSE(EndsInOpenLine(true, '\0', '\n'));
  EXPECT_FALSE(EndsInOpenLine(false, '\n', '\n'));
  EXPECT_TRUE(EndsInOpenLine(false, 'x', '\n'));
}

}  // namespace
}  // namespace ui
